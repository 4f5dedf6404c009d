#include "core/tests/TestFiles.h"
#include "filter_tool/TmxFilter.h"
#include "filter_tool/tests/FilterTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Units with what a copy has to carry over exactly: kept and dropped variants, props and notes,
// comments, CDATA, references, inline tags, a unit with one variant only, an empty unit.
std::wstring body(int count) {
    std::wstring text;
    for (int i = 0; i < count; ++i) {
        const std::wstring n = std::to_wstring(i);
        switch (i % 5) {
        case 0:
            text += L"<tu tuid=\"" + n + L"\"><prop type=\"x\">p" + n + L"</prop><tuv xml:lang=\"en-US\"><seg>One &amp; "
                    L"<ph x=\"1\"/> two " + n + L"</seg></tuv><tuv xml:lang=\"de-DE\"><seg>Eins \u00FC</seg></tuv>"
                    L"<tuv xml:lang=\"fr-FR\"><seg>un</seg></tuv></tu>\n";
            break;
        case 1:
            text += L"<!-- between " + n + L" -->\n<tu><note>n</note><tuv xml:lang=\"en-US\"><seg><![CDATA[a <b> c]]>"
                    L"</seg></tuv><tuv xml:lang=\"it-IT\"><seg>i</seg></tuv></tu>\n";
            break;
        case 2:
            text += L"<tu\n  tuid=\"" + n + L"\"><tuv xml:lang=\"de-DE\"><seg>nur <g id=\"1\">deutsch</g></seg></tuv></tu>\n";
            break;
        case 3:
            text += L"<tu/><tu><tuv xml:lang=\"EN-us\"><seg>&#x1F600; &lt;x&gt;</seg></tuv><tuv xml:lang=\"de-de\">"
                    L"<seg>d</seg></tuv></tu>\n";
            break;
        default:
            text += L"<tu><tuv xml:lang=\"en-US\"><seg>plain " + n + L"</seg></tuv><tuv xml:lang=\"de-DE\"><seg>schlicht"
                    L"</seg></tuv></tu>\n";
            break;
        }
    }
    return text;
}

std::wstring document(const std::wstring& units) {
    return L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tmx version=\"1.4\">\n<header creationtool=\"t\" "
           L"srclang=\"en-US\"/>\n<body>\n" + units + L"</body>\n</tmx>\n";
}

std::string utf16le(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

struct Case {
    const char* name;
    std::string bytes;
};

std::vector<Case> cases() {
    const std::wstring units = body(30);
    std::vector<Case> result = {
        {"UTF-8", filtertest::utf8(document(units))},
        {"UTF-16LE", utf16le(document(units))},
        {"one unit", filtertest::utf8(document(body(1)))},
        {"a tu tag in a comment", filtertest::utf8(document(units + L"<!-- <tu> -->\n" + units))},
        {"a tu tag in CDATA", filtertest::utf8(document(units + L"<tu><tuv xml:lang=\"en-US\"><seg><![CDATA[<tu>]]>"
                                                                L"</seg></tuv></tu>\n" + units))},
        {"a unit never closed", filtertest::utf8(document(units + L"<tu><tuv xml:lang=\"en-US\"><seg>x</seg></tuv>\n" + units))},
        {"a file cut off in a unit", filtertest::utf8(L"<?xml version=\"1.0\"?><tmx><header srclang=\"en-US\"/><body>" + units +
                                                      L"<tu><tuv xml:lang=\"en-US\"><seg>cut")},
        {"a file cut off after a unit", filtertest::utf8(L"<tmx><header srclang=\"en-US\"/><body>" + units)},
    };
    std::string damaged = filtertest::utf8(document(units + units));
    damaged.insert(damaged.find("<seg>", damaged.size() / 2) + 5, "\xC3(");
    result.push_back({"a byte that is no UTF-8", damaged});
    return result;
}

TmxFilterThreads threads(uint32_t count, uint32_t pieceBytes) {
    TmxFilterThreads threading;
    threading.threads = count;
    threading.pieceBytes = pieceBytes;
    threading.minFileBytes = 0;
    return threading;
}

} // namespace

// Read in pieces on several threads, a file is copied byte for byte as one pass copies it, with
// the same result, the same error and its position, whatever the size of the pieces; the
// progress only rises.
TEST(TmxFilterPiecesTest, PiecesCopyWhatOnePassCopies) {
    testfiles::TempDir folder;
    const std::wstring input = folder.file(L"in.tmx");
    for (const Case& c : cases()) {
        ASSERT_TRUE(testfiles::writeText(input, c.bytes));
        for (const wchar_t* target : {L"de-DE", L""}) {
            for (bool removeProps : {false, true}) {
                filtertest::MemorySink one;
                const TmxFilterResult expected = filterTmxInto(input, one, target, removeProps, {}, threads(1, 0));
                for (uint32_t pieceBytes : {1u, 200u, 4096u}) {
                    SCOPED_TRACE(std::string(c.name) + ", target " + filtertest::utf8(target) +
                                 (removeProps ? ", no props" : "") + ", pieces of " + std::to_string(pieceBytes));
                    filtertest::MemorySink pieces;
                    std::vector<unsigned> percents;
                    const TmxFilterResult got = filterTmxInto(input, pieces, target, removeProps,
                                                              [&](unsigned p) { percents.push_back(p); },
                                                              threads(3, pieceBytes));
                    EXPECT_TRUE(pieces.bytes == one.bytes);
                    EXPECT_EQ(got.errorCode, expected.errorCode);
                    EXPECT_EQ(got.errorPosition, expected.errorPosition);
                    EXPECT_EQ(got.errorMessage, expected.errorMessage);
                    EXPECT_EQ(got.unitsWritten, expected.unitsWritten);
                    EXPECT_EQ(got.outputBytes, expected.outputBytes);
                    for (size_t i = 1; i < percents.size(); ++i)
                        EXPECT_GT(percents[i], percents[i - 1]);
                }
            }
        }
    }
}
