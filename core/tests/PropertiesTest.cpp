#include "core/settings/Properties.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

namespace {

Bytes serialized(const Properties& node) {
    Bytes out;
    node.serialize(out);
    return out;
}

// Parses bytes into a node and insists on a sound result that used every byte.
void parseAll(Properties& node, const Bytes& bytes) {
    ByteReader in(bytes);
    ASSERT_TRUE(node.parse(in));
    EXPECT_TRUE(in.atEnd());
}

// A node's bytes as an independent writer following the format would produce them.
struct NodeWriter {
    Bytes bytes;
    NodeWriter& count(uint16_t n) {
        writeVarint(bytes, n);
        return *this;
    }
    NodeWriter& value(const std::wstring& name, const Bytes& data) {
        writeString(bytes, name);
        writeVarint(bytes, static_cast<uint16_t>(data.size()));
        bytes.insert(bytes.end(), data.begin(), data.end());
        return *this;
    }
    NodeWriter& name(const std::wstring& text) {
        writeString(bytes, text);
        return *this;
    }
};

class Recording : public Properties {
public:
    std::vector<std::wstring> told;
    void onChanged(const std::wstring& key) override { told.push_back(key); }
};

} // namespace

TEST(PropertiesTest, EmptyTreeIsTwoZeroBytes) {
    Properties root;
    EXPECT_EQ(serialized(root), (Bytes{0x00, 0x00}));
}

TEST(PropertiesTest, PathsWalkChildrenByEitherSeparator) {
    Properties root;
    root.set(L"window/left", 5);
    root.set(L"window\\top", 7);
    ASSERT_EQ(root.children().size(), 1u);
    Properties& window = root.getChild(L"window");
    EXPECT_EQ(window.typedValues().size(), 2u);
    EXPECT_EQ(window.get(L"left", 0), 5);
    EXPECT_EQ(root.get(L"window/top", 0), 7);
    EXPECT_TRUE(root.contains(L"window\\left"));
    EXPECT_FALSE(root.contains(L"window/right"));
    EXPECT_FALSE(root.contains(L"other/left"));

    std::wstring leaf = L"junk";
    EXPECT_EQ(root.findPath(L"missing/key", leaf), nullptr);
    EXPECT_EQ(leaf, L"");
    EXPECT_EQ(root.findPath(L"plain", leaf), &root);
    EXPECT_EQ(leaf, L"plain");
    EXPECT_EQ(&root.resolvePath(L"a/b/c", leaf), &root.getChild(L"a").getChild(L"b"));
    EXPECT_EQ(leaf, L"c");
}

TEST(PropertiesTest, AbsentKeyGivesTheCallersOwnDefaultAndCreatesNothing) {
    Properties root;
    const int fallback = 42;
    EXPECT_EQ(&root.get(L"maxSearchResults", fallback), &fallback);
    const std::wstring noText = L"none";
    EXPECT_EQ(&root.get(L"deep/path/name", noText), &noText);
    EXPECT_TRUE(root.children().empty());
    EXPECT_TRUE(root.typedValues().empty());
    EXPECT_EQ(serialized(root), (Bytes{0x00, 0x00}));
}

TEST(PropertiesTest, RawValueBecomesTypedOnFirstRead) {
    Properties root;
    parseAll(root, NodeWriter().count(2).value(L"count", {0x2A, 0, 0, 0}).value(L"name", {0x01, 0x00, 'x', 0x00})
                       .count(0).bytes);
    EXPECT_EQ(root.rawValues().size(), 2u);
    EXPECT_EQ(root.get(L"count", 0), 42);
    EXPECT_EQ(root.rawValues().count(L"count"), 0u);
    EXPECT_EQ(root.typedValues().count(L"count"), 1u);
    EXPECT_TRUE(root.holdsUsedValues());
    // The reference stays put until the node is cleared.
    const int& stored = root.get(L"count", 0);
    root.set(L"count", 43);
    EXPECT_EQ(stored, 43);
}

// A settings file with the font size changed to 16,777 points: the reader's default font is
// used, and the bytes go back to the file as they came.
TEST(PropertiesTest, AFontOfAnInsaneSizeReadsAsTheDefault) {
    const Bytes huge = {1, 0, 'A', 0, 0x28, 0xFF, 0xFF, 0x00, 0, 0};
    const Bytes file = NodeWriter().count(1).value(L"font", huge).count(0).bytes;
    Properties root;
    parseAll(root, file);
    const winui::Font fallback(L"Tahoma", 9.0f, 0);
    EXPECT_EQ(&root.get<winui::Font>(L"font", fallback), &fallback);
    EXPECT_EQ(root.rawValues().at(L"font"), huge);
    EXPECT_EQ(serialized(root), file);
}

TEST(PropertiesTest, UnreadRawValueIsWrittenBackByteForByte) {
    const Bytes file = NodeWriter()
                           .count(2)
                           .value(L"alpha", {0xDE, 0xAD})
                           .value(L"mystery", {1, 2, 3, 4, 5, 6, 7})
                           .count(1)
                           .name(L"child")
                           .count(1)
                           .value(L"x", {9})
                           .count(0)
                           .bytes;
    Properties root;
    parseAll(root, file);
    EXPECT_TRUE(root.holdsUsedValues()); // the child counts

    Properties rawOnly;
    parseAll(rawOnly, NodeWriter().count(1).value(L"alpha", {1}).count(0).bytes);
    EXPECT_FALSE(rawOnly.holdsUsedValues()); // values never read do not count
    EXPECT_EQ(serialized(root), file);
}

TEST(PropertiesTest, SetReplacesTheRawValue) {
    Properties root;
    parseAll(root, NodeWriter().count(1).value(L"flag", {0x00}).count(0).bytes);
    root.set(L"flag", true);
    EXPECT_TRUE(root.rawValues().empty());
    EXPECT_EQ(serialized(root), NodeWriter().count(1).value(L"flag", {0x01}).count(0).bytes);
}

TEST(PropertiesTest, RawValuesComeBeforeTypedOnesEachInNameOrder) {
    Properties root;
    parseAll(root, NodeWriter().count(2).value(L"b", {1}).value(L"d", {2}).count(0).bytes);
    root.set(L"c", true);
    root.set(L"a", true);
    root.set(L"B", false); // upper case sorts before lower case
    const Bytes expected = NodeWriter()
                               .count(5)
                               .value(L"b", {1})
                               .value(L"d", {2})
                               .value(L"B", {0})
                               .value(L"a", {1})
                               .value(L"c", {1})
                               .count(0)
                               .bytes;
    EXPECT_EQ(serialized(root), expected);
}

TEST(PropertiesTest, CountsOf127UseTheTwoByteForm) {
    Properties root;
    for (int i = 0; i < 127; ++i) root.set(L"k" + std::to_wstring(1000 + i), i);
    const Bytes bytes = serialized(root);
    EXPECT_EQ(bytes[0], 0xC1);
    EXPECT_EQ(bytes[1], 0xBF);
    Properties back;
    parseAll(back, bytes);
    EXPECT_EQ(back.get(L"k1126", 0), 126);
}

TEST(PropertiesTest, ValuesTooLongForTheFormatAreLeftOut) {
    Properties root;
    root.set(L"a", std::wstring(32767, L'x')); // 65,536 bytes: one more than a length holds
    root.set(L"b", 7);
    root.set(L"c", std::wstring(32766, L'y')); // 65,534 bytes: still fits
    root.set(L"d", std::wstring(100000, L'z'));
    const Bytes bytes = serialized(root);

    Properties back;
    parseAll(back, bytes);
    EXPECT_EQ(back.rawValues().size(), 2u);
    EXPECT_EQ(back.get(L"b", 0), 7);
    EXPECT_EQ(back.get<std::wstring>(L"c", L"").size(), 32766u);
    EXPECT_FALSE(back.contains(L"a"));
    EXPECT_FALSE(back.contains(L"d"));
    // The long values are still there for this session.
    EXPECT_EQ(root.get<std::wstring>(L"a", L"").size(), 32767u);
}

TEST(PropertiesTest, ValueStoredWithAnotherTypeOfTheSameFormIsTakenOver) {
    // Colours are written as unsigned long and read as unsigned int.
    Properties root;
    root.set(L"resultsTextColor", 0x00112233ul);
    EXPECT_EQ(root.get(L"resultsTextColor", 0u), 0x00112233u);
    EXPECT_EQ(root.get(L"resultsTextColor", 0ul), 0x00112233ul);
    // A type of another byte form does not misread it.
    const winui::Rect fallback(1, 2, 3, 4);
    EXPECT_EQ(root.get(L"resultsTextColor", fallback), fallback);
    EXPECT_EQ(root.get(L"resultsTextColor", 0ul), 0x00112233ul);
    root.set(L"resultsTextColor", fallback);
    EXPECT_EQ(root.get(L"resultsTextColor", winui::Rect()), fallback);
}

TEST(PropertiesTest, RawValueTooShortForItsTypeGivesTheDefaultAndStaysRaw) {
    Properties root;
    const Bytes file = NodeWriter().count(1).value(L"mainFormRect", {1, 0, 0, 0, 2, 0}).count(0).bytes;
    parseAll(root, file);
    const winui::Rect fallback(0, 0, 640, 480);
    EXPECT_EQ(root.get(L"mainFormRect", fallback), fallback);
    EXPECT_EQ(root.rawValues().count(L"mainFormRect"), 1u);
    EXPECT_EQ(serialized(root), file);
}

TEST(PropertiesTest, ParsingReplacesTheNodeAndTellsEveryValue) {
    Recording root;
    root.set(L"old", 1);
    root.getChild(L"oldChild");
    root.told.clear();
    parseAll(root, NodeWriter()
                       .count(2)
                       .value(L"x", {1})
                       .value(L"x", {2}) // a later value of the same name replaces the earlier
                       .count(1)
                       .name(L"sub")
                       .count(1)
                       .value(L"y", {3})
                       .count(0)
                       .bytes);
    EXPECT_FALSE(root.contains(L"old"));
    EXPECT_EQ(root.children().count(L"oldChild"), 0u);
    EXPECT_EQ(root.rawValues().at(L"x"), Bytes{2});
    EXPECT_EQ(root.getChild(L"sub").rawValues().at(L"y"), Bytes{3});
    EXPECT_EQ(root.told, (std::vector<std::wstring>{L"x"}));
}

TEST(PropertiesTest, DamagedNodeLeavesTheNodeUnchanged) {
    Properties root;
    root.set(L"keep", 5);
    const Bytes cases[] = {
        {},
        {0x01},                                   // a value count and nothing more
        {0x01, 0x01, 0x00, 'a', 0x00, 0x05, 1},   // a length running past the end
        {0xEF, 0xBF, 0xBF, 0x00, 0x00, 0x00},     // 65,535 values in six bytes
        {0x00, 0xEF, 0xBF, 0xBF, 0x00, 0x00},     // 65,535 children
        {0x00, 0x01, 0x09, 0x00, 'a', 0x00},      // a child name running past the end
    };
    for (const Bytes& bytes : cases) {
        ByteReader in(bytes);
        EXPECT_FALSE(root.parse(in)) << bytes.size();
        EXPECT_EQ(root.get(L"keep", 0), 5);
    }
}

TEST(PropertiesTest, NestingDepthIsLimited) {
    auto nested = [](int depth) {
        Bytes bytes;
        for (int i = 0; i < depth; ++i) {
            NodeWriter w;
            w.count(0).count(1).name(L"n");
            bytes.insert(bytes.end(), w.bytes.begin(), w.bytes.end());
        }
        bytes.push_back(0x00);
        bytes.push_back(0x00);
        return bytes;
    };
    Properties root;
    parseAll(root, nested(Properties::kMaxDepth));
    const Bytes oneTooDeep = nested(Properties::kMaxDepth + 1);
    ByteReader tooDeep(oneTooDeep);
    EXPECT_FALSE(root.parse(tooDeep));
    const Bytes deep = nested(100000);
    ByteReader veryDeep(deep);
    EXPECT_FALSE(root.parse(veryDeep));

    // What is written can always be read back: deeper nodes are not written.
    Properties tree;
    std::wstring path;
    for (int i = 0; i < Properties::kMaxDepth + 3; ++i) path += L"n/";
    tree.set(path + L"leaf", 1);
    tree.set(L"top", 2);
    Properties back;
    parseAll(back, serialized(tree));
    EXPECT_EQ(back.get(L"top", 0), 2);
}
