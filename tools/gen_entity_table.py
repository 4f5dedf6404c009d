#!/usr/bin/env python3
"""Writes core/xml/XmlEntityTable.inc, the named character references the XML reader resolves.

The values come from the ISO 8879 public entity sets in their XML form, as Debian's sgml-data
package installs them (/usr/share/xml/entities/xml-iso-entities-8879.1986). The names, and the
order in which they are stored, are fixed below: documents written for this system's readers
rely on exactly these names. A few names are settled here rather than taken from the sets:
- names whose character has no single UTF-16 unit (or no Unicode equivalent; the sets give a
  private-use code point) stand for U+FFFD;
- five names the sets lack (lrm, rlm, lsaquo, rsaquo, bdquo) get their usual characters;
- circ is the numeric set's circumflex (U+005E), lang and rang are U+3008 and U+3009;
- the bold Greek names (b.alpha ...) stand for the plain Greek letters;
- the box-drawing names follow the sets' own naming rule (h, v, u, d, l, r name the line parts,
  an upper-case letter a double line), as the W3C definitions do; the XML form of the sets
  mixes up single and double lines in several corners and junctions.

Usage: tools/gen_entity_table.py [ENTITY_DIR] [OUTPUT]
"""

import os
import re
import sys
import unicodedata

ENTITY_DIR = "/usr/share/xml/entities/xml-iso-entities-8879.1986"
OUTPUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "core", "xml",
                      "XmlEntityTable.inc")

# Read in this order; a name defined by two sets must have one value.
ENTITY_SETS = [
    "ISOlat1", "ISOlat2", "ISOnum", "ISOpub", "ISOtech", "ISOdia", "ISOgrk1", "ISOgrk2",
    "ISOgrk3", "ISOgrk4", "ISOcyr1", "ISOcyr2", "ISObox", "ISOamsa", "ISOamsb", "ISOamsc",
    "ISOamsn", "ISOamso", "ISOamsr",
]

REPLACEMENT_NAMES = {
    "fjlig", "gnap", "jnodot", "lnap", "lpargt", "nsmid", "prnE", "rpargt", "scnE", "smid",
    "vsubnE",
}

FIXED_VALUES = {
    "lrm": 0x200E,
    "rlm": 0x200F,
    "lsaquo": 0x2039,
    "rsaquo": 0x203A,
    "bdquo": 0x201E,
    "circ": 0x005E,
    "lang": 0x3008,
    "rang": 0x3009,
}

NAMES = [
    "aacgr", "Aacgr", "aacute", "Aacute", "abreve", "Abreve", "acirc", "Acirc", "acute", "acy",
    "Acy", "aelig", "AElig", "agr", "Agr", "agrave", "Agrave", "aleph", "alpha", "amacr", "Amacr",
    "amalg", "amp", "and", "ang", "ang90", "angmsd", "angsph", "angst", "aogon", "Aogon", "ap",
    "ape", "apos", "aring", "Aring", "ast", "asymp", "atilde", "Atilde", "auml", "Auml", "b.alpha",
    "b.beta", "b.chi", "b.delta", "b.Delta", "b.epsi", "b.epsis", "b.epsiv", "b.eta", "b.gamma",
    "b.Gamma", "b.gammad", "b.iota", "b.kappa", "b.kappav", "b.lambda", "b.Lambda", "b.mu", "b.nu",
    "b.omega", "b.Omega", "b.Phi", "b.phis", "b.phiv", "b.pi", "b.Pi", "b.piv", "b.psi", "b.Psi",
    "b.rho", "b.rhov", "b.sigma", "b.Sigma", "b.sigmav", "b.tau", "b.Theta", "b.thetas",
    "b.thetav", "b.upsi", "b.Upsi", "b.xi", "b.Xi", "b.zeta", "Barwed", "barwed", "bcong", "bcy",
    "Bcy", "bdquo", "becaus", "bepsi", "bernou", "beta", "beth", "bgr", "Bgr", "blank", "blk12",
    "blk14", "blk34", "block", "bottom", "bowtie", "boxdl", "boxDL", "boxdL", "boxDl", "boxdr",
    "boxDR", "boxDr", "boxdR", "boxh", "boxH", "boxhd", "boxhD", "boxHD", "boxHd", "boxhu",
    "boxhU", "boxHU", "boxHu", "boxul", "boxUL", "boxUl", "boxuL", "boxur", "boxUR", "boxuR",
    "boxUr", "boxv", "boxV", "boxvh", "boxvH", "boxVH", "boxVh", "boxvl", "boxvL", "boxVL",
    "boxVl", "boxvr", "boxvR", "boxVR", "boxVr", "bprime", "breve", "brvbar", "bsim", "bsime",
    "bsol", "bull", "bump", "bumpe", "cacute", "Cacute", "cap", "Cap", "caret", "caron", "ccaron",
    "Ccaron", "ccedil", "Ccedil", "ccirc", "Ccirc", "cdot", "Cdot", "cedil", "cent", "chcy",
    "CHcy", "check", "chi", "cir", "circ", "cire", "clubs", "colon", "colone", "comma", "commat",
    "comp", "compfn", "cong", "conint", "coprod", "copy", "copysr", "cross", "cuepr", "cuesc",
    "cularr", "cup", "Cup", "cupre", "curarr", "curren", "cuvee", "cuwed", "dagger", "Dagger",
    "daleth", "darr", "dArr", "darr2", "dash", "dashv", "dblac", "dcaron", "Dcaron", "dcy", "Dcy",
    "deg", "delta", "Delta", "dgr", "Dgr", "dharl", "dharr", "diam", "diams", "die", "divide",
    "divonx", "djcy", "DJcy", "dlarr", "dlcorn", "dlcrop", "dollar", "dot", "Dot", "DotDot",
    "drarr", "drcorn", "drcrop", "dscy", "DScy", "dstrok", "Dstrok", "dtri", "dtrif", "dzcy",
    "DZcy", "eacgr", "Eacgr", "eacute", "Eacute", "ecaron", "Ecaron", "ecir", "ecirc", "Ecirc",
    "ecolon", "ecy", "Ecy", "edot", "Edot", "eDot", "eeacgr", "EEacgr", "eegr", "EEgr", "efDot",
    "egr", "Egr", "egrave", "Egrave", "egs", "ell", "els", "emacr", "Emacr", "empty", "emsp",
    "emsp13", "emsp14", "eng", "ENG", "ensp", "eogon", "Eogon", "epsi", "epsis", "epsiv", "equals",
    "equiv", "erDot", "esdot", "eta", "eth", "ETH", "euml", "Euml", "excl", "exist", "fcy", "Fcy",
    "female", "ffilig", "fflig", "ffllig", "filig", "fjlig", "flat", "fllig", "fnof", "forall",
    "fork", "frac12", "frac13", "frac14", "frac15", "frac16", "frac18", "frac23", "frac25",
    "frac34", "frac35", "frac38", "frac45", "frac56", "frac58", "frac78", "frown", "gacute",
    "gamma", "Gamma", "gammad", "gap", "gbreve", "Gbreve", "Gcedil", "gcirc", "Gcirc", "gcy",
    "Gcy", "gdot", "Gdot", "ge", "gE", "gel", "gEl", "ges", "Gg", "ggr", "Ggr", "gimel", "gjcy",
    "GJcy", "gl", "gnap", "gne", "gnE", "gnsim", "grave", "gsdot", "gsim", "gt", "Gt", "gvnE",
    "hairsp", "half", "hamilt", "hardcy", "HARDcy", "hArr", "harr", "harrw", "hcirc", "Hcirc",
    "hearts", "hellip", "horbar", "hstrok", "Hstrok", "hybull", "hyphen", "iacgr", "Iacgr",
    "iacute", "Iacute", "icirc", "Icirc", "icy", "Icy", "idiagr", "idigr", "Idigr", "Idot", "iecy",
    "IEcy", "iexcl", "iff", "igr", "Igr", "igrave", "Igrave", "ijlig", "IJlig", "Imacr", "imacr",
    "image", "incare", "infin", "inodot", "int", "intcal", "iocy", "IOcy", "iogon", "Iogon",
    "iota", "iquest", "isin", "itilde", "Itilde", "iukcy", "Iukcy", "iuml", "Iuml", "jcirc",
    "Jcirc", "jcy", "Jcy", "jnodot", "jsercy", "Jsercy", "jukcy", "Jukcy", "kappa", "kappav",
    "kcedil", "Kcedil", "kcy", "Kcy", "kgr", "Kgr", "kgreen", "khcy", "KHcy", "khgr", "KHgr",
    "kjcy", "KJcy", "lAarr", "lacute", "Lacute", "lagran", "lambda", "Lambda", "lang", "lap",
    "laquo", "larr", "lArr", "Larr", "larr2", "larrhk", "larrlp", "larrtl", "lcaron", "Lcaron",
    "lcedil", "Lcedil", "lceil", "lcub", "lcy", "Lcy", "ldot", "ldquo", "ldquor", "le", "lE",
    "lEg", "leg", "les", "lfloor", "lg", "lgr", "Lgr", "lhard", "lharu", "lhblk", "ljcy", "LJcy",
    "Ll", "lmidot", "Lmidot", "lnap", "lnE", "lne", "lnsim", "lowast", "lowbar", "loz", "lozf",
    "lpar", "lpargt", "lrarr2", "lrm", "lrhar2", "lsaquo", "lsh", "lsim", "lsqb", "lsquo",
    "lsquor", "lstrok", "Lstrok", "lt", "Lt", "lthree", "ltimes", "ltri", "ltrie", "ltrif", "lvnE",
    "macr", "male", "malt", "map", "marker", "mcy", "Mcy", "mdash", "mgr", "Mgr", "micro", "mid",
    "middot", "minus", "minusb", "mldr", "mnplus", "models", "mu", "mumap", "nabla", "nacute",
    "Nacute", "nap", "napos", "natur", "nbsp", "ncaron", "Ncaron", "ncedil", "Ncedil", "ncong",
    "ncy", "Ncy", "ndash", "ne", "nearr", "nequiv", "nexist", "ngE", "nge", "nges", "ngr", "Ngr",
    "ngt", "nhArr", "nharr", "ni", "njcy", "NJcy", "nlArr", "nlarr", "nldr", "nle", "nlE", "nles",
    "nlt", "nltri", "nltrie", "nmid", "not", "notin", "npar", "npr", "npre", "nrarr", "nrArr",
    "nrtri", "nrtrie", "nsc", "nsce", "nsim", "nsime", "nsmid", "nspar", "nsub", "nsube", "nsubE",
    "nsup", "nsupE", "nsupe", "ntilde", "Ntilde", "nu", "num", "numero", "numsp", "nvdash",
    "nvDash", "nVDash", "nVdash", "nwarr", "oacgr", "Oacgr", "oacute", "Oacute", "oast", "ocir",
    "ocirc", "Ocirc", "ocy", "Ocy", "odash", "odblac", "Odblac", "odot", "oelig", "OElig", "ogon",
    "ogr", "Ogr", "ograve", "Ograve", "ohacgr", "OHacgr", "ohgr", "OHgr", "ohm", "olarr", "Omacr",
    "omacr", "omega", "Omega", "ominus", "oplus", "or", "orarr", "order", "ordf", "ordm", "oS",
    "oslash", "Oslash", "osol", "otilde", "Otilde", "otimes", "ouml", "Ouml", "par", "para",
    "part", "pcy", "Pcy", "percnt", "period", "permil", "perp", "pgr", "Pgr", "phgr", "PHgr",
    "Phi", "phis", "phiv", "phmmat", "phone", "pi", "Pi", "piv", "planck", "plus", "plusb",
    "plusdo", "plusmn", "pound", "pr", "prap", "pre", "prime", "Prime", "prnap", "prnE", "prnsim",
    "prod", "prop", "prsim", "psgr", "PSgr", "psi", "Psi", "puncsp", "quest", "quot", "rAarr",
    "racute", "Racute", "radic", "rang", "raquo", "rarr", "rArr", "Rarr", "rarr2", "rarrhk",
    "rarrlp", "rarrtl", "rarrw", "rcaron", "Rcaron", "rcedil", "Rcedil", "rceil", "rcub", "rcy",
    "Rcy", "rdquo", "rdquor", "real", "rect", "reg", "rfloor", "rgr", "Rgr", "rhard", "rharu",
    "rho", "rhov", "ring", "rlarr2", "rlhar2", "rlm", "rpar", "rpargt", "rsaquo", "rsh", "rsqb",
    "rsquo", "rsquor", "rthree", "rtimes", "rtri", "rtrie", "rtrif", "rx", "sacute", "Sacute",
    "samalg", "sbsol", "sc", "scap", "scaron", "Scaron", "sccue", "sce", "scedil", "Scedil",
    "scirc", "Scirc", "scnap", "scnE", "scnsim", "scsim", "scy", "Scy", "sdot", "sdotb", "sect",
    "semi", "setmn", "sext", "sfgr", "sfrown", "sgr", "Sgr", "sharp", "shchcy", "SHCHcy", "shcy",
    "SHcy", "shy", "sigma", "Sigma", "sigmav", "sim", "sime", "smid", "smile", "softcy", "SOFTcy",
    "sol", "spades", "spar", "sqcap", "sqcup", "sqsub", "sqsube", "sqsup", "sqsupe", "squ",
    "square", "squf", "ssetmn", "ssmile", "sstarf", "star", "starf", "sub", "Sub", "sube", "subE",
    "subne", "subnE", "sum", "sung", "sup", "Sup", "sup1", "sup2", "sup3", "supe", "supE", "supne",
    "supnE", "szlig", "target", "tau", "tcaron", "Tcaron", "tcedil", "Tcedil", "tcy", "Tcy",
    "tdot", "telrec", "tgr", "Tgr", "there4", "Theta", "thetas", "thetav", "thgr", "THgr",
    "thinsp", "thkap", "thksim", "thorn", "THORN", "tilde", "times", "timesb", "top", "tprime",
    "trade", "trie", "tscy", "TScy", "tshcy", "TSHcy", "tstrok", "Tstrok", "twixt", "uacgr",
    "Uacgr", "uacute", "Uacute", "uarr", "uArr", "uarr2", "ubrcy", "Ubrcy", "ubreve", "Ubreve",
    "ucirc", "Ucirc", "ucy", "Ucy", "udblac", "Udblac", "udiagr", "udigr", "Udigr", "ugr", "Ugr",
    "ugrave", "Ugrave", "uharl", "uharr", "uhblk", "ulcorn", "ulcrop", "umacr", "Umacr", "uml",
    "uogon", "Uogon", "uplus", "upsi", "Upsi", "urcorn", "urcrop", "uring", "Uring", "utilde",
    "Utilde", "utri", "utrif", "uuml", "Uuml", "vArr", "varr", "vcy", "Vcy", "vdash", "Vdash",
    "vDash", "veebar", "vellip", "verbar", "Verbar", "vltri", "vprime", "vprop", "vrtri", "vsubnE",
    "vsubne", "vsupne", "vsupnE", "Vvdash", "wcirc", "Wcirc", "wedgeq", "weierp", "wreath",
    "xcirc", "xdtri", "xgr", "Xgr", "xhArr", "xharr", "xi", "Xi", "xlArr", "xrArr", "xutri",
    "yacute", "Yacute", "yacy", "YAcy", "ycirc", "Ycirc", "ycy", "Ycy", "yen", "yicy", "YIcy",
    "yucy", "YUcy", "yuml", "Yuml", "zacute", "Zacute", "zcaron", "Zcaron", "zcy", "Zcy", "zdot",
    "Zdot", "zeta", "zgr", "Zgr", "zhcy", "ZHcy",
]

ENTITY_RE = re.compile(r'<!ENTITY\s+(\S+)\s+"([^"]*)"')
REFERENCE_RE = re.compile(r"&#(x[0-9A-Fa-f]+|[0-9]+);")


def code_points(text):
    # The sets escape '&' itself ("&#38;#60;" for '<'), so that pass comes first.
    text = text.replace("&#38;", "&")
    points = []
    for ref in REFERENCE_RE.findall(text):
        points.append(int(ref[1:], 16) if ref.startswith("x") else int(ref))
    return points


def read_sets(directory):
    values = {}
    for name in ENTITY_SETS:
        path = os.path.join(directory, name + ".ent")
        with open(path, encoding="utf-8") as handle:
            for entity, text in ENTITY_RE.findall(handle.read()):
                points = tuple(code_points(text))
                if entity in values and values[entity] != points:
                    raise SystemExit("%s: %s differs from an earlier set" % (path, entity))
                values[entity] = points
    return values


def plain_greek(point):
    # Mathematical bold Greek letters become the letters themselves.
    if 0x0370 <= point <= 0x03FF:
        return point
    label = unicodedata.name(chr(point), "")
    match = re.match(r"MATHEMATICAL BOLD (CAPITAL|SMALL) (.+)$", label)
    if match:
        return ord(unicodedata.lookup("GREEK %s LETTER %s" % match.groups()))
    raise SystemExit("no plain Greek letter for U+%04X" % point)


BOX_PARTS = {"h": "HORIZONTAL", "v": "VERTICAL", "u": "UP", "d": "DOWN", "l": "LEFT",
             "r": "RIGHT"}


def box_drawing(name):
    parts = name[3:]
    weight = lambda letter: "DOUBLE" if letter.isupper() else "SINGLE"
    if len(parts) == 1:
        labels = ["BOX DRAWINGS %s %s" % ("DOUBLE" if parts.isupper() else "LIGHT",
                                          BOX_PARTS[parts.lower()])]
    else:
        (a, b) = parts
        pa, pb = BOX_PARTS[a.lower()], BOX_PARTS[b.lower()]
        if weight(a) == weight(b):
            style = "DOUBLE" if a.isupper() else "LIGHT"
            labels = ["BOX DRAWINGS %s %s AND %s" % (style, x, y) for x, y in ((pa, pb), (pb, pa))]
        else:
            labels = ["BOX DRAWINGS %s %s AND %s %s" % (x, wx, y, wy)
                      for x, wx, y, wy in ((pa, weight(a), pb, weight(b)),
                                           (pb, weight(b), pa, weight(a)))]
    for label in labels:
        try:
            return ord(unicodedata.lookup(label))
        except KeyError:
            pass
    raise SystemExit("no box-drawing character for %s" % name)


def value_of(name, values):
    if name in REPLACEMENT_NAMES:
        return 0xFFFD
    if name in FIXED_VALUES:
        return FIXED_VALUES[name]
    points = values.get(name)
    if not points:
        raise SystemExit("%s is in no entity set" % name)
    if len(points) != 1 or points[0] > 0xFFFF or 0xE000 <= points[0] <= 0xF8FF:
        raise SystemExit("%s has no single Unicode character: %r" % (name, points))
    if name.startswith("b."):
        return plain_greek(points[0])
    if re.match(r"^box[hvudlrHVUDLR]{1,2}$", name):
        return box_drawing(name)
    return points[0]


def main():
    directory = sys.argv[1] if len(sys.argv) > 1 else ENTITY_DIR
    output = sys.argv[2] if len(sys.argv) > 2 else OUTPUT
    if len(NAMES) != len(set(NAMES)):
        raise SystemExit("a name is listed twice")
    if any(len(name) > 8 or not re.match(r"^[A-Za-z0-9.]+$", name) for name in NAMES):
        raise SystemExit("names have at most 8 letters, digits or dots")
    values = read_sets(directory)
    rows = [(name, value_of(name, values)) for name in NAMES]
    order = sorted(range(len(rows)), key=lambda i: rows[i][0].encode("ascii"))

    out = []
    out.append("// Generated by tools/gen_entity_table.py from the ISO 8879 entity sets; do not edit.")
    out.append("// The named character references in their stored order, and the same rows by name.")
    out.append("#pragma once")
    out.append("")
    out.append("#include <cstdint>")
    out.append("")
    out.append("namespace xml_entity_table {")
    out.append("")
    out.append("struct NamedEntity {")
    out.append("    char name[9];")
    out.append("    uint16_t value;")
    out.append("};")
    out.append("")
    out.append("inline constexpr int kCount = %d;" % len(rows))
    out.append("")
    out.append("inline constexpr NamedEntity kRows[kCount] = {")
    for name, value in rows:
        out.append('    {"%s", 0x%04X},' % (name, value))
    out.append("};")
    out.append("")
    out.append("// Indices into kRows in ascending byte order of the names.")
    out.append("inline constexpr uint16_t kByName[kCount] = {")
    for start in range(0, len(order), 12):
        out.append("    " + ", ".join(str(i) for i in order[start:start + 12]) + ",")
    out.append("};")
    out.append("")
    out.append("} // namespace xml_entity_table")
    with open(output, "w", encoding="ascii", newline="\n") as handle:
        handle.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
