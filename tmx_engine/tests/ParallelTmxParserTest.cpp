#include "core/tests/ProcessThreads.h"
#include "core/xml/XmlFileStream.h"
#include "tmx_engine/ParallelTmxParser.h"
#include "tmx_engine/TmxFile.h"
#include "tmx_engine/TmxIndexBuilder.h"
#include "tmx_engine/TmxParser.h"
#include "tmx_engine/tests/GroupTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

using grouptest::ScratchFolder;
using Outcome = ParallelTmxParser::Outcome;

namespace {

enum class Encoding { Utf8Bom, Utf8, Utf16Le, Utf16Be, Ansi };

const char* encodingName(Encoding encoding) {
    switch (encoding) {
    case Encoding::Utf8Bom: return "UTF-8 with BOM";
    case Encoding::Utf8: return "UTF-8";
    case Encoding::Utf16Le: return "UTF-16LE";
    case Encoding::Utf16Be: return "UTF-16BE";
    case Encoding::Ansi: return "ANSI";
    }
    return "?";
}

// Text below U+0100 only, so that every encoding can hold it.
std::string encode(const std::wstring& text, Encoding encoding) {
    std::string bytes;
    switch (encoding) {
    case Encoding::Utf8Bom:
        bytes = "\xEF\xBB\xBF";
        // fall through
    case Encoding::Utf8:
        return bytes + grouptest::utf8(text);
    case Encoding::Utf16Le:
    case Encoding::Utf16Be: {
        const bool little = encoding == Encoding::Utf16Le;
        bytes = little ? "\xFF\xFE" : "\xFE\xFF";
        for (wchar_t unit : text) {
            const char low = static_cast<char>(unit & 0xFF);
            const char high = static_cast<char>(unit >> 8);
            bytes += little ? low : high;
            bytes += little ? high : low;
        }
        return bytes;
    }
    case Encoding::Ansi:
        for (wchar_t unit : text)
            bytes += static_cast<char>(unit);
        return bytes;
    }
    return bytes;
}

// Units that exercise what a piece has to get right on its own: languages first met late, a
// target before its source, tags, references, CDATA, a "|" in a word, a character above U+FFFF,
// a tu tag over several lines, a source of the other region, comments and an empty tu.
std::vector<std::wstring> units(int count) {
    std::vector<std::wstring> result;
    for (int i = 0; i < count; ++i) {
        const std::wstring n = std::to_wstring(i);
        switch (i % 8) {
        case 0:
            result.push_back(L"<tu tuid=\"" + n + L"\"><tuv xml:lang=\"en-US\"><seg>Open file " + n +
                             L" &amp; save it</seg></tuv><tuv xml:lang=\"de-DE\"><seg>Datei \u00F6ffnen</seg></tuv></tu>");
            break;
        case 1:
            result.push_back(L"<tu><tuv xml:lang=\"fr-FR\"><seg>avant</seg></tuv><tuv xml:lang=\"en-US\"><seg>after the "
                             L"target " + n + L"</seg></tuv></tu>");
            break;
        case 2:
            result.push_back(L"<tu><tuv xml:lang=\"en-US\"><seg>Press <ph x=\"1\"/> to &#x4E2D;&#25991; run <g id=\"2\">now "
                             L"</g>" + n + L"</seg></tuv><tuv xml:lang=\"de-DE\"><seg>x</seg></tuv><tuv xml:lang=\"fr-FR\">"
                             L"<seg>y</seg></tuv></tu>");
            break;
        case 3:
            result.push_back(L"<tu><tuv xml:lang=\"en-US\"><seg><![CDATA[raw <b> text]]> and more " + n +
                             L"</seg></tuv><tuv xml:lang=\"it-IT\"><seg>z</seg></tuv></tu>");
            break;
        case 4:
            result.push_back(L"<tu\n  tuid=\"" + n + L"\"><tuv xml:lang=\"en-US\"><seg>a|b pipe &#x1F600; smile " + n +
                             L"</seg></tuv><tuv xml:lang=\"ja-JP\"><seg>j</seg></tuv><tuv xml:lang=\"de-DE\"><seg>d"
                             L"</seg></tuv><tuv xml:lang=\"it-IT\"><seg>i</seg></tuv></tu>");
            break;
        case 5:
            result.push_back(L"<tu><tuv xml:lang=\"en-GB\"><seg>other region " + n +
                             L"</seg></tuv><tuv xml:lang=\"de-DE\"><seg>x</seg></tuv></tu>");
            break;
        case 6:
            result.push_back(L"<!-- note " + n + L" --><tu/><tu><tuv xml:lang=\"en-US\"><seg>Last &lt;word&gt; " + n +
                             L"</seg></tuv><tuv xml:lang=\"pt-BR\"><seg>p</seg></tuv></tu>");
            break;
        default:
            result.push_back(L"<tu><tuv xml:lang=\"en-US\"><seg>the the the same words again</seg></tuv>"
                             L"<tuv xml:lang=\"nl-NL\"><seg>n</seg></tuv><tuv xml:lang=\"de-DE\"><seg>d</seg></tuv></tu>");
            break;
        }
    }
    return result;
}

std::wstring document(const std::wstring& declaration, const std::wstring& beforeBody,
                      const std::vector<std::wstring>& body, const std::wstring& separator) {
    std::wstring text = L"<?xml version=\"1.0\" encoding=\"" + declaration + L"\"?>" + separator + beforeBody +
                        L"<tmx version=\"1.4\"><header creationtool=\"t\" creationtoolversion=\"1\" o-tmf=\"x\" "
                        L"srclang=\"EN-us\" creationdate=\"20240102T030405Z\"/><body>" + separator;
    for (const std::wstring& unit : body)
        text += unit + separator;
    return text + L"</body></tmx>" + separator;
}

struct Case {
    const char* name;
    Encoding encoding;
    std::string bytes;
    Outcome outcome; // when every tu start tag is a cut
};

std::vector<Case> cases() {
    std::vector<Case> result;
    const std::vector<std::wstring> body = units(40);
    for (Encoding encoding : {Encoding::Utf8Bom, Encoding::Utf8, Encoding::Utf16Le, Encoding::Utf16Be, Encoding::Ansi}) {
        // The ANSI file keeps clear of line ends: their bytes could make it look like UTF-16.
        const bool ansi = encoding == Encoding::Ansi;
        result.push_back({"every kind of unit", encoding,
                          encode(document(ansi ? L"windows-1252" : L"UTF-8", L"", body, ansi ? L" " : L"\n"), encoding),
                          Outcome::Parsed});
    }
    const auto utf8 = [&](const char* name, const std::wstring& beforeBody, std::vector<std::wstring> units,
                          Outcome outcome) {
        result.push_back({name, Encoding::Utf8, grouptest::utf8(document(L"UTF-8", beforeBody, units, L"\n")), outcome});
    };
    utf8("one unit", L"", units(1), Outcome::Parsed);
    utf8("a doctype without internal subset", L"<!DOCTYPE tmx SYSTEM \"tmx14.dtd\">\n", body, Outcome::Parsed);
    utf8("a doctype with an internal subset", L"<!DOCTYPE tmx [ <!ENTITY e \"x\"> ]>\n", body, Outcome::Declined);
    std::vector<std::wstring> changed = body;
    changed[20] = L"<!-- <tu> in a comment -->" + changed[20];
    utf8("a tu tag in a comment", L"", changed, Outcome::Declined);
    changed = body;
    changed[20] = L"<tu><tuv xml:lang=\"en-US\"><seg><![CDATA[ <tu> ]]> cdata</seg></tuv><tuv xml:lang=\"de-DE\">"
                  L"<seg>c</seg></tuv></tu>";
    utf8("a tu tag in CDATA", L"", changed, Outcome::Declined);
    changed = body;
    changed[20] = L"<header srclang=\"de-DE\"/>" + changed[20];
    utf8("a second header among the units", L"", changed, Outcome::Declined);
    changed = body;
    changed[20] = L"<tu><seg>a segment before any tuv</seg></tu>";
    utf8("a segment before any tuv", L"", changed, Outcome::Declined);
    changed = body;
    changed[20] = L"<tu><tuv xml:lang=\"en-US\"><seg>never closed</seg></tuv>";
    utf8("a unit that is never closed", L"", changed, Outcome::Declined);

    // Damaged bytes: a byte that is no UTF-8, and a NUL (which ends the document early).
    std::string damaged = grouptest::utf8(document(L"UTF-8", L"", body, L"\n"));
    const size_t middle = damaged.find("<tu", damaged.size() / 2) + 40;
    result.push_back({"a byte that is no UTF-8", Encoding::Utf8, damaged.substr(0, middle) + "\xFF" + damaged.substr(middle),
                      Outcome::Declined});
    result.push_back({"a NUL byte", Encoding::Utf8, damaged.substr(0, middle) + std::string(1, '\0') + damaged.substr(middle),
                      Outcome::Declined});
    return result;
}

// The index file of one pass over the file, or "" when the pass fails.
std::string onePassIndex(const std::wstring& tmx, const std::wstring& index) {
    TmxIndexBuilder builder;
    builder.setTmxDate(parsePackedDate(L"20240506T070809Z"));
    XmlFileStream stream(tmx, 0);
    builder.setEncoding(static_cast<uint32_t>(stream.encoding()));
    TmxParser parser(builder);
    if (!parser.parse(stream) || stream.hadError() || builder.failed() || !builder.write(index))
        return "";
    return grouptest::readText(index);
}

ParallelTmxParser::Options pieces(uint32_t bytes) {
    ParallelTmxParser::Options options;
    options.pieceBytes = bytes;
    options.threads = 3;
    options.minFileBytes = 0;
    return options;
}

} // namespace

// Read in pieces, every file gives the builder exactly what one pass gives it, whatever the
// size of the pieces (1 byte: every tu tag is a cut); files whose pieces cannot be trusted are
// declined, and nothing else is.
TEST(ParallelTmxParserTest, PiecesGiveTheIndexOfOnePassOrAreDeclined) {
    ScratchFolder folder;
    const std::wstring tmx = folder.file(L"file.tmx");
    for (const Case& c : cases()) {
        SCOPED_TRACE(std::string(c.name) + ", " + encodingName(c.encoding));
        ASSERT_TRUE(grouptest::writeText(tmx, c.bytes));
        const std::string reference = onePassIndex(tmx, folder.file(L"one.idx"));
        if (c.outcome == Outcome::Parsed) {
            ASSERT_FALSE(reference.empty());
        }
        for (uint32_t pieceBytes : {1u, 50u, 333u, 4096u, 1u << 20}) {
            SCOPED_TRACE(pieceBytes);
            TmxIndexBuilder builder;
            builder.setTmxDate(parsePackedDate(L"20240506T070809Z"));
            ParallelTmxParser parallel(builder, pieces(pieceBytes));
            const Outcome outcome = parallel.parse(tmx);
            if (pieceBytes == 1) {
                EXPECT_EQ(outcome, c.outcome);
            }
            ASSERT_NE(outcome, Outcome::Stopped);
            if (outcome == Outcome::Declined)
                continue;
            ASSERT_FALSE(builder.failed());
            ASSERT_TRUE(builder.write(folder.file(L"pieces.idx")));
            EXPECT_TRUE(grouptest::readText(folder.file(L"pieces.idx")) == reference);
            EXPECT_EQ(parallel.tuOffsetCounter().load(), static_cast<uint32_t>(c.bytes.size()));
        }
    }
}

// Through TmxFile, a declined file is read again in one pass: the load code and the index are
// those of a load on one thread, for good files and damaged ones alike.
TEST(ParallelTmxParserTest, ALoadInPiecesEndsAsALoadInOnePass) {
    ScratchFolder folder;
    const std::wstring tmx = folder.file(L"file.tmx");
    for (const Case& c : cases()) {
        SCOPED_TRACE(std::string(c.name) + ", " + encodingName(c.encoding));
        ASSERT_TRUE(grouptest::writeText(tmx, c.bytes));
        LoadCode codes[2] = {kLoadNotEnded, kLoadNotEnded};
        std::string indexes[2];
        for (int run = 0; run < 2; ++run) {
            DeleteFileW((tmx + L".idx").c_str());
            TmxFile file;
            ParallelTmxParser::Options options = pieces(1);
            if (run == 1)
                options.threads = 1;
            file.setParallelOptions(options);
            codes[run] = file.load(tmx);
            indexes[run] = grouptest::exists(tmx + L".idx") ? grouptest::readText(tmx + L".idx") : "";
        }
        EXPECT_EQ(codes[0], codes[1]);
        EXPECT_TRUE(indexes[0] == indexes[1]);
        if (c.outcome == Outcome::Parsed) {
            EXPECT_EQ(codes[0], kLoaded);
        }
        if (std::string(c.name) == "a byte that is no UTF-8") {
            EXPECT_EQ(codes[0], kLoadIndexFailed);
        }
    }
}

// A stop while pieces are on their way ends the load with code 4, the reading threads joined and
// nothing left beside the TMX file; so does a stop asked before the load began.
TEST(ParallelTmxParserTest, AStopEndsALoadInPieces) {
    ScratchFolder folder;
    const std::wstring tmx = folder.file(L"big.tmx");
    std::vector<std::wstring> sources;
    for (int i = 0; i < 20000; ++i)
        sources.push_back(L"unit " + std::to_wstring(i) + L" holds word" + std::to_wstring(i % 977));
    ASSERT_TRUE(grouptest::writeText(tmx, grouptest::tmxText(L"en-US", sources, {L"de-DE", L"fr-FR"})));
    for (bool stopFirst : {false, true}) {
        SCOPED_TRACE(stopFirst ? "stopped before the load" : "stopped while the pieces are read");
        const int threadsBefore = testthreads::threadsOfThisProcess();
        std::atomic<bool> stop{stopFirst};
        bool stoppedInPieces = false;
        {
            TmxFile file;
            file.setParallelOptions(pieces(4096));
            file.setStopFlag(&stop);
            file.setStepObserver([&](IndexBuildStep step) {
                if (step == IndexBuildStep::ChunkHandedOver && !stop) {
                    stoppedInPieces = testthreads::threadsOfThisProcess() > threadsBefore;
                    stop = true;
                }
            });
            EXPECT_EQ(file.load(tmx), kLoadIndexFailed);
            EXPECT_EQ(file.entryCount(), 0u);
        }
        if (!stopFirst) {
            EXPECT_TRUE(stoppedInPieces);
        }
        EXPECT_EQ(testthreads::threadsOfThisProcess(), threadsBefore);
        EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"big.tmx"});
    }
}
