#include "group_builder/GroupFileWriter.h"

#include "core/util/StringUtils.h"
#include "core/util/Utf8.h"
#include "group_builder/RelativePath.h"

#include <algorithm>
#include <cstdint>
#include <new>

namespace {

// Member paths that would need this many ".." steps are written in full: a group moved with
// its nearby files keeps working, one far from them breaks no less than a full path would.
const int kMaxRelativeSteps = 2;

// The group file escapes these four only; the apostrophe never needs it inside double quotes.
std::wstring escapeGroupText(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        switch (c) {
        case L'&': out += L"&amp;"; break;
        case L'<': out += L"&lt;"; break;
        case L'>': out += L"&gt;"; break;
        case L'"': out += L"&quot;"; break;
        default: out += c; break;
        }
    }
    return out;
}

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    bool close() {
        if (handle_ == INVALID_HANDLE_VALUE)
            return true;
        const bool closed = CloseHandle(handle_) != 0;
        handle_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE handle_;
};

bool writeAll(HANDLE file, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

// Writes bytes to a new file beside target and puts it in target's place only when the
// writing, the flush and the close all succeeded.
bool replaceFileWith(const std::wstring& target, const std::string& bytes) {
    std::wstring temporary;
    HANDLE created = INVALID_HANDLE_VALUE;
    // A name of our own that no other file has: an existing file is never written over.
    for (unsigned attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = target + L"." + formatUnsigned(GetCurrentProcessId()) + L"-" +
                    formatUnsigned(attempt) + L".tmp";
        created = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
            GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    FileHandle file(created);
    if (!file.isOpen())
        return false;
    bool ok = writeAll(file.get(), bytes) && FlushFileBuffers(file.get()) != 0;
    ok = file.close() && ok;
    ok = ok && MoveFileExW(temporary.c_str(), target.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok)
        DeleteFileW(temporary.c_str());
    return ok;
}

} // namespace

std::wstring formatColorHex(COLORREF color) {
    const uint32_t c = color;
    uint32_t value = (c & 0xFF00FF00u) | ((c & 0xFFu) << 16) | ((c >> 16) & 0xFFu);
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    wchar_t buffer[8];
    int n = 0;
    do {
        buffer[n++] = kDigits[value & 0xF];
        value >>= 4;
    } while (value != 0);
    std::wstring text;
    while (n > 0)
        text.push_back(buffer[--n]);
    return text;
}

std::string formatGroupFile(const std::wstring& groupPath, const std::vector<GroupEntry>& entries) {
    const std::wstring folder = getDirectory(groupPath);
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<plexa>\r\n";
    std::wstring relative;
    for (const GroupEntry& entry : entries) {
        const int steps = makeRelativePath(folder, entry.path, relative);
        const std::wstring& written = steps <= kMaxRelativeSteps ? relative : entry.path;
        out += "  <tmxfile shortName=\"";
        appendUtf8(out, escapeGroupText(entry.shortName));
        out += "\" color=\"";
        appendUtf8(out, formatColorHex(entry.color));
        out += "\">";
        appendUtf8(out, escapeGroupText(written));
        out += "</tmxfile>\r\n";
    }
    out += "</plexa>\r\n";
    return out;
}

bool writeGroupFile(const std::wstring& groupPath, const std::vector<GroupEntry>& entries) {
    if (groupPath.empty())
        return false;
    try {
        return replaceFileWith(groupPath, formatGroupFile(groupPath, entries));
    } catch (const std::bad_alloc&) {
        return false;
    }
}
