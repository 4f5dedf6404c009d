#include "core/tests/TestFiles.h"
#include "core/util/FileUtils.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

using testfiles::TempDir;

namespace {

bool writeString(ReplacementFile& file, const std::string& bytes) {
    return file.writeBytes(bytes.data(), bytes.size());
}

} // namespace

TEST(ReplacementFileTest, StreamsIntoATemporaryBesideTheTargetAndReplacesItOnCommit) {
    TempDir dir(L"replace");
    const std::wstring target = dir.file(L"user.cfg");
    // Once onto a new name, once over an existing file.
    for (const std::string& content : {std::string("first version\n"), std::string("second, longer version\n")}) {
        ReplacementFile out(target);
        ASSERT_TRUE(out.open());
        const std::wstring temporary = out.temporaryPath();
        EXPECT_EQ(dir.path(), temporary.substr(0, temporary.rfind(L'\\')));
        EXPECT_NE(target, temporary);
        ASSERT_TRUE(writeString(out, content.substr(0, 6)));
        ASSERT_TRUE(writeString(out, content.substr(6)));
        ASSERT_TRUE(writeString(out, std::string()));
        // Until the commit the target holds what it held.
        EXPECT_TRUE(testfiles::exists(temporary));
        ASSERT_TRUE(out.commit());
        EXPECT_FALSE(testfiles::exists(temporary));
        EXPECT_EQ(content, testfiles::readText(target));
        EXPECT_EQ(std::vector<std::wstring>{L"user.cfg"}, dir.names());
    }
}

TEST(ReplacementFileTest, EveryOpenGetsAFreshTemporaryName) {
    TempDir dir(L"replace");
    const std::wstring target = dir.file(L"shared.idx");
    ReplacementFile first(target);
    ReplacementFile second(target);
    ASSERT_TRUE(first.open());
    ASSERT_TRUE(second.open());
    EXPECT_NE(first.temporaryPath(), second.temporaryPath());
    const std::wstring old = first.temporaryPath();
    ASSERT_TRUE(first.open()); // reopening drops the old temporary and takes a new one
    EXPECT_NE(old, first.temporaryPath());
    EXPECT_FALSE(testfiles::exists(old));
}

// Every way a replace can fail leaves the old file byte for byte and no temporary file behind.
TEST(ReplacementFileTest, AFailedReplaceLeavesTheOldFileAndNoTemporary) {
    enum Failure { kAbandoned, kDropped, kWriteFailed, kTargetHeldOpen, kTargetReadOnly, kNoFolder };
    const struct {
        const char* label;
        Failure failure;
    } cases[] = {
        {"abandoned", kAbandoned},
        {"dropped without commit", kDropped},
        {"a write failed", kWriteFailed},
        {"target held open without sharing", kTargetHeldOpen},
        {"target read-only", kTargetReadOnly},
        {"target folder missing", kNoFolder},
    };
    const std::string old = "old contents that must survive";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir dir(L"replace");
        std::wstring target = dir.file(L"user.tmx");
        ASSERT_TRUE(testfiles::writeText(target, old));
        Win32Handle holder;
        if (c.failure == kTargetHeldOpen) {
            holder.reset(CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(holder.valid());
        }
        if (c.failure == kTargetReadOnly) {
            ASSERT_TRUE(SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
        }
        if (c.failure == kNoFolder)
            target = dir.file(L"missing\\user.tmx");

        bool committed = false;
        {
            ReplacementFile out(target);
            const bool opened = out.open();
            EXPECT_EQ(c.failure != kNoFolder, opened);
            writeString(out, "new contents");
            if (c.failure == kWriteFailed) {
                out.markFailed();
                EXPECT_FALSE(writeString(out, "more")); // a failure sticks
            }
            if (c.failure == kAbandoned)
                out.abandon();
            if (c.failure != kDropped) {
                committed = out.commit();
                EXPECT_TRUE(out.temporaryPath().empty());
            }
        }
        EXPECT_FALSE(committed);
        holder.reset();
        SetFileAttributesW(dir.file(L"user.tmx").c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(old, testfiles::readText(dir.file(L"user.tmx")));
        EXPECT_EQ(std::vector<std::wstring>{L"user.tmx"}, dir.names());
    }
}

TEST(ReplacementFileTest, WritesWithoutAnOpenFileFail) {
    TempDir dir(L"replace");
    ReplacementFile out(dir.file(L"never.txt"));
    EXPECT_FALSE(writeString(out, "x"));
    EXPECT_TRUE(out.failed());
    EXPECT_FALSE(out.commit());
    EXPECT_TRUE(dir.names().empty());
}

// Two writers replacing one file at once: both succeed and the file ends up holding one of the
// two contents whole, never a mix.
TEST(ReplacementFileTest, TwoThreadsReplacingOneTargetLeaveOneWholeContent) {
    TempDir dir(L"replace");
    struct Writer {
        std::wstring target;
        char fill;
        bool ok = false;
        static DWORD WINAPI run(void* self) {
            Writer& w = *static_cast<Writer*>(self);
            ReplacementFile out(w.target);
            const std::string block(64 * 1024, w.fill);
            w.ok = out.open();
            for (int i = 0; i < 16 && w.ok; ++i)
                w.ok = writeString(out, block);
            w.ok = w.ok && out.commit();
            return 0;
        }
    };
    const std::wstring target = dir.file(L"both.idx");
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        Writer a{target, 'a'};
        Writer b{target, 'b'};
        Win32Handle ta(CreateThread(nullptr, 0, &Writer::run, &a, 0, nullptr));
        Win32Handle tb(CreateThread(nullptr, 0, &Writer::run, &b, 0, nullptr));
        ASSERT_TRUE(ta.valid() && tb.valid());
        WaitForSingleObject(ta.get(), INFINITE);
        WaitForSingleObject(tb.get(), INFINITE);
        EXPECT_TRUE(a.ok);
        EXPECT_TRUE(b.ok);
        const std::string result = testfiles::readText(target);
        ASSERT_EQ(16u * 64 * 1024, result.size());
        EXPECT_TRUE(std::all_of(result.begin(), result.end(), [&](char ch) { return ch == result[0]; }));
        EXPECT_EQ(std::vector<std::wstring>{L"both.idx"}, dir.names());
    }
}

TEST(ReplaceFileContentsTest, WritesAllBytesOrLeavesTheOldFile) {
    TempDir dir(L"replace");
    const std::wstring target = dir.file(L"group.plexa");
    const std::string bytes = "<group/>";
    ASSERT_TRUE(replaceFileContents(target, bytes.data(), bytes.size()));
    EXPECT_EQ(bytes, testfiles::readText(target));
    ASSERT_TRUE(replaceFileContents(target, "", 0));
    EXPECT_EQ("", testfiles::readText(target));
    EXPECT_FALSE(replaceFileContents(dir.file(L"missing\\group.plexa"), bytes.data(), bytes.size()));
    EXPECT_EQ(std::vector<std::wstring>{L"group.plexa"}, dir.names());
}
