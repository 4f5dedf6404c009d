#include "tmx_engine/TmxEntry.h"
#include "tmx_engine/TmxFile.h"
#include "tmx_engine/tests/TmxFileTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ScratchDir = testfiles::TempDir;

TEST(TmxEntryTest, SameLanguageComparesTheFirstTwoUnits) {
    EXPECT_TRUE(sameLanguage(L"en-US", L"en-GB"));
    EXPECT_TRUE(sameLanguage(L"en", L"en-GB"));
    EXPECT_FALSE(sameLanguage(L"e", L"e"));
    EXPECT_FALSE(sameLanguage(L"", L""));
    EXPECT_FALSE(sameLanguage(L"de-DE", L"en-DE"));
}

TEST(TmxEntryTest, SegmentRecordsAreInsertedOnlyOnDemand) {
    TmxEntry entry;
    EXPECT_TRUE(findSegment(entry, L"de-DE").segment.empty());
    EXPECT_TRUE(entry.segments.empty());
    LanguageSegment& record = segmentForLanguage(entry, L"de-DE");
    EXPECT_EQ(record.language, L"de-DE");
    record.segment.push_back(SegmentElement(SegmentElementKind::Word, L"x", L"x"));
    EXPECT_EQ(&segmentForLanguage(entry, L"de-DE"), &record);
    EXPECT_EQ(findSegment(entry, L"de-DE").segment.size(), 1u);
    EXPECT_EQ(entry.segments.size(), 1u);
}

std::wstring describe(const Segment& segment) {
    std::wstring text;
    for (const SegmentElement& e : segment) {
        if (!text.empty())
            text += L" ";
        text += std::to_wstring(static_cast<int>(e.kind)) + L"[" + e.text + L"|" + e.extra + L"]";
    }
    return text;
}

class EntryFixture : public ::testing::Test {
protected:
    void SetUp() override {
        source_ = testfiles::readText(testfiles::fromUtf8(TEST_DATA_DIR "/entries.tmx"));
        ASSERT_FALSE(source_.empty());
        path_ = dir_.file(L"entries.tmx");
        ASSERT_TRUE(testfiles::writeText(path_, source_));
        ASSERT_EQ(file_.load(path_), kLoaded);
    }

    // Byte offset of the n-th "<tu " in the fixture.
    uint32_t tuOffset(int n) const {
        size_t at = 0;
        for (int i = 0; i <= n; ++i)
            at = source_.find("<tu ", i == 0 ? 0 : at + 1);
        return static_cast<uint32_t>(at);
    }

    ScratchDir dir_;
    std::string source_;
    std::wstring path_;
    TmxFile file_;
};

TEST_F(EntryFixture, IndexingGivesOneEntryPerTargetTuvAfterTheSource) {
    // t1: German and French; t2: two German tuvs; t3: the target precedes the source.
    ASSERT_EQ(file_.entryCount(), 4u);
    EXPECT_EQ(file_.entryOffset(0), tuOffset(0));
    EXPECT_EQ(file_.entryOffset(1), tuOffset(0));
    EXPECT_EQ(file_.entryOffset(2), tuOffset(1));
    EXPECT_EQ(file_.entryOffset(3), tuOffset(1));
    EXPECT_EQ(file_.fileCount(), 1);

    const auto& languages = file_.languages();
    ASSERT_EQ(languages.size(), 2u);
    EXPECT_EQ(languages.at(L"de-DE"), wchar_t(0xFF22));
    EXPECT_EQ(languages.at(L"fr-FR"), wchar_t(0xFF23));

    const TmxHeader& header = file_.sourceLanguage();
    EXPECT_EQ(header.srcLang, L"en-GB");
    EXPECT_EQ(header.creationTool, L"FixtureTool");
    EXPECT_EQ(header.creationToolVersion, L"2.1");
    EXPECT_EQ(header.oTmf, L"fixture");
    EXPECT_EQ(header.version, L"1.4");
    EXPECT_EQ(formatPackedDate(header.creationDate), L"20240115T103045Z");

    EXPECT_TRUE(file_.memberNames().empty());
    EXPECT_TRUE(file_.memberName(0).empty());
    EXPECT_EQ(file_.memberColor(0), 0xEEEEEEEEu);
}

TEST_F(EntryFixture, ReadEntryKeepsUnitFactsAndEveryLanguage) {
    const TmxEntry* entry = file_.readEntry(1);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->tuid, L"t1");
    EXPECT_EQ(entry->sourceLanguage, L"en-GB");  // taken from the header: the tu has none
    EXPECT_EQ(entry->creationId, L"ANNA");
    EXPECT_EQ(entry->changeId, L"BEN");
    EXPECT_EQ(formatPackedDate(entry->creationDate), L"20240201T080910Z");
    EXPECT_EQ(formatPackedDate(entry->changeDate), L"20240302T111213Z");
    ASSERT_EQ(entry->segments.size(), 3u);
    EXPECT_EQ(describe(findSegment(*entry, L"en-GB").segment),
              L"1[Open|open] 3[ |] 1[the|the] 3[ |] 1[file|file] 2[.|]");
    EXPECT_EQ(describe(findSegment(*entry, L"fr-FR").segment),
              L"1[Ouvrez|ouvrez] 3[ |] 1[le|le] 3[ |] 1[&|&] 3[ |] 1[fichier|fichier] 2[.|]");
    EXPECT_EQ(findSegment(*entry, L"de-DE").language, L"de-DE");

    // Both entries of one tu read the same unit; the same id gives the same object.
    EXPECT_EQ(file_.readEntry(1), entry);
    const TmxEntry* first = file_.readEntry(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->tuid, L"t1");
    EXPECT_EQ(file_.readEntry(4), nullptr);
}

TEST_F(EntryFixture, ReadEntryTurnsEveryKindOfContentIntoElements) {
    const TmxEntry* entry = file_.readEntry(2);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->tuid, L"t2");
    EXPECT_EQ(entry->sourceLanguage, L"en-GB");
    EXPECT_TRUE(entry->creationId.empty());
    EXPECT_EQ(entry->creationDate.year, 0);
    EXPECT_EQ(describe(findSegment(*entry, L"en-GB").segment),
              L"1[Press|press] 3[ |] 6[bpt| i=\"1\" x='say \"hi\"'] 0[<|] 1[b|b] 0[>|] 7[bpt|] "
              L"1[Save|save] 6[ept| i=\"1\"] 0[</|] 1[b|b] 0[>|] 7[ept|] 3[ |] 1[now|now] 2[,|] 3[ |] "
              L"4[7|] 3[ |] 0[e.g|] 2[.|] 3[ |] 0[2024|] 3[ |] 1[&|&] 3[ |] 4[|] "
              L"6[it| pos=\"begin\"] 0[<|] 1[i|i] 0[>|] 7[it|] 1[more|more] 5[x| id=\"9\"] 2[!|]");
    // "DE-de" and "de-DE" name one record, and the later tuv wins; a non-empty ph is a tag.
    ASSERT_EQ(entry->segments.size(), 2u);
    EXPECT_EQ(describe(findSegment(*entry, L"de-DE").segment),
              L"1[Drücken|drücken] 3[ |] 1[Sie|sie] 3[ |] 6[ph| type=\"q\"] 2[\"|] 7[ph|] 1[Speichern|speichern]");
}

} // namespace
