#!/usr/bin/env python3
"""Writes a large, deterministic TMX 1.4 file of natural-looking text for benchmarks and probes.

    python3 tools/gen_tmx.py --units 1500000 --out big.tmx --queries queries.txt
    python3 tools/gen_tmx.py --units 20000 --langs en-GB,de-DE --out small.tmx

The first language is the source language. By default words follow a bigram model and a fifth
of the units nearly repeat an earlier one, as in real memories; --independent-words --repeats 0
gives word salad instead, whose far larger number of distinct word pairs is a stress case for the
index. Each language gets its own vocabulary of a few
thousand words drawn with a Zipf-like distribution, so that common words are very common (and
reach the index's posting cap) while most words are rare. Sentences vary in length and carry
punctuation, numbers, some inline tags (bpt/ept/ph/it), props, notes and dates. The same seed
always gives the same bytes. The queries file holds two- and three-word queries in the source
language: most are taken from the generated sentences (so they find something), some are drawn
from the vocabulary alone.
"""

import argparse
import bisect
import itertools
import random
import sys

# Letters and syllables per language family, so that each vocabulary looks like its language
# and carries its own non-ASCII letters.
ONSETS = {
    "en": ["b", "c", "d", "f", "g", "h", "l", "m", "n", "p", "r", "s", "t", "w", "st", "tr",
           "pr", "ch", "sh", "th", "cl", "gr", "br", "sp", "pl", ""],
    "de": ["b", "d", "f", "g", "h", "k", "l", "m", "n", "p", "r", "s", "t", "w", "z", "sch",
           "st", "sp", "kr", "gr", "br", "pf", "fr", "tr", "kl", ""],
    "fr": ["b", "c", "d", "f", "g", "j", "l", "m", "n", "p", "r", "s", "t", "v", "ch", "pr",
           "tr", "gr", "bl", "cl", "qu", ""],
    "es": ["b", "c", "d", "f", "g", "j", "l", "ll", "m", "n", "p", "r", "s", "t", "v", "ch",
           "pr", "tr", "br", "gr", "cl", ""],
    "xx": ["b", "d", "g", "k", "l", "m", "n", "p", "r", "s", "t", "v", "z", ""],
}
VOWELS = {
    "en": ["a", "e", "i", "o", "u", "ea", "ou", "ai", "ee", "y"],
    "de": ["a", "e", "i", "o", "u", "ä", "ö", "ü", "ei", "au", "ie", "eu"],
    "fr": ["a", "e", "i", "o", "u", "é", "è", "ê", "ou", "ai", "eau", "oi", "â", "î"],
    "es": ["a", "e", "i", "o", "u", "á", "é", "í", "ó", "ú", "ia", "ue", "io"],
    "xx": ["a", "e", "i", "o", "u", "ą", "ę", "ó", "y"],
}
CODAS = {
    "en": ["", "", "n", "r", "s", "t", "nd", "ng", "ck", "ll", "st", "rt", "sh", "x"],
    "de": ["", "n", "r", "s", "t", "ch", "ng", "ß", "nd", "lt", "rz", "ck", "cht"],
    "fr": ["", "", "n", "r", "s", "t", "l", "x", "ç", "nt", "rs"],
    "es": ["", "", "n", "r", "s", "l", "z", "ñ", "d"],
    "xx": ["", "k", "n", "r", "ś", "ł", "ż"],
}
# The most frequent words of each vocabulary are short real function words.
FUNCTION_WORDS = {
    "en": ["the", "of", "and", "to", "in", "is", "a", "for", "on", "with", "this", "that", "be",
           "by", "are", "or", "not", "you", "it", "from", "at", "as", "can", "your", "all"],
    "de": ["der", "die", "und", "in", "den", "von", "zu", "das", "mit", "sich", "des", "auf",
           "für", "ist", "im", "dem", "nicht", "ein", "eine", "als", "auch", "es", "an", "über"],
    "fr": ["le", "de", "la", "et", "les", "des", "en", "un", "une", "du", "pour", "dans", "est",
           "que", "qui", "sur", "au", "par", "pas", "à", "être", "où", "très", "même"],
    "es": ["el", "de", "la", "que", "y", "en", "los", "del", "se", "las", "por", "un", "para",
           "con", "no", "una", "su", "al", "es", "lo", "más", "también", "así", "según"],
    "xx": ["i", "w", "na", "z", "do", "się", "nie", "że", "to", "jest"],
}
UNITS_OF = ["mm", "kg", "MB", "%", "km", "ms"]
TAG_NAMES = ["b", "i", "u", "link", "span"]


def family(lang):
    base = lang[:2].lower()
    return base if base in ONSETS else "xx"


def make_vocabulary(rng, lang, size):
    fam = family(lang)
    onsets, vowels, codas = ONSETS[fam], VOWELS[fam], CODAS[fam]
    words = list(FUNCTION_WORDS[fam])
    seen = set(words)
    while len(words) < size:
        syllables = rng.choice((1, 2, 2, 2, 3, 3))
        w = "".join(rng.choice(onsets) + rng.choice(vowels) + rng.choice(codas)
                    for _ in range(syllables))
        if len(w) < 2 or w in seen:
            continue
        seen.add(w)
        words.append(w)
    # Zipf-like weights: rank r gets 1 / r^1.05.
    cumulative = list(itertools.accumulate(1.0 / (r ** 1.05) for r in range(1, size + 1)))
    return words, cumulative


class Language:
    """A vocabulary with a Zipf-like word distribution and, unless independent is set, a bigram
    model: each word has its own small set of likely successors, as in real text, where a word
    is followed by few of all the words it could be followed by."""

    def __init__(self, rng, lang, size, independent):
        self.code = lang
        self.words, self.cumulative = make_vocabulary(rng, lang, size)
        self.total = self.cumulative[-1]
        self.independent = independent
        self.rng = rng
        self.successors = {}

    def draw_index(self, rng):
        return bisect.bisect_left(self.cumulative, rng.random() * self.total)

    def successor_model(self, index):
        model = self.successors.get(index)
        if model is None:
            # Frequent words are followed by many words, rare ones by few.
            count = max(4, min(300, int(400 / (index + 1) ** 0.5)))
            follow = [self.draw_index(self.rng) for _ in range(count)]
            cumulative = list(itertools.accumulate(1.0 / (r ** 1.2) for r in range(1, count + 1)))
            model = (follow, cumulative)
            self.successors[index] = model
        return model

    def draw(self, rng, n):
        words = self.words
        if self.independent:
            return [words[self.draw_index(rng)] for _ in range(n)]
        result = []
        previous = None
        for _ in range(n):
            if previous is None or rng.random() < 0.15:
                index = self.draw_index(rng)
            else:
                follow, cumulative = self.successor_model(previous)
                index = follow[bisect.bisect_left(cumulative, rng.random() * cumulative[-1])]
            result.append(words[index])
            previous = index
        return result


def sentence_length(rng):
    # Mostly short and medium sentences, some long ones, a few very short.
    r = rng.random()
    if r < 0.15:
        return rng.randint(1, 3)
    if r < 0.75:
        return rng.randint(3, 7)
    if r < 0.95:
        return rng.randint(9, 15)
    return rng.randint(16, 36)


def escape(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def build_sentence(rng, language, length, with_tags, words=None):
    """Returns (xml_text, plain_words)."""
    if words is None:
        words = language.draw(rng, length)
    words = list(words)
    plain = list(words)
    if words:
        words[0] = words[0][:1].upper() + words[0][1:]
    parts = []
    open_tag = None
    tag_id = 0
    for i, w in enumerate(words):
        piece = w
        r = rng.random()
        if r < 0.03:
            piece = str(rng.randint(1, 9999))
        elif r < 0.04:
            piece = "%d %s" % (rng.randint(1, 500), rng.choice(UNITS_OF))
        if with_tags and open_tag is None and rng.random() < 0.04:
            tag_id += 1
            open_tag = rng.choice(TAG_NAMES)
            piece = '<bpt i="%d">&lt;%s&gt;</bpt>%s' % (tag_id, open_tag, piece)
        elif open_tag is not None and rng.random() < 0.4:
            piece = '%s<ept i="%d">&lt;/%s&gt;</ept>' % (piece, tag_id, open_tag)
            open_tag = None
        elif with_tags and rng.random() < 0.01:
            piece = '%s <ph x="%d"/>' % (piece, rng.randint(1, 9))
        elif with_tags and rng.random() < 0.003:
            piece = '<it pos="begin">&lt;span&gt;</it>%s' % piece
        parts.append(piece)
        if i + 1 < len(words):
            r = rng.random()
            parts.append(", " if r < 0.06 else (" - " if r < 0.065 else " "))
    if open_tag is not None:
        parts.append('<ept i="%d">&lt;/%s&gt;</ept>' % (tag_id, open_tag))
    r = rng.random()
    parts.append("." if r < 0.7 else ("?" if r < 0.8 else ("!" if r < 0.85 else (":" if r < 0.9 else ""))))
    return "".join(parts), plain


def date(rng):
    return "%04d%02d%02dT%02d%02d%02dZ" % (
        rng.randint(2005, 2025), rng.randint(1, 12), rng.randint(1, 28),
        rng.randint(0, 23), rng.randint(0, 59), rng.randint(0, 59))


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--units", type=int, default=10000)
    ap.add_argument("--langs", default="en-GB,de-DE,fr-FR,es-ES")
    ap.add_argument("--out", required=True)
    ap.add_argument("--queries", help="also write a file of two- and three-word queries")
    ap.add_argument("--query-count", type=int, default=2000)
    ap.add_argument("--vocabulary", type=int, default=4000)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--independent-words", action="store_true",
                    help="draw every word on its own (word salad: far more distinct word pairs than "
                         "real text, a stress case for the index)")
    ap.add_argument("--repeats", type=float, default=0.2,
                    help="share of units whose source text repeats an earlier one with one word or "
                         "number changed, as translation memories do")
    args = ap.parse_args()

    langs = [l.strip() for l in args.langs.split(",") if l.strip()]
    if len(langs) < 2:
        sys.exit("need a source language and at least one target language")
    rng = random.Random(args.seed)
    languages = [Language(random.Random("%d-%s" % (args.seed, l)), l, args.vocabulary, args.independent_words)
                 for l in langs]
    source = languages[0]

    query_rng = random.Random(args.seed + 7)
    queries = []
    query_every = max(1, args.units // max(1, args.query_count))

    with open(args.out, "w", encoding="utf-8", newline="\n") as out:
        w = out.write
        w('<?xml version="1.0" encoding="UTF-8"?>\n<tmx version="1.4">\n')
        w('<header creationtool="gen_tmx" creationtoolversion="1.0" segtype="sentence" '
          'o-tmf="gen" adminlang="en-US" srclang="%s" datatype="plaintext" creationdate="%s">\n'
          % (source.code, date(rng)))
        w('<prop type="x-generator">gen_tmx.py seed %d</prop>\n</header>\n<body>\n' % args.seed)
        buf = []
        recent = []
        for n in range(1, args.units + 1):
            attrs = ' tuid="%d"' % n
            if rng.random() < 0.7:
                attrs += ' creationdate="%s" creationid="USER%d"' % (date(rng), rng.randint(1, 40))
            if rng.random() < 0.3:
                attrs += ' changedate="%s" changeid="USER%d"' % (date(rng), rng.randint(1, 40))
            if rng.random() < 0.05:
                attrs += ' srclang="%s"' % source.code
            buf.append("<tu%s>\n" % attrs)
            if rng.random() < 0.08:
                buf.append('<prop type="x-domain">%s</prop>\n' % rng.choice(
                    ("Software", "Legal", "Medical", "Marketing", "Technical")))
            if rng.random() < 0.03:
                note, _ = build_sentence(rng, source, rng.randint(2, 8), False)
                buf.append("<note>%s</note>\n" % note)
            length = sentence_length(rng)
            with_tags = rng.random() < 0.15
            if args.repeats > 0 and recent and rng.random() < args.repeats:
                # A near repeat of an earlier unit: one word changed.
                words = list(rng.choice(recent))
                words[rng.randrange(len(words))] = source.draw(rng, 1)[0]
                length = len(words)
                text, plain = build_sentence(rng, source, length, with_tags, words)
            else:
                text, plain = build_sentence(rng, source, length, with_tags)
                if args.repeats <= 0:
                    pass
                elif len(recent) < 5000:
                    recent.append(plain)
                else:
                    recent[rng.randrange(5000)] = plain
            buf.append('<tuv xml:lang="%s"><seg>%s</seg></tuv>\n' % (source.code, text))
            for target in languages[1:]:
                # Some units lack a language; targets follow the source's length loosely.
                if rng.random() < 0.04:
                    continue
                tlen = max(1, length + rng.randint(-2, 3))
                ttext, _ = build_sentence(rng, target, tlen, with_tags)
                buf.append('<tuv xml:lang="%s"><seg>%s</seg></tuv>\n' % (target.code, ttext))
            buf.append("</tu>\n")
            if args.queries and n % query_every == 0 and len(plain) >= 3:
                k = query_rng.choice((2, 3))
                start = query_rng.randint(0, len(plain) - k)
                queries.append(" ".join(plain[start:start + k]))
            if len(buf) > 20000:
                w("".join(buf))
                buf.clear()
        w("".join(buf))
        w("</body>\n</tmx>\n")

    if args.queries:
        # A fifth of the queries draw their words from the vocabulary alone (most find nothing
        # as pairs and fall back to single words).
        for i in range(len(queries) // 4):
            queries.append(" ".join(source.draw(query_rng, query_rng.choice((2, 3)))))
        query_rng.shuffle(queries)
        with open(args.queries, "w", encoding="utf-8", newline="\n") as q:
            q.write("\n".join(queries) + "\n")


if __name__ == "__main__":
    main()
