#include "core/util/FileUtils.h"

#include "core/util/StringUtils.h"

#include <windows.h>

#include <algorithm>

namespace {

// A name of our own beside target that no other file has.
Win32Handle createTemporaryBeside(const std::wstring& target, std::wstring& temporary) {
    static volatile LONG counter = 0;
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        temporary = target + L"." + formatUnsigned(GetCurrentProcessId()) + L"-" +
                    formatUnsigned(static_cast<uint32_t>(InterlockedIncrement(&counter))) + L".tmp";
        // Readable beside the writing handle, so that a writer can check the new file before
        // it replaces target.
        Win32Handle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file)
            return file;
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            break;
    }
    temporary.clear();
    return Win32Handle();
}

// Moves the finished temporary file onto target. A read-only target is refused as the system
// would refuse to delete it. A target that is busy for a moment (another writer's move just
// landed and its handle is still open, a scanner reading the new file) is tried again a few
// times, some 300 ms in all; a target held open without sharing by another program stays busy
// and fails.
bool moveOnto(const std::wstring& temporary, const std::wstring& target) {
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return false;
    DWORD pause = 1;
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExW(temporary.c_str(), target.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        if (attempt == 9 || (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION &&
                             error != ERROR_LOCK_VIOLATION))
            return false;
        Sleep(pause);
        pause = std::min<DWORD>(pause * 2, 100);
    }
}

} // namespace

bool readWholeFile(const std::wstring& path, uint64_t maxBytes, std::vector<uint8_t>& bytes) {
    Win32Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<uint64_t>(size.QuadPart) > maxBytes ||
        static_cast<uint64_t>(size.QuadPart) > SIZE_MAX)
        return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, size_t(1) << 20));
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + done, chunk, &got, nullptr) || got == 0)
            return false;
        done += got;
    }
    return true;
}

ReplacementFile::ReplacementFile(const std::wstring& target) : target_(target) {}

ReplacementFile::~ReplacementFile() {
    abandon();
}

bool ReplacementFile::open() {
    abandon();
    failed_ = false;
    file_ = createTemporaryBeside(target_, temporary_);
    if (!file_)
        failed_ = true;
    return !failed_;
}

bool ReplacementFile::writeBytes(const char* data, size_t size) {
    if (!file_)
        failed_ = true;
    while (!failed_ && size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, size_t(1) << 24));
        DWORD written = 0;
        if (!WriteFile(file_.get(), data, chunk, &written, nullptr) || written == 0) {
            failed_ = true;
            break;
        }
        data += written;
        size -= written;
    }
    return !failed_;
}

bool ReplacementFile::commit() {
    if (!file_ || failed_) {
        abandon();
        failed_ = true;
        return false;
    }
    bool ok = FlushFileBuffers(file_.get()) != 0;
    ok = file_.close() && ok;
    ok = ok && moveOnto(temporary_, target_);
    if (!ok) {
        DeleteFileW(temporary_.c_str());
        failed_ = true;
    }
    temporary_.clear();
    return ok;
}

void ReplacementFile::abandon() {
    if (temporary_.empty())
        return;
    file_.reset();
    DeleteFileW(temporary_.c_str());
    temporary_.clear();
}

bool replaceFileContents(const std::wstring& target, const void* data, size_t size) {
    ReplacementFile file(target);
    return file.open() && file.writeBytes(static_cast<const char*>(data), size) && file.commit();
}
