#pragma once

// Output, timing, memory and input helpers shared by the commands of tmx_bench.

#include "core/util/Utf8.h"

#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {

inline std::wstring fromUtf8(const std::string& text) {
    if (text.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

inline void line(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

inline void print(const char* key, const std::string& value) {
    line(std::string(key) + ": " + value);
}

inline void print(const char* key, uint64_t value) {
    print(key, std::to_string(value));
}

inline std::string fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

inline double megabytes(uint64_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

class Stopwatch {
public:
    Stopwatch() {
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&start_);
    }
    double microseconds() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - start_.QuadPart) * 1e6 /
               static_cast<double>(frequency_.QuadPart);
    }

private:
    LARGE_INTEGER frequency_;
    LARGE_INTEGER start_;
};

// Processor time the process has used so far, on all its threads, in microseconds. Beside a wall
// time it tells a run that waited for a busy machine from one that did more work.
inline double processCpuMicroseconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    const auto units = [](const FILETIME& t) {
        return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    };
    return (units(kernel) + units(user)) / 10.0;
}

inline uint64_t fileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Committed private bytes over the whole address space.
inline uint64_t committedPrivateBytes() {
    uint64_t total = 0;
    MEMORY_BASIC_INFORMATION info;
    const uint8_t* at = nullptr;
    while (VirtualQuery(at, &info, sizeof info) == sizeof info) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE)
            total += info.RegionSize;
        const uint8_t* next = static_cast<const uint8_t*>(info.BaseAddress) + info.RegionSize;
        if (next <= at)
            break;
        at = next;
    }
    return total;
}

// Wine does not keep the peak of the private-bytes counter, so a thread samples the committed
// private memory every few milliseconds and the larger of both figures is the peak.
class PeakMemorySampler {
public:
    PeakMemorySampler() {
        stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        thread_ = CreateThread(nullptr, 0, &PeakMemorySampler::run, this, 0, nullptr);
    }
    ~PeakMemorySampler() {
        SetEvent(stop_);
        if (thread_) {
            WaitForSingleObject(thread_, INFINITE);
            CloseHandle(thread_);
        }
        CloseHandle(stop_);
    }
    PeakMemorySampler(const PeakMemorySampler&) = delete;
    PeakMemorySampler& operator=(const PeakMemorySampler&) = delete;

    uint64_t peak() {
        sample();
        PROCESS_MEMORY_COUNTERS_EX counters = {};
        counters.cb = sizeof counters;
        GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters);
        const uint64_t sampled = peak_.load();
        return counters.PeakPagefileUsage > sampled ? counters.PeakPagefileUsage : sampled;
    }

private:
    static DWORD WINAPI run(void* self) {
        auto* sampler = static_cast<PeakMemorySampler*>(self);
        while (WaitForSingleObject(sampler->stop_, 5) == WAIT_TIMEOUT)
            sampler->sample();
        return 0;
    }
    void sample() {
        const uint64_t now = committedPrivateBytes();
        uint64_t seen = peak_.load();
        while (now > seen && !peak_.compare_exchange_weak(seen, now)) {
        }
    }

    HANDLE stop_;
    HANDLE thread_;
    std::atomic<uint64_t> peak_{0};
};

// A whole decimal number that fits 32 bits; no sign, no blanks.
inline bool parseUnsigned(const std::wstring& text, uint32_t& value) {
    if (text.empty())
        return false;
    uint64_t v = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return false;
        v = v * 10 + static_cast<uint64_t>(c - L'0');
        if (v > 0xFFFFFFFFull)
            return false;
    }
    value = static_cast<uint32_t>(v);
    return true;
}

// The non-empty lines of a UTF-8 text file (a byte-order mark and CR LF line ends allowed).
inline std::vector<std::wstring> readLines(const std::wstring& path, bool& ok) {
    std::vector<std::wstring> lines;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ok = file != INVALID_HANDLE_VALUE;
    if (!ok)
        return lines;
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        bytes.erase(0, 3);
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string text = bytes.substr(start, end - start);
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        if (!text.empty())
            lines.push_back(fromUtf8(text));
        start = end + 1;
    }
    return lines;
}

} // namespace bench
