#!/usr/bin/env python3
"""Reads what Sifton's filter and Varnel's export write with an XML reader that is not ours
(Python's xml.etree) and compares it with what the same reader finds in their input.

For the filter: every translation unit that the language rule keeps must come out, in order, with
the same attributes, props, notes and segment content (text and inline elements), and no other
unit may. For the export: every exported unit must carry the attributes and segment texts of the
unit it was made from, and the file must be valid against the TMX 1.4 DTD (xmllint).

The real memories are found at ../shared/corpus from the project root; where that folder is absent
only the fixture is checked, and the script says so. Runs the filter and the export through the
built tmx_bench under Wine.
"""

import argparse
import os
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

XML_LANG = "{http://www.w3.org/XML/1998/namespace}lang"


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def content(element):
    """A seg's content as a reader sees it: its text, then each inline element with its tag,
    attributes, content and the text after it."""
    children = []
    for child in element:
        children.append((child.tag, sorted(child.attrib.items()), content(child), child.tail or ""))
    return (element.text or "", children)


def text_only(element):
    return "".join(element.itertext())


def unit_record(tu):
    record = {"attrib": dict(tu.attrib), "items": [], "tuvs": []}
    for child in tu:
        if child.tag == "tuv":
            tuv = {"attrib": dict(child.attrib), "items": [], "seg": None}
            for part in child:
                if part.tag == "seg":
                    tuv["seg"] = content(part)
                else:
                    tuv["items"].append((part.tag, sorted(part.attrib.items()), content(part)))
            record["tuvs"].append(tuv)
        else:
            record["items"].append((child.tag, sorted(child.attrib.items()), content(child)))
    return record


def read_units(path):
    """Yields ("header", attributes) and then ("tu", record) for each translation unit, streaming:
    each unit is dropped from the tree once it is read."""
    body = None
    for event, element in ET.iterparse(path, events=("start", "end")):
        if event == "start":
            if element.tag == "body":
                body = element
        elif element.tag == "header":
            yield ("header", dict(element.attrib))
        elif element.tag == "tu":
            yield ("tu", unit_record(element))
            if body is not None and len(body) and body[-1] is element:
                body.remove(element)
            element.clear()


def kept_by(record, source, target):
    """The variants the filter must keep: the source language's and the target's own code or its
    regional forms (the target followed by "-"), letter case ignored."""
    source = source.lower()
    target = target.lower()
    kept = []
    for tuv in record["tuvs"]:
        lang = tuv["attrib"].get(XML_LANG, "").lower()
        if lang == source or lang == target or lang.startswith(target + "-"):
            kept.append(tuv)
    return kept


class Failures:
    def __init__(self):
        self.count = 0

    def add(self, text):
        self.count += 1
        if self.count <= 20:
            print("FAIL: " + text)


def run_bench(args, *command):
    result = subprocess.run([args.wine, args.bench] + list(command), capture_output=True, timeout=900)
    out = result.stdout.decode("utf-8", "replace")
    if result.returncode != 0:
        raise RuntimeError("tmx_bench %s failed (%d): %s %s" % (command[0], result.returncode, out,
                                                               result.stderr.decode("utf-8", "replace")))
    return out


def check_filter(args, failures, source_path, targets, work):
    """Filters the file to each target and compares every output with the input in one pass."""
    name = os.path.basename(source_path)
    outputs = {}
    for target in targets:
        out_path = os.path.join(work, "%s.%s.filtered.tmx" % (name, target))
        if os.path.exists(out_path):
            os.remove(out_path)
        run_bench(args, "filter", windows_path(source_path), windows_path(out_path), target)
        outputs[target] = out_path

    readers = {t: read_units(p) for t, p in outputs.items()}
    for target, reader in readers.items():
        kind, header = next(reader)
        if kind != "header":
            failures.add("%s -> %s: the output has no header" % (name, target))
    source = None
    compared = {t: 0 for t in targets}
    for kind, item in read_units(source_path):
        if kind == "header":
            source = item.get("srclang", "")
            continue
        for target in targets:
            kept = kept_by(item, source, target)
            if len(kept) < 2:
                continue
            expected = dict(item, tuvs=kept)
            got = next(readers[target], None)
            where = "%s -> %s, unit %s" % (name, target, repr(item["attrib"].get("tuid", "?")))
            if got is None:
                failures.add(where + ": missing from the output")
                continue
            compared[target] += 1
            if got[1]["attrib"] != expected["attrib"]:
                failures.add("%s: attributes %r, expected %r" % (where, got[1]["attrib"], expected["attrib"]))
            if got[1]["items"] != expected["items"]:
                failures.add("%s: props or notes %r, expected %r" % (where, got[1]["items"], expected["items"]))
            if len(got[1]["tuvs"]) != len(kept):
                failures.add("%s: %d variants, expected %d" % (where, len(got[1]["tuvs"]), len(kept)))
            for mine, theirs in zip(got[1]["tuvs"], kept):
                if mine != theirs:
                    failures.add("%s: variant %r, expected %r" % (where, mine, theirs))
    for target, reader in readers.items():
        extra = sum(1 for kind, _ in reader if kind == "tu")
        if extra:
            failures.add("%s -> %s: %d units more than the rule keeps" % (name, target, extra))
        print("%s -> %s: %d kept units compared" % (name, target, compared[target]))
    return outputs


def check_no_language(failures, path, language):
    for kind, item in read_units(path):
        if kind != "tu":
            continue
        for tuv in item["tuvs"]:
            if tuv["attrib"].get(XML_LANG, "").lower() == language:
                failures.add("%s holds a %s variant" % (os.path.basename(path), language))
                return


def check_export(args, failures, source_path, target, queries, work, dtd):
    """Exports the hits of the queries and compares each exported unit with its input unit."""
    name = os.path.basename(source_path)
    copy = os.path.join(work, "export-source-" + name)
    shutil.copyfile(source_path, copy)
    queries_path = os.path.join(work, name + ".queries.txt")
    with open(queries_path, "w", encoding="utf-8") as f:
        f.write("\n".join(queries) + "\n")
    out_path = os.path.join(work, name + ".export.tmx")
    if os.path.exists(out_path):
        os.remove(out_path)
    report = run_bench(args, "export", windows_path(copy), target, windows_path(queries_path),
                       windows_path(out_path), "--max", "400")

    source_lang = None
    by_tuid = {}
    for kind, item in read_units(source_path):
        if kind == "header":
            source_lang = item.get("srclang", "")
        else:
            by_tuid[item["attrib"].get("tuid")] = item

    exported = 0
    for kind, item in read_units(out_path):
        if kind == "header":
            continue
        exported += 1
        tuid = item["attrib"].get("tuid")
        where = "%s export, unit %r" % (name, tuid)
        original = by_tuid.get(tuid)
        if original is None:
            failures.add(where + ": no such unit in the input")
            continue
        for key in ("creationid", "changeid"):
            if item["attrib"].get(key, "") != original["attrib"].get(key, ""):
                failures.add("%s: %s %r, expected %r" % (where, key, item["attrib"].get(key),
                                                         original["attrib"].get(key, "")))
        for key in ("creationdate", "changedate"):
            if key in item["attrib"] and item["attrib"][key] != original["attrib"].get(key):
                failures.add("%s: %s %r, expected %r" % (where, key, item["attrib"][key], original["attrib"].get(key)))
            if key in original["attrib"] and key not in item["attrib"]:
                failures.add("%s: %s missing" % (where, key))
        for tuv in item["tuvs"]:
            lang = tuv["attrib"].get(XML_LANG, "").lower()
            theirs = [t for t in original["tuvs"] if t["attrib"].get(XML_LANG, "").lower() == lang]
            expected = theirs[0]["seg"] if theirs else ("", [])
            if flatten(tuv["seg"]) != flatten(expected):
                failures.add("%s: %s segment %r, expected %r" % (where, lang, tuv["seg"], expected))
    if exported == 0:
        failures.add("%s: the export holds no unit (%s)" % (name, report.strip()))
    print("%s export to %s: %d units compared" % (name, target, exported))

    if dtd:
        if not shutil.which("xmllint"):
            failures.add("xmllint is not installed (libxml2-utils)")
        else:
            result = subprocess.run(["xmllint", "--noout", "--dtdvalid", dtd, out_path], capture_output=True)
            if result.returncode != 0:
                failures.add("%s export is not valid TMX 1.4: %s" % (name, result.stderr.decode("utf-8", "replace")[:2000]))
            else:
                print("%s export is valid against %s" % (name, os.path.basename(dtd)))


def flatten(seg):
    """A segment's text and its inline elements; placeholders count by tag only, since the export
    writes every placeholder in its own form."""
    text, children = seg
    parts = [text]
    for tag, attrib, inner, tail in children:
        parts.append(("ph",) if tag == "ph" else (tag, attrib))
        parts.append(flatten(inner))
        parts.append(tail)
    return parts


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("--bench", required=True)
    parser.add_argument("--fixture", required=True)
    parser.add_argument("--corpus", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)
    failures = Failures()
    dtd = os.path.join(args.corpus, "tmx14.dtd")
    dtd = dtd if os.path.exists(dtd) else None

    outputs = check_filter(args, failures, args.fixture, ["de", "fr"], args.work)
    check_no_language(failures, outputs["fr"], "frp")
    check_export(args, failures, args.fixture, "de-DE", ["line", "applications", "arpitan"], args.work, dtd)

    if not os.path.isdir(args.corpus):
        print("SKIPPED the real memories: %s is absent" % args.corpus)
    else:
        for name in sorted(os.listdir(args.corpus)):
            if name.endswith(".tmx"):
                outputs = check_filter(args, failures, os.path.join(args.corpus, name), ["de", "fr"], args.work)
                check_no_language(failures, outputs["fr"], "frp")
                for path in outputs.values():
                    os.remove(path)
        multi = os.path.join(args.corpus, "multi-b.tmx")
        if os.path.exists(multi):
            check_export(args, failures, multi, "de",
                         ["option", "assertion botched", "file", "cannot", "memory", "invalid", "error",
                          "directory", "usage", "warning", "not"], args.work, dtd)

    if failures.count:
        print("%d failures" % failures.count)
        return 1
    print("all written files read back the same")
    return 0


if __name__ == "__main__":
    sys.exit(main())
