#include "core/tests/TestFiles.h"
#include "filter_tool/RestOfFileStream.h"
#include "filter_tool/TmxFilter.h"
#include "filter_tool/tests/FilterTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Where the filter's pieces end, one parser reads the rest of the file from that byte on. These
// tests put a whole document at offsets past 2 GiB and past 4 GiB of a sparse file (nothing is
// written before it, so the file costs only its tail) and read it from there: the copy must be
// the one the filter makes of the document as a file of its own, on one thread and in pieces,
// with every position that of the document's own bytes and units moved by the offset.

namespace {

constexpr uint64_t kGiB = uint64_t(1) << 30;
// Unit indices beyond 32 bits, as a parse of the rest of a file of several GiB has them.
constexpr int64_t kFirstUnit = int64_t(5) << 30;

// Writes bytes at offset of a new file; what lies before stays a hole on the host's file system.
bool writeAtOffset(const std::wstring& path, uint64_t offset, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    bool ok = SetFilePointerEx(file, at, nullptr, FILE_BEGIN) != 0;
    for (size_t done = 0; ok && done < bytes.size();) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, size_t(1) << 24));
        DWORD put = 0;
        ok = WriteFile(file, bytes.data() + done, chunk, &put, nullptr) && put == chunk;
        done += chunk;
    }
    return CloseHandle(file) && ok;
}

// The filter, with the byte offset and the unit index of every tu start tag it sees.
class RecordingFilter : public SiftonParser {
public:
    using SiftonParser::SiftonParser;
    std::vector<int64_t> byteOffsets;
    std::vector<int64_t> unitStarts;
    void startElement(const std::wstring& name, const XmlAttributes& attributes, bool isEmpty) override {
        if (name == L"tu") {
            byteOffsets.push_back(markupByteOffset());
            unitStarts.push_back(markupStart());
        }
        SiftonParser::startElement(name, attributes, isEmpty);
    }
};

struct TailRun {
    std::string output;
    int32_t unitsWritten = 0;
    int32_t errorCode = 0;
    int64_t errorPosition = -1;
    SiftonParser::Failure failure = SiftonParser::kFailureNone;
    int64_t failurePosition = -1;
    bool streamError = false;
    std::vector<int64_t> byteOffsets;
    std::vector<int64_t> unitStarts;
};

// Reads the file from offset on with the filter, as the filter reads the rest after its pieces.
TailRun filterFrom(const std::wstring& path, uint64_t offset, int64_t firstUnit, uint64_t totalSize,
                   const std::wstring& target) {
    RestOfFileStream stream(path, kXmlEncodingUtf8, offset);
    filtertest::MemorySink sink;
    Utf8Writer writer(sink);
    RecordingFilter parser(writer, totalSize, target, false);
    parser.setFirstUnitIndex(firstUnit);
    parser.parse(stream);
    writer.finish();
    TailRun run;
    run.output = sink.bytes;
    run.unitsWritten = parser.unitsWritten();
    run.errorCode = parser.errorCode();
    run.errorPosition = parser.errorPosition();
    run.failure = parser.failure();
    run.failurePosition = parser.failurePosition();
    run.streamError = stream.hadError();
    run.byteOffsets = parser.byteOffsets;
    run.unitStarts = parser.unitStarts;
    return run;
}

// The tu start tags of UTF-8 text found by a plain scan: their byte offsets and unit indices.
void scanUnits(const std::string& bytes, std::vector<int64_t>& offsets, std::vector<int64_t>& units) {
    int64_t unit = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (bytes.compare(i, 3, "<tu") == 0 && i + 3 < bytes.size() &&
            std::string(" \t\r\n>/").find(bytes[i + 3]) != std::string::npos) {
            offsets.push_back(static_cast<int64_t>(i));
            units.push_back(unit);
        }
        if ((b & 0xC0) != 0x80)
            unit += b >= 0xF0 ? 2 : 1; // a character beyond U+FFFF is two units
    }
}

std::string smallDocument() {
    return filtertest::utf8(
        L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tmx version=\"1.4\">\n<header srclang=\"en-US\"/>\n<body>\n"
        L"<tu tuid=\"1\"><prop type=\"x\">p</prop><tuv xml:lang=\"en-US\"><seg>One &amp; <ph x=\"1\"/> two</seg></tuv>"
        L"<tuv xml:lang=\"de-DE\"><seg>Eins \u00FC \U0001F600</seg></tuv><tuv xml:lang=\"fr\"><seg>un</seg></tuv></tu>\n"
        L"<!-- between --><tu><tuv xml:lang=\"en-US\"><seg><![CDATA[a <b> c]]></seg></tuv>"
        L"<tuv xml:lang=\"de\"><seg>\u4E2D</seg></tuv></tu>\n"
        L"<tu><tuv xml:lang=\"en-US\"><seg>only English</seg></tuv></tu>\n"
        L"</body>\n</tmx>\n");
}

TmxFilterThreads threads(uint32_t count) {
    TmxFilterThreads threading;
    threading.threads = count;
    threading.pieceBytes = 4096;
    threading.minFileBytes = 0;
    return threading;
}

struct Document {
    const char* name;
    std::string bytes;
};

std::vector<Document> documents() {
    std::vector<Document> result = {{"a small memory", smallDocument()}};
    const std::wstring real = testfiles::corpusPath(L"multi-b.tmx");
    if (testfiles::exists(real))
        result.push_back({"multi-b.tmx", testfiles::readText(real)});
    else
        std::printf("no ../shared/corpus: the real memory is left out\n");
    return result;
}

} // namespace

TEST(RestOfFileStreamTest, ReadsTheRestFromOffsetsPastTwoAndFourGiB) {
    testfiles::TempDir folder;
    for (const Document& document : documents()) {
        const std::wstring alone = folder.file(L"alone.tmx");
        ASSERT_TRUE(testfiles::writeText(alone, document.bytes));
        filtertest::MemorySink onePass;
        const TmxFilterResult expected = filterTmxInto(alone, onePass, L"de", false, {}, threads(1));
        ASSERT_TRUE(expected.succeeded()) << document.name;
        ASSERT_GT(expected.unitsWritten, 0);
        filtertest::MemorySink inPieces;
        filterTmxInto(alone, inPieces, L"de", false, {}, threads(3));
        ASSERT_TRUE(inPieces.bytes == onePass.bytes) << document.name;

        std::vector<int64_t> offsets;
        std::vector<int64_t> units;
        scanUnits(document.bytes, offsets, units);
        ASSERT_FALSE(offsets.empty());

        // Past 2 GiB the offset no longer fits 31 bits, past 4 GiB not even 32; odd offsets keep
        // nothing aligned by chance.
        for (const uint64_t offset : {2 * kGiB + 1, 3 * kGiB + 5, 4 * kGiB + 4097, 6 * kGiB + 3}) {
            SCOPED_TRACE(std::string(document.name) + " at " + std::to_string(offset));
            const std::wstring sparse = folder.file(L"sparse.tmx");
            ASSERT_TRUE(writeAtOffset(sparse, offset, document.bytes));
            const uint64_t total = offset + document.bytes.size();
            const TailRun run = filterFrom(sparse, offset, kFirstUnit, total, L"de");
            DeleteFileW(sparse.c_str());

            EXPECT_FALSE(run.streamError);
            EXPECT_EQ(run.errorCode, 0);
            EXPECT_EQ(run.failure, SiftonParser::kFailureNone);
            EXPECT_TRUE(run.output == onePass.bytes);
            EXPECT_EQ(run.unitsWritten, expected.unitsWritten);
            ASSERT_EQ(run.byteOffsets.size(), offsets.size());
            for (size_t i = 0; i < offsets.size(); ++i) {
                EXPECT_EQ(run.byteOffsets[i], static_cast<int64_t>(offset) + offsets[i]) << "unit " << i;
                EXPECT_EQ(run.unitStarts[i], kFirstUnit + units[i]) << "unit " << i;
            }
        }
    }
}

// Where the rest of a file is damaged, the error and the unit where it was found are those of
// the document read on its own, moved by the units before it, beyond 32 bits.
TEST(RestOfFileStreamTest, ReportsErrorPositionsBeyondThirtyTwoBits) {
    testfiles::TempDir folder;
    const std::string whole = smallDocument();
    const std::string lastUnit = "<tu><tuv xml:lang=\"en-US\"><seg>only";
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"cut off inside a unit", whole.substr(0, whole.find(lastUnit) + lastUnit.size())},
        {"a processing instruction in a unit",
         whole.substr(0, whole.find(lastUnit)) + "<tu><?php x?></tu>" + whole.substr(whole.find(lastUnit))},
        {"a byte that is no UTF-8", whole.substr(0, whole.find("only")) + "\xC3(" + whole.substr(whole.find("only"))},
    };
    const uint64_t offset = 4 * kGiB + 17;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring alone = folder.file(L"alone.tmx");
        ASSERT_TRUE(writeAtOffset(alone, 0, c.bytes));
        const TailRun local = filterFrom(alone, 0, 0, c.bytes.size(), L"de");
        ASSERT_TRUE(local.errorCode != 0 || local.failure != SiftonParser::kFailureNone);

        const std::wstring sparse = folder.file(L"sparse.tmx");
        ASSERT_TRUE(writeAtOffset(sparse, offset, c.bytes));
        const TailRun run = filterFrom(sparse, offset, kFirstUnit, offset + c.bytes.size(), L"de");
        DeleteFileW(sparse.c_str());
        EXPECT_EQ(run.errorCode, local.errorCode);
        EXPECT_EQ(run.errorPosition, local.errorPosition < 0 ? -1 : kFirstUnit + local.errorPosition);
        EXPECT_EQ(run.failure, local.failure);
        EXPECT_EQ(run.failurePosition, local.failurePosition < 0 ? -1 : kFirstUnit + local.failurePosition);
        EXPECT_TRUE(run.output == local.output);
    }
}

// A file that cannot be opened is told apart from one whose rest is empty.
TEST(RestOfFileStreamTest, TellsAMissingFileFromAnEmptyRest) {
    testfiles::TempDir folder;
    const std::wstring path = folder.file(L"short.tmx");
    ASSERT_TRUE(testfiles::writeText(path, "<tmx/>"));
    RestOfFileStream missing(folder.file(L"absent.tmx"), kXmlEncodingUtf8, 4 * kGiB);
    EXPECT_FALSE(missing.opened());
    EXPECT_TRUE(missing.hadError());
    RestOfFileStream beyondTheEnd(path, kXmlEncodingUtf8, 4 * kGiB);
    EXPECT_TRUE(beyondTheEnd.opened());
    EXPECT_EQ(beyondTheEnd.getChar(), 0);
    EXPECT_FALSE(beyondTheEnd.hadError());
    EXPECT_EQ(beyondTheEnd.position(), static_cast<int64_t>(4 * kGiB));
}
