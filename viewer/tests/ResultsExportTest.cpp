#include "core/l10n/Localization.h"
#include "core/tests/TestFiles.h"
#include "core/util/ByteSink.h"
#include "tmx_engine/TmxFile.h"
#include "viewer/ExportResultsJob.h"
#include "viewer/ResultsExportWriter.h"
#include "viewer/tests/FakeProvider.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class MemorySink : public ByteSink {
public:
    std::string bytes;
    size_t limit = static_cast<size_t>(-1); // refuses every block once this many bytes were taken
    bool writeBytes(const char* data, size_t size) override {
        if (bytes.size() + size > limit)
            return false;
        bytes.append(data, size);
        return true;
    }
};

std::vector<SearchResult> resultsFor(const std::vector<uint32_t>& ids) {
    std::vector<SearchResult> results;
    for (uint32_t id : ids)
        results.push_back(SearchResult{0, id});
    return results;
}

// The fixture copied into a scratch folder (its index is written beside it) and opened.
class FixtureTmx : public ::testing::Test {
public:
    void SetUp() override {
        path_ = dir_.file(L"memory.tmx");
        ASSERT_TRUE(testfiles::writeText(path_, testfiles::readText(testfiles::dataPath(L"results.tmx"))));
        ASSERT_EQ(file_.load(path_), kLoaded);
        ASSERT_EQ(file_.entryCount(), 3u);
    }

    std::string write(ExportFormat format, const std::vector<uint32_t>& ids) {
        const std::vector<SearchResult> results = resultsFor(ids);
        ResultsExportInput input;
        input.provider = &file_;
        input.targetLanguage = L"de-DE";
        input.results = &results;
        input.now = parsePackedDate(L"20261210T140000Z");
        MemorySink sink;
        EXPECT_TRUE(writeResults(format, sink, input, nullptr));
        return sink.bytes;
    }

    testfiles::TempDir dir_;
    std::wstring path_;
    TmxFile file_;
};

const char kExpectedTmx[] =
    u8"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
    u8"<tmx version=\"1.4\">\r\n"
    u8"  <header creationdate=\"20261210T140000Z\" creationtool=\"Varnel Pro\" creationtoolversion=\"1.2\" "
    u8"datatype=\"xml\" segtype=\"sentence\" o-tmf=\"Varnel\" adminlang=\"en\" srclang=\"en-GB\"></header>\r\n"
    u8"  <body>\r\n"
    u8"    <tu changeid=\"\" "
    u8"creationid=\"x&lt;y&gt;\" srclang=\"en-GB\" tuid=\"a&quot;b&amp;c&lt;d\">\r\n"
    u8"      <tuv xml:lang=\"en-GB\">\r\n"
    u8"        <seg>Press <ph type=\"x-LPH\" x=\"1\"/> then <g id=\"2\">save &amp; close</g> file</seg>\r\n"
    u8"      </tuv>\r\n"
    u8"      <tuv xml:lang=\"de-DE\">\r\n"
    u8"        <seg>Drücken Sie <ph type=\"x-LPH\" x=\"1\"/> \xF0\x9F\x98\x80 Datei</seg>\r\n"
    u8"      </tuv>\r\n"
    u8"    </tu>\r\n"
    u8"    <tu changedate=\"20240203T040506Z\" changeid=\"ben\" creationdate=\"20240102T030405Z\" "
    u8"creationid=\"anna\" srclang=\"en-GB\" tuid=\"1\">\r\n"
    u8"      <tuv xml:lang=\"en-GB\">\r\n"
    u8"        <seg>Open the file</seg>\r\n"
    u8"      </tuv>\r\n"
    u8"      <tuv xml:lang=\"de-DE\">\r\n"
    u8"        <seg>Datei öffnen</seg>\r\n"
    u8"      </tuv>\r\n"
    u8"    </tu>\r\n"
    u8"    <tu changeid=\"\" "
    u8"creationid=\"\" srclang=\"en-GB\" tuid=\"3\">\r\n"
    u8"      <tuv xml:lang=\"en-GB\">\r\n"
    u8"        <seg>Only the source file</seg>\r\n"
    u8"      </tuv>\r\n"
    u8"      <tuv xml:lang=\"de-DE\">\r\n"
    u8"        <seg></seg>\r\n"
    u8"      </tuv>\r\n"
    u8"    </tu>\r\n"
    u8"  </body>\r\n"
    u8"</tmx>\r\n";

const char kExpectedText[] =
    u8"Press {1} then save & close file\tDrücken Sie {1} \xF0\x9F\x98\x80 Datei\r\n"
    u8"Open the file\tDatei öffnen\r\n"
    u8"Only the source file\t\r\n";

// Attribute values are escaped, the character beyond U+FFFF is one four-byte sequence, and a unit
// without the target language gets an empty segment (an empty field in text).
TEST_F(FixtureTmx, WritesTmxAndTextByteForByte) {
    EXPECT_EQ(write(ExportFormat::Tmx, {1, 0, 2}), kExpectedTmx);
    EXPECT_EQ(write(ExportFormat::Text, {1, 0, 2}), kExpectedText);
}

TEST_F(FixtureTmx, ExportOpensAgainWithTheSameEntries) {
    const std::wstring out = dir_.file(L"export.tmx");
    ExportResultsJob job(out, L"de-DE", resultsFor({0, 1, 2}), &file_);
    job.run();
    ASSERT_FALSE(job.failed());
    EXPECT_EQ(job.entriesWritten(), 3u);

    TmxFile again;
    ASSERT_EQ(again.load(out), kLoaded);
    ASSERT_EQ(again.entryCount(), 3u);
    EXPECT_EQ(again.sourceLanguage().srcLang, L"en-GB");
    for (uint32_t id = 0; id < 3; ++id) {
        SCOPED_TRACE(id);
        const TmxEntry* before = file_.readEntry(id);
        const TmxEntry* after = again.readEntry(id);
        ASSERT_TRUE(before && after);
        EXPECT_EQ(after->tuid, before->tuid);
        EXPECT_EQ(after->creationId, before->creationId);
        EXPECT_EQ(after->changeId, before->changeId);
        EXPECT_TRUE(after->creationDate.equals(before->creationDate));
        EXPECT_TRUE(after->changeDate.equals(before->changeDate));
        EXPECT_EQ(findSegment(*after, L"en-GB").segment, findSegment(*before, L"en-GB").segment);
        EXPECT_EQ(findSegment(*after, L"de-DE").segment, findSegment(*before, L"de-DE").segment);
    }
}

TEST_F(FixtureTmx, FormatFollowsTheNameInAnyCase) {
    const struct {
        const wchar_t* name;
        bool tmx;
    } cases[] = {
        {L"Results.TMX", true}, {L"r.tmx", true}, {L"results.tmx.txt", false}, {L"results", false},
        {L"results.txt", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(c.name)));
        const std::wstring out = dir_.file(c.name);
        ASSERT_TRUE(testfiles::writeText(out, std::string(100000, 'x'))); // replaced whole
        ExportResultsJob job(out, L"de-DE", resultsFor({1, 0, 2}), &file_);
        job.run();
        ASSERT_FALSE(job.failed());
        const std::string written = testfiles::readText(out);
        if (c.tmx) {
            // The same document but for the header's date.
            ASSERT_EQ(written.size(), sizeof kExpectedTmx - 1);
            EXPECT_EQ(written.substr(0, 80), std::string(kExpectedTmx).substr(0, 80));
            EXPECT_EQ(written.substr(100), std::string(kExpectedTmx).substr(100));
        } else {
            EXPECT_EQ(written, kExpectedText);
        }
    }
    EXPECT_FALSE(hasTmxSuffix(L"tmx"));
    EXPECT_FALSE(hasTmxSuffix(L".TMX"));
    EXPECT_TRUE(hasTmxSuffix(L".tmx"));
}

// The header's administrative language is the interface language the export was started in.
TEST_F(FixtureTmx, HeaderNamesTheInterfaceLanguage) {
    Localization& localization = Localization::instance();
    const std::wstring before = localization.currentLanguageName();
    localization.setLanguage(L"Deutsch");
    ASSERT_EQ(localization.currentLanguageCode(), L"de");
    const std::wstring out = dir_.file(L"de.tmx");
    ExportResultsJob job(out, L"de-DE", resultsFor({1}), &file_);
    localization.setLanguage(before.empty() ? std::wstring(L"English") : before);
    job.run();
    ASSERT_FALSE(job.failed());
    const std::string written = testfiles::readText(out);
    EXPECT_NE(written.find(" o-tmf=\"Varnel\" adminlang=\"de\" srclang=\"en-GB\"></header>"), std::string::npos) << written;
}

// A failed export says so and leaves what was there: no new file, no half-written one, no
// temporary file beside it, and the open TMX file untouched.
TEST_F(FixtureTmx, UnwritableTargetReportsAndKeepsTheOldFile) {
    const std::string tmxBefore = testfiles::readText(path_);
    const std::wstring readOnly = dir_.file(L"old.txt");
    ASSERT_TRUE(testfiles::writeText(readOnly, "old contents"));
    ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    const struct {
        const char* name;
        std::wstring target;
    } cases[] = {
        {"missing folder", dir_.file(L"no such folder\\out.tmx")},
        {"read-only file", readOnly},
        {"a folder", dir_.folder(L"sub")},
        {"the open TMX file", path_},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::wstring> namesBefore = dir_.names();
        ExportResultsJob job(c.target, L"de-DE", resultsFor({0, 1}), &file_);
        job.run();
        EXPECT_TRUE(job.failed());
        EXPECT_EQ(dir_.names(), namesBefore);
    }
    EXPECT_EQ(testfiles::readText(readOnly), "old contents");
    EXPECT_EQ(testfiles::readText(path_), tmxBefore);
}

TEST(ResultsExportTest, ProgressSkippedEntriesAndEmptyLists) {
    viewertest::FakeProvider provider;
    const uint32_t good = provider.addEntry(L"one", L"de-DE", L"eins");
    const uint32_t bad = provider.addEntry(L"two", L"de-DE", L"zwei");
    provider.makeUnreadable(bad);

    std::vector<uint32_t> ids(25, good);
    ids[3] = bad;
    const std::vector<SearchResult> results = resultsFor(ids);
    ResultsExportInput input;
    input.provider = &provider;
    input.targetLanguage = L"de-DE";
    input.results = &results;
    std::vector<int> progress;
    MemorySink sink;
    ResultsExportCount count;
    ASSERT_TRUE(writeResults(ExportFormat::Text, sink, input, [&](int p) { progress.push_back(p); }, &count));
    std::vector<int> expected;
    for (int p = 4; p <= 100; p += 4)
        expected.push_back(p);
    EXPECT_EQ(progress, expected); // the unreadable entry still advances it
    EXPECT_EQ(count.entriesWritten, 24u);
    EXPECT_EQ(count.entriesSkipped, 1u);
    std::string line = "one\teins\r\n";
    std::string all;
    for (int i = 0; i < 24; ++i)
        all += line;
    EXPECT_EQ(sink.bytes, all);

    // 300 results share values: each of 1..100 is reported once, in order.
    const std::vector<SearchResult> many = resultsFor(std::vector<uint32_t>(300, good));
    input.results = &many;
    progress.clear();
    MemorySink manySink;
    ASSERT_TRUE(writeResults(ExportFormat::Tmx, manySink, input, [&](int p) { progress.push_back(p); }));
    ASSERT_EQ(progress.size(), 100u);
    for (int p = 1; p <= 100; ++p)
        EXPECT_EQ(progress[p - 1], p);

    // Nothing to write: no bytes, no progress, and nothing has failed.
    const std::vector<SearchResult> none;
    input.results = &none;
    MemorySink empty;
    EXPECT_TRUE(writeResults(ExportFormat::Tmx, empty, input, [&](int) { ADD_FAILURE(); }));
    EXPECT_TRUE(empty.bytes.empty());
    input.results = &results;
    input.provider = nullptr;
    EXPECT_TRUE(writeResults(ExportFormat::Tmx, empty, input, [&](int) { ADD_FAILURE(); }));
    EXPECT_TRUE(empty.bytes.empty());

    testfiles::TempDir dir;
    ExportResultsJob job(dir.file(L"none.tmx"), L"de-DE", {}, &provider);
    job.run();
    EXPECT_FALSE(job.failed());
    EXPECT_TRUE(dir.names().empty());
}

TEST(ResultsExportTest, RefusedBytesAreAFailure) {
    viewertest::FakeProvider provider;
    const uint32_t id = provider.addEntry(std::wstring(2000, L'a'), L"de-DE", L"b");
    const std::vector<SearchResult> results = resultsFor(std::vector<uint32_t>(400, id));
    ResultsExportInput input;
    input.provider = &provider;
    input.targetLanguage = L"de-DE";
    input.results = &results;
    MemorySink sink;
    sink.limit = 100000;
    EXPECT_FALSE(writeResults(ExportFormat::Tmx, sink, input, nullptr));
    EXPECT_LE(sink.bytes.size(), 100000u);
}

} // namespace
