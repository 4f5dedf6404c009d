#include "core/resources/ResourcePackage.h"

#include "core/resources/Scrambling.h"
#include "core/settings/ByteReader.h"
#include "core/tests/TestFiles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

namespace {

// One record as the container lays it out; the data is scrambled like the packer does.
Bytes record(const std::wstring& name, Bytes data, uint32_t declaredLength = 0xFFFFFFFF) {
    Bytes out;
    writeU32(out, kPackageRecordMagic);
    writeString(out, name);
    writeU32(out, declaredLength == 0xFFFFFFFF ? static_cast<uint32_t>(data.size()) : declaredLength);
    scrambleBytes(data.data(), data.size());
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

std::string text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

} // namespace

TEST(ResourcePackageTest, WalkingRecords) {
    const Bytes hello = record(L"hello.txt", {'h', 'i'});
    const Bytes other = record(L"strings/en.xml", {'<', 'x', '/', '>'});
    const Bytes notMagic{0x00, 0x11, 0x22, 0x33};
    const struct {
        const char* what;
        Bytes bytes;
        bool ok;
        std::vector<std::wstring> names;
    } cases[] = {
        {"zero bytes", {}, true, {}},
        {"last record runs exactly to the end", join({hello, other}), true, {L"hello.txt", L"strings/en.xml"}},
        {"four bytes that are not the magic", join({hello, notMagic}), false, {L"hello.txt"}},
        {"fewer than four bytes left", join({hello, Bytes{0xFF, 0x77}}), false, {L"hello.txt"}},
        {"name runs past the end", join({hello, Bytes{0xFF, 0x77, 0x45, 0xA8, 0x10, 0x00, 'a', 0}}), false,
         {L"hello.txt"}},
        {"data runs past the end", join({hello, record(L"cut", {1, 2, 3}, 4)}), false, {L"hello.txt"}},
        {"huge data length", join({record(L"huge", {1}, 0xFFFFFFF0u)}), false, {}},
        {"empty entry", record(L"empty", {}), true, {L"empty"}},
    };
    for (const auto& c : cases) {
        PackageMap package;
        EXPECT_EQ(parseResourcePackage(c.bytes.size(), c.bytes.data(), package), c.ok) << c.what;
        std::vector<std::wstring> names;
        for (const auto& entry : package) names.push_back(entry.first);
        EXPECT_EQ(names, c.names) << c.what;
    }
}

TEST(ResourcePackageTest, EntriesPointIntoThePackageAndUnscrambleWhole) {
    const Bytes bytes = join({record(L"a", {'f', 'i', 'r', 's', 't'}), record(L"a", {'s', 'e', 'c'}),
                              record(L"b", {'b', 'e', 'e'})});
    PackageMap package;
    ASSERT_TRUE(parseResourcePackage(bytes.size(), bytes.data(), package));
    const PackageEntry first = findPackageEntry(L"a", package);
    EXPECT_EQ(first.length, 5u); // the first of two same-named records stays
    EXPECT_GE(first.data, bytes.data());
    EXPECT_LT(first.data, bytes.data() + bytes.size());
    EXPECT_EQ(text(unscrambledCopy(first)), "first");
    EXPECT_EQ(text(unscrambledCopy(findPackageEntry(L"b", package))), "bee");

    const PackageEntry none = findPackageEntry(L"A", package); // entry names are exact
    EXPECT_EQ(none.data, nullptr);
    EXPECT_EQ(none.length, 0u);
    EXPECT_TRUE(unscrambledCopy(none).empty());
}

TEST(ResourcePackageTest, MissingResourceGivesAnEmptyPackage) {
    PackageMap package;
    EXPECT_FALSE(loadResourcePackage(L"NoSuchPackage", package));
    EXPECT_TRUE(package.empty());
}

// The test program embeds core/tests/data/resources/TestPackage through the build's packer:
// reading it back here shows that the packer's scrambling is the program's own.
TEST(ResourcePackageTest, PackerOutputReadsBackAsTheSourceFiles) {
    for (const wchar_t* resourceName : {L"TestPackage", L"testpackage", L"TESTPACKAGE"}) {
        PackageMap package;
        ASSERT_TRUE(loadResourcePackage(resourceName, package)) << "resource lookups ignore case";
        EXPECT_EQ(package.size(), 4u);
    }
    PackageMap package;
    ASSERT_TRUE(loadResourcePackage(L"TestPackage", package));
    const std::wstring sources = testfiles::widen(TEST_DATA_DIR) + L"/resources/TestPackage/";
    for (const wchar_t* name : {L"hello.txt", L"strings/sample.xml", L"empty.dat", L"bytes.bin"}) {
        const PackageEntry entry = findPackageEntry(name, package);
        const Bytes source = testfiles::readFile(sources + name);
        ASSERT_EQ(entry.length, source.size()) << std::string(name, name + wcslen(name));
        if (!source.empty()) {
            EXPECT_NE(Bytes(entry.data, entry.data + entry.length), source) << "entries are stored scrambled";
        }
        EXPECT_EQ(unscrambledCopy(entry), source);
    }
    EXPECT_GT(testfiles::readFile(sources + L"bytes.bin").size(), 256u);
}
