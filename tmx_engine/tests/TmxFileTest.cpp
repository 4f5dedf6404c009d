#include "core/util/Win32Handle.h"
#include "core/xml/XmlStream.h"
#include "tmx_engine/Index.h"
#include "tmx_engine/SearchQuery.h"
#include "tmx_engine/SegmentRenderer.h"
#include "tmx_engine/TmxFile.h"
#include "tmx_engine/tests/TmxFileTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using ScratchDir = testfiles::TempDir;

std::string tmxDocument(const std::string& srclang, const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tmx version=\"1.4\">\n<header creationtool=\"t\" srclang=\"" +
           srclang + "\"/>\n<body>\n" + body + "</body>\n</tmx>\n";
}

std::string unit(const std::string& id, const std::string& source, const std::string& target) {
    return "<tu tuid=\"" + id + "\"><tuv xml:lang=\"en-GB\"><seg>" + source + "</seg></tuv><tuv xml:lang=\"de-DE\"><seg>" +
           target + "</seg></tuv></tu>\n";
}

const std::string kSmallTmx = tmxDocument("en-GB", unit("1", "Open the main window", "Hauptfenster öffnen") +
                                                       unit("2", "Close the main window", "Hauptfenster schließen") +
                                                       unit("3", "Save the file", "Datei speichern"));

// A folder with one TMX file whose index was built by a first load.
class IndexedTmx : public ::testing::Test {
public:
    void SetUp() override {
        tmx_ = dir_.file(L"memory.tmx");
        idx_ = tmx_ + L".idx";
        ASSERT_TRUE(testfiles::writeText(tmx_, kSmallTmx));
        TmxFile first;
        ASSERT_EQ(first.load(tmx_), kLoaded);
        ASSERT_EQ(first.entryCount(), 3u);
        fresh_ = testfiles::readText(idx_);
        ASSERT_GT(fresh_.size(), 4096u);
        ASSERT_TRUE(tmxtest::getWriteTime(tmx_, tmxTime_));
    }

    // The TMX file as the first load saw it, its write time included.
    void restoreTmx() {
        ASSERT_TRUE(testfiles::writeText(tmx_, kSmallTmx));
        ASSERT_TRUE(tmxtest::setWriteTime(tmx_, tmxTime_));
    }

    std::string idxBytes() const { return testfiles::readText(idx_); }

    ScratchDir dir_;
    std::wstring tmx_;
    std::wstring idx_;
    std::string fresh_;
    FILETIME tmxTime_ = {};
};

void putU32(std::string& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

uint32_t getU32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
    return value;
}

// Offset of E in an index: past the language records and the six header fields.
size_t entryCountOffset(const std::string& bytes) {
    size_t at = 30;
    const uint32_t languages = getU32(bytes, at);
    at += 4;
    auto skipString = [&] { at += 2 + 2 * (static_cast<uint8_t>(bytes[at]) | (static_cast<uint8_t>(bytes[at + 1]) << 8)); };
    for (uint32_t i = 0; i < languages; ++i) {
        skipString();
        at += 2;
    }
    skipString();
    skipString();
    skipString();
    at += 8;
    skipString();
    skipString();
    return at;
}

TEST_F(IndexedTmx, LoadCodesOverMutationsOfAValidIndex) {
    enum class After { Reused, Rebuilt, Untouched, Refreshed };
    struct Case {
        const char* name;
        std::function<void(IndexedTmx&)> mutate;
        LoadCode code;
        After after;
    };
    const Case cases[] = {
        {"current", [](IndexedTmx&) {}, kLoaded, After::Reused},
        {"stale stored date",
         [](IndexedTmx& t) {
             std::string b = t.fresh_;
             b[14] = static_cast<char>(b[14] ^ 1);  // another year
             testfiles::writeText(t.idx_, b);
         },
         kLoaded, After::Rebuilt},
        {"touched TMX", [](IndexedTmx& t) { tmxtest::shiftWriteTime(t.tmx_, 10); }, kLoaded, After::Refreshed},
        {"foreign version",
         [](IndexedTmx& t) {
             std::string b = t.fresh_;
             putU32(b, 10, 0x00010002);
             testfiles::writeText(t.idx_, b);
         },
         kLoadIndexOfOtherFormat, After::Untouched},
        {"no magic", [](IndexedTmx& t) { testfiles::writeText(t.idx_, std::string(5000, 'x')); },
         kLoadIndexOfOtherFormat, After::Untouched},
        {"empty index", [](IndexedTmx& t) { testfiles::writeText(t.idx_, std::string()); }, kLoaded, After::Rebuilt},
        {"cut after the header",
         [](IndexedTmx& t) { testfiles::writeText(t.idx_, t.fresh_.substr(0, 200)); }, kLoaded, After::Rebuilt},
        {"cut inside the nodes",
         [](IndexedTmx& t) { testfiles::writeText(t.idx_, t.fresh_.substr(0, t.fresh_.size() - 20)); }, kLoaded,
         After::Rebuilt},
        {"entry count past the end",
         [](IndexedTmx& t) {
             std::string b = t.fresh_;
             putU32(b, entryCountOffset(b), 0x10000000);
             testfiles::writeText(t.idx_, b);
         },
         kLoaded, After::Rebuilt},
        {"bucket root outside the file",
         [](IndexedTmx& t) {
             std::string b = t.fresh_;
             const size_t at = entryCountOffset(b);
             const size_t buckets = ((at + 4 + 7) / 8) * 8 + 8 * 3;
             for (size_t i = 0; i < 1024; ++i) {
                 if (getU32(b, buckets + 4 * i) != 0)
                     putU32(b, buckets + 4 * i, 0x7FFFFFF0);
             }
             testfiles::writeText(t.idx_, b);
         },
         kLoaded, After::Rebuilt},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testfiles::writeText(idx_, fresh_);
        restoreTmx();
        c.mutate(*this);
        const std::string before = idxBytes();
        // An old write time marks whether the load wrote the index again.
        FILETIME old = {0x12345678, 0x01D00000};
        ASSERT_TRUE(tmxtest::setWriteTime(idx_, old));

        TmxFile file;
        EXPECT_EQ(file.load(tmx_), c.code);
        FILETIME now;
        ASSERT_TRUE(tmxtest::getWriteTime(idx_, now));
        const bool written = CompareFileTime(&now, &old) != 0;
        const std::string after = idxBytes();
        switch (c.after) {
        case After::Reused:
            EXPECT_FALSE(written);
            EXPECT_EQ(after, before);
            EXPECT_EQ(file.entryCount(), 3u);
            break;
        case After::Rebuilt:
            EXPECT_TRUE(written);
            EXPECT_EQ(after, fresh_);
            EXPECT_EQ(file.entryCount(), 3u);
            break;
        case After::Refreshed:
            // The same index but for the new TMX date.
            EXPECT_TRUE(written);
            EXPECT_EQ(after.size(), fresh_.size());
            EXPECT_NE(after.substr(14, 8), fresh_.substr(14, 8));
            EXPECT_EQ(after.substr(22), fresh_.substr(22));
            break;
        case After::Untouched:
            EXPECT_FALSE(written);
            EXPECT_EQ(after, before);
            EXPECT_EQ(file.entryCount(), 0u);
            EXPECT_EQ(file.fileCount(), 0);
            break;
        }
        if (c.code == kLoaded) {
            // What was written is current: a fresh object reuses it.
            TmxFile again;
            EXPECT_EQ(again.load(tmx_), kLoaded);
            EXPECT_EQ(testfiles::readText(idx_), after);
        }
    }
}

TEST_F(IndexedTmx, SecondLoadOfOneObjectReturnsTwo) {
    TmxFile file;
    EXPECT_EQ(file.loadProgress(), 0);
    EXPECT_EQ(file.load(tmx_), kLoaded);
    EXPECT_EQ(file.load(tmx_), kAlreadyLoaded);
    EXPECT_EQ(file.loadProgress(), 0);
    EXPECT_EQ(file.entryCount(), 3u);
}

TEST_F(IndexedTmx, AnIndexPathThatIsAFolderFailsWithoutHarm) {
    DeleteFileW(idx_.c_str());
    ASSERT_TRUE(CreateDirectoryW(idx_.c_str(), nullptr));
    TmxFile file;
    EXPECT_EQ(file.load(tmx_), kLoadIndexFailed);
    EXPECT_EQ(GetFileAttributesW(idx_.c_str()) & FILE_ATTRIBUTE_DIRECTORY, DWORD(FILE_ATTRIBUTE_DIRECTORY));
    RemoveDirectoryW(idx_.c_str());
}

// A write that cannot finish (here the finished file cannot replace the old index, which another
// program holds open) fails the load and leaves the index that was there, stale as it is, and no
// temporary file; the next load rebuilds it.
TEST_F(IndexedTmx, AFailedIndexWriteLeavesTheOldIndexInPlace) {
    std::string stale = fresh_;
    stale[14] = static_cast<char>(stale[14] ^ 1);
    ASSERT_TRUE(testfiles::writeText(idx_, stale));
    {
        Win32Handle holder(CreateFileW(idx_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(holder.valid());
        TmxFile file;
        EXPECT_EQ(file.load(tmx_), kLoadIndexFailed);
        EXPECT_EQ(file.entryCount(), 0u);
    }
    EXPECT_EQ(idxBytes(), stale);
    EXPECT_EQ(dir_.names().size(), 2u);

    TmxFile file;
    EXPECT_EQ(file.load(tmx_), kLoaded);
    EXPECT_EQ(idxBytes(), fresh_);
    EXPECT_EQ(dir_.names().size(), 2u);
}

// Loads that must fail and leave no index (nor a temporary one) behind.
TEST(TmxFileTest, FailedIndexingLeavesNoIndex) {
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"not well-formed", tmxDocument("en-GB", unit("1", "a b c", "x y")) + "<tu <<"},
        // The declared UTF-8 breaks in the middle of the body: a decoding error must not pass
        // for the end of the file.
        {"undecodable bytes", tmxDocument("en-GB", unit("1", "one two three", "eins zwei") + unit("2", "bad \xFF\xFE byte", "x") +
                                                       unit("3", "after the damage", "danach"))},
        {"four-byte sequence cut off", tmxDocument("en-GB", unit("1", "one two", "eins")).substr(0, 150) + "\xF0\x9F"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        const std::wstring tmx = dir.file(L"bad.tmx");
        ASSERT_TRUE(testfiles::writeText(tmx, c.bytes));
        TmxFile file;
        EXPECT_EQ(file.load(tmx), kLoadIndexFailed);
        EXPECT_EQ(file.entryCount(), 0u);
        EXPECT_EQ(dir.names(), std::vector<std::wstring>{L"bad.tmx"});
    }
}

// A file named .tmx that holds no TMX document is refused, not taken for an empty memory; a
// real one with nothing in its body still opens. Read in one pass and in pieces alike.
TEST(TmxFileTest, OnlyADocumentWithATmxRootOpens) {
    const struct {
        const char* name;
        std::string bytes;
        LoadCode code;
    } cases[] = {
        {"plain text", "Open the main window\nClose the main window\n", kLoadIndexFailed},
        {"zero bytes", "", kLoadIndexFailed},
        {"HTML page", "<!DOCTYPE html>\n<html><head><title>Memory</title></head>\n<body><p>Open the "
                      "main window</p></body></html>\n", kLoadIndexFailed},
        {"another root", "<?xml version=\"1.0\"?>\n<notmx/>\n", kLoadIndexFailed},
        {"tmx below another root", "<doc>" + tmxDocument("en-GB", unit("1", "a b", "c d")) + "</doc>",
         kLoadIndexFailed},
        {"empty body", tmxDocument("en-GB", ""), kLoaded},
    };
    for (const auto& c : cases) {
        for (bool pieces : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (pieces ? ", in pieces" : ", one pass"));
            ScratchDir dir;
            const std::wstring tmx = dir.file(L"m.tmx");
            ASSERT_TRUE(testfiles::writeText(tmx, c.bytes));
            TmxFile file;
            if (pieces) {
                ParallelTmxParser::Options options;
                options.pieceBytes = 64;
                options.threads = 3;
                options.minFileBytes = 0;
                file.setParallelOptions(options);
            }
            EXPECT_EQ(file.load(tmx), c.code);
            EXPECT_EQ(file.entryCount(), 0u);
            EXPECT_EQ(testfiles::exists(tmx + L".idx"), c.code == kLoaded);
            EXPECT_EQ(testfiles::readText(tmx), c.bytes);
        }
    }
}

TEST(TmxFileTest, MissingTmxFileReturnsFour) {
    ScratchDir dir;
    TmxFile file;
    EXPECT_EQ(file.load(dir.file(L"absent.tmx")), kLoadIndexFailed);
    EXPECT_TRUE(dir.names().empty());
}

TEST(TmxFileTest, FileOfTwoGigabytesIsRefusedBeforeIndexing) {
    ScratchDir dir;
    const std::wstring tmx = dir.file(L"huge.tmx");
    ASSERT_TRUE(testfiles::writeText(tmx, kSmallTmx));
    // Sparse where the file system allows it: only the size matters.
    HANDLE h = CreateFileW(tmx.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    size.QuadPart = 0x80000000LL;
    ASSERT_TRUE(SetFilePointerEx(h, size, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(h));
    CloseHandle(h);

    TmxFile file;
    EXPECT_EQ(file.load(tmx), kLoadCannotMap);
    EXPECT_EQ(dir.names(), std::vector<std::wstring>{L"huge.tmx"});
}

TEST(TmxFileTest, ATmxWithoutIndexedSegmentsLoadsEmpty) {
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"srclang en-US, source tuv en-GB", tmxDocument("en-US", unit("1", "a b", "c d"))},
        {"srclang *all*", tmxDocument("*all*", unit("1", "a b", "c d"))},
        {"no body", tmxDocument("en-GB", "")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        const std::wstring tmx = dir.file(L"m.tmx");
        ASSERT_TRUE(testfiles::writeText(tmx, c.bytes));
        TmxFile file;
        EXPECT_EQ(file.load(tmx), kLoaded);
        EXPECT_EQ(file.entryCount(), 0u);
        EXPECT_EQ(file.readEntry(0), nullptr);
        EXPECT_TRUE(testfiles::exists(tmx + L".idx"));
    }
}

TEST(TmxFileTest, ReadEntryNeedsTheWholeUnit) {
    // Unit 2 never closes: it runs into unit 3, whose tuvs it must not take for its own. The
    // file then ends inside unit 4.
    const std::string bytes = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tmx version=\"1.4\">\n"
                              "<header srclang=\"en-GB\"/>\n<body>\n" +
                              unit("1", "first unit", "erste") +
                              "<tu tuid=\"2\"><tuv xml:lang=\"en-GB\"><seg>second unit</seg></tuv>"
                              "<tuv xml:lang=\"de-DE\"><seg>zweite</seg></tuv>\n" +
                              unit("3", "third unit", "dritte") +
                              "<tu tuid=\"4\"><tuv xml:lang=\"en-GB\"><seg>fourth unit</seg></tuv>"
                              "<tuv xml:lang=\"de-DE\"><seg>vierte</seg></tuv>";
    ScratchDir dir;
    const std::wstring tmx = dir.file(L"cut.tmx");
    ASSERT_TRUE(testfiles::writeText(tmx, bytes));
    TmxFile file;
    ASSERT_EQ(file.load(tmx), kLoaded);
    // The tu inside the open tu 2 is ignored while indexing: its entry carries tu 2's offset.
    ASSERT_EQ(file.entryCount(), 4u);
    ASSERT_NE(file.readEntry(0), nullptr);
    EXPECT_EQ(file.readEntry(0)->tuid, L"1");
    EXPECT_EQ(file.readEntry(1), nullptr);
    EXPECT_EQ(file.readEntry(2), nullptr);
    EXPECT_EQ(file.readEntry(3), nullptr);
    EXPECT_EQ(file.readEntry(1), nullptr);  // no cached failure: a later call tries again
}

TEST(TmxFileTest, ReadEntryOfBytesThatNoLongerDecodeIsNone) {
    ScratchDir dir;
    const std::wstring tmx = dir.file(L"m.tmx");
    std::string bytes = kSmallTmx;
    ASSERT_TRUE(testfiles::writeText(tmx, bytes));
    {
        TmxFile file;
        ASSERT_EQ(file.load(tmx), kLoaded);
    }
    // Damage the second unit in place and put the old write time back, so the index is taken
    // as current.
    FILETIME time;
    ASSERT_TRUE(tmxtest::getWriteTime(tmx, time));
    const size_t at = bytes.find("Close");
    bytes[at + 1] = '\xFF';
    ASSERT_TRUE(testfiles::writeText(tmx, bytes));
    ASSERT_TRUE(tmxtest::setWriteTime(tmx, time));

    TmxFile file;
    ASSERT_EQ(file.load(tmx), kLoaded);
    ASSERT_NE(file.readEntry(0), nullptr);
    EXPECT_EQ(file.readEntry(1), nullptr);
    ASSERT_NE(file.readEntry(2), nullptr);
    EXPECT_EQ(file.readEntry(2)->tuid, L"3");
}

// Entry offsets are byte offsets of the file, whatever the encoding: a UTF-16 file's entries are
// read back from the mapped bytes at the offsets the indexing pass recorded.
TEST(TmxFileTest, EntriesOfUtf16FilesAreReadAtTheirByteOffsets) {
    const std::wstring text = testfiles::fromUtf8(kSmallTmx);
    for (bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "UTF-16BE" : "UTF-16LE");
        std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (wchar_t unit : text) {
            const char high = static_cast<char>((unit >> 8) & 0xFF);
            const char low = static_cast<char>(unit & 0xFF);
            bytes += bigEndian ? high : low;
            bytes += bigEndian ? low : high;
        }
        ScratchDir dir;
        const std::wstring tmx = dir.file(L"wide.tmx");
        ASSERT_TRUE(testfiles::writeText(tmx, bytes));
        TmxFile file;
        ASSERT_EQ(file.load(tmx), kLoaded);
        ASSERT_EQ(file.entryCount(), 3u);
        const size_t third = text.find(L"<tu tuid=\"3\"");
        EXPECT_EQ(file.entryOffset(2), 2 + 2 * third);
        const TmxEntry* entry = file.readEntry(2);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->tuid, L"3");
        const Segment& german = findSegment(*entry, L"de-DE").segment;
        ASSERT_EQ(german.size(), 3u);
        EXPECT_EQ(german[0].text, L"Datei");
        EXPECT_EQ(german[2].text, L"speichern");
    }
}

TEST_F(IndexedTmx, SearchGoesToTheIndexWithTheLanguageNormalised) {
    TmxFile file;
    bool strong = true;
    SearchResults results;
    const SearchQuery query = SearchQuery::split(L"main window", SearchQuery::budgetMaximum(25));
    EXPECT_EQ(file.search(L"de-DE", query.includeWords, query.excludeWords, query.perWordBudget, strong, results), 0);
    ASSERT_EQ(file.load(tmx_), kLoaded);

    strong = false;
    EXPECT_EQ(file.search(L" DE-de ", query.includeWords, query.excludeWords, query.perWordBudget, strong, results), 2);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_TRUE(strong);
    EXPECT_EQ(results[0].entryId + results[1].entryId, 1u);  // units 1 and 2

    SearchResults none;
    EXPECT_EQ(file.search(L"fr-FR", query.includeWords, query.excludeWords, query.perWordBudget, strong, none), 0);
    EXPECT_TRUE(none.empty());
}

// Software messages are wrapped with line feeds: a word at a line's end or start is found like any
// other, alone and in a pair with the word on the next line.
TEST(TmxFileTest, WordsAtLineBreaksAreFound) {
    const std::string bytes = tmxDocument(
        "en-GB", unit("1", "List the applications\nfor this user", "Anwendungen\nauflisten") +
                     unit("2", "Run the tests&#13;&#10;again", "Tests erneut\r\nausf\xC3\xBChren") +
                     unit("3", "first\xE2\x80\xA8second line", "erste\xE2\x80\xA9zweite Zeile") +
                     unit("4", "no breaks at all", "keine"));
    ScratchDir dir;
    const std::wstring tmx = dir.file(L"lines.tmx");
    ASSERT_TRUE(testfiles::writeText(tmx, bytes));
    TmxFile file;
    ASSERT_EQ(file.load(tmx), kLoaded);
    ASSERT_EQ(file.entryCount(), 4u);
    const struct {
        const wchar_t* query;
        const wchar_t* language;
        const wchar_t* tuids;
    } cases[] = {
        {L"applications", L"de-DE", L"1"},
        {L"applications for", L"de-DE", L"1"},
        {L"for", L"de-DE", L"1"},
        {L"tests again", L"de-DE", L"2"},
        {L"again", L"de-DE", L"2"},
        {L"first", L"de-DE", L"3"},
        {L"second", L"de-DE", L"3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(c.query)));
        const SearchQuery query = SearchQuery::split(c.query, SearchQuery::budgetMaximum(25));
        bool strong = false;
        SearchResults results;
        file.search(c.language, query.includeWords, query.excludeWords, query.perWordBudget, strong, results);
        std::wstring tuids;
        for (const SearchResult& r : results) {
            const TmxEntry* entry = file.readEntry(r.entryId);
            ASSERT_NE(entry, nullptr);
            tuids += (tuids.empty() ? L"" : L" ") + entry->tuid;
        }
        EXPECT_EQ(tuids, c.tuids);
    }
    // The entry keeps the line breaks as they stand in the file.
    const TmxEntry* second = file.readEntry(1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(renderSegmentText(findSegment(*second, L"en-GB").segment, false, false), L"Run the tests\r\nagain");
}

// A memory without a declaration whose text beyond ASCII is all three-byte sequences (Japanese)
// is UTF-8: its entries read as their bytes spell them and a search finds the units whose
// English holds the words. The memory is made from the units of a real Japanese document.
TEST(TmxFileTest, AJapaneseMemoryWithoutADeclarationReadsAndSearchesAsUtf8) {
    const std::string document = testfiles::readText(testfiles::sharedPath(L"fuzz-found/documents/noenc-grep-en-ja.xlf"));
    if (document.empty()) {
        std::printf("SKIPPED: no ../shared/fuzz-found/documents/noenc-grep-en-ja.xlf\n");
        GTEST_SKIP() << "no real Japanese document";
    }
    const auto contentOf = [&](const char* tag, size_t from, size_t& next) {
        const size_t at = document.find(std::string("<") + tag, from);
        const size_t start = document.find('>', at) + 1;
        const size_t end = document.find(std::string("</") + tag + ">", start);
        next = end;
        return document.substr(start, end - start);
    };
    std::string body;
    std::vector<std::string> english;
    std::vector<std::string> japanese;
    for (size_t at = document.find("<trans-unit"); at != std::string::npos; at = document.find("<trans-unit", at)) {
        const std::string source = contentOf("source", at, at);
        const std::string target = contentOf("target", at, at);
        if (target.empty())
            continue;
        english.push_back(source);
        japanese.push_back(target);
        body += "<tu tuid=\"" + std::to_string(japanese.size()) + "\"><tuv xml:lang=\"en-US\"><seg>" + source +
                "</seg></tuv><tuv xml:lang=\"ja\"><seg>" + target + "</seg></tuv></tu>\n";
    }
    ASSERT_GT(japanese.size(), 50u);
    ScratchDir dir;
    const std::wstring tmx = dir.file(L"ja.tmx");
    ASSERT_TRUE(testfiles::writeText(tmx, "<tmx version=\"1.4\">\n<header creationtool=\"t\" srclang=\"en-US\"/>\n<body>\n" +
                                              body + "</body>\n</tmx>\n"));
    auto owned = std::make_unique<TmxFile>();
    TmxFile& file = *owned;
    ASSERT_EQ(file.load(tmx), 1);
    ASSERT_EQ(file.entryCount(), japanese.size());
    const auto japaneseReadsRight = [&](size_t i) {
        if (japanese[i].find_first_of("&<\r") != std::string::npos)
            return;
        const TmxEntry* entry = file.readEntry(static_cast<uint32_t>(i));
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(renderSegmentText(findSegment(*entry, L"ja").segment, false, false), testfiles::fromUtf8(japanese[i]))
            << "unit " << i + 1;
    };
    for (size_t i = 0; i < japanese.size(); ++i)
        japaneseReadsRight(i);

    // The hits are the units whose English holds every word, by a plain scan of the text.
    const struct {
        const char* query;
        std::vector<std::string> words;
    } queries[] = {
        {"invalid", {"invalid"}},
        {"invalid character", {"invalid", "character"}},
        {"back reference", {"back", "reference"}},
    };
    for (const auto& q : queries) {
        const char* words = q.query;
        SCOPED_TRACE(words);
        std::wstring scanned;
        for (size_t i = 0; i < english.size(); ++i) {
            std::string lowered = english[i];
            for (char& c : lowered)
                c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
            bool holdsAll = true;
            for (const std::string& word : q.words)
                holdsAll = holdsAll && lowered.find(word) != std::string::npos;
            if (holdsAll)
                scanned += (scanned.empty() ? L"" : L" ") + std::to_wstring(i + 1);
        }
        ASSERT_FALSE(scanned.empty());
        const SearchQuery query = SearchQuery::split(testfiles::fromUtf8(words), SearchQuery::budgetMaximum(100));
        bool strong = false;
        SearchResults results;
        file.search(L"ja", query.includeWords, query.excludeWords, query.perWordBudget, strong, results);
        std::vector<uint32_t> ids;
        for (const SearchResult& r : results) {
            ids.push_back(r.entryId);
            japaneseReadsRight(r.entryId);
        }
        std::sort(ids.begin(), ids.end());
        std::wstring found;
        for (uint32_t id : ids)
            found += (found.empty() ? L"" : L" ") + std::to_wstring(id + 1);
        EXPECT_EQ(found, scanned);
    }

    // An index an earlier build made of this memory read as ANSI (the encoding word after the
    // magic, the version and the date says 1) is built again, though its date is current.
    owned.reset();
    const std::wstring indexPath = tmx + L".idx";
    std::string index = testfiles::readText(indexPath);
    const size_t encodingAt = sizeof IndexFormat::kMagic + 4 + 8;
    ASSERT_GT(index.size(), encodingAt + 4);
    ASSERT_EQ(index[encodingAt], char(kXmlEncodingUtf8));
    index[encodingAt] = char(kXmlEncodingAnsi);
    ASSERT_TRUE(testfiles::writeText(indexPath, index));
    TmxFile reopened;
    ASSERT_EQ(reopened.load(tmx), 1);
    EXPECT_EQ(testfiles::readText(indexPath)[encodingAt], char(kXmlEncodingUtf8));
    for (size_t i = 0; i < japanese.size(); ++i) {
        if (japanese[i].find_first_of("&<\r") != std::string::npos)
            continue;
        const TmxEntry* entry = reopened.readEntry(static_cast<uint32_t>(i));
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(renderSegmentText(findSegment(*entry, L"ja").segment, false, false), testfiles::fromUtf8(japanese[i]))
            << "unit " << i + 1 << " after the rebuild";
    }
}

} // namespace
