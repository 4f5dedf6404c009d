// tmx_bench index PATH --cancel-after MS: how fast a running load answers a stop. The file (or
// group) is opened on a loader thread as the viewer opens it, with every index deleted first so
// that it is rebuilt; after MS milliseconds the loader is stopped as the viewer's close stops it.

#include "core/util/StringUtils.h"
#include "tmx_engine/TmxFileLoaderThread.h"
#include "tools/tmx_bench/BenchCommands.h"
#include "tools/tmx_bench/BenchSupport.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

// The loader with its stop-and-wait in reach, as the loader's owner uses it when it goes.
class StoppableLoader : public TmxFileLoaderThread {
public:
    using TmxFileLoaderThread::TmxFileLoaderThread;
    using Thread::stopAndJoin;
};

// Files whose names start with the name of path plus a dot: its index and any temporary file.
std::vector<std::wstring> filesBeside(const std::wstring& path) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L".*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    const std::wstring own = getFileName(path);
    do {
        if (data.cFileName != own)
            names.push_back(data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

} // namespace

bool takeCancelAfter(std::vector<std::wstring>& args, uint32_t& milliseconds, bool& given) {
    given = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != L"--cancel-after")
            continue;
        if (i + 1 >= args.size() || !bench::parseUnsigned(args[i + 1], milliseconds))
            return false;
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        given = true;
        return true;
    }
    return true;
}

int runCancelledLoad(const std::wstring& path, const std::vector<std::wstring>& tmxFiles, uint32_t milliseconds) {
    for (const std::wstring& tmx : tmxFiles)
        DeleteFileW((tmx + L".idx").c_str());

    StoppableLoader loader(path);
    SetThreadPriority(loader.handle(), THREAD_PRIORITY_HIGHEST);
    loader.start();
    const bool endedFirst = WaitForSingleObject(loader.handle(), milliseconds) == WAIT_OBJECT_0;
    // Where the load stood: 1..99 parsing (terms entered alongside), 100 the last terms going in
    // or the index being written, 0 before the parse or when opening the fresh index.
    const int progress = loader.loadProgress();
    bench::Stopwatch watch;
    loader.stopAndJoin();
    const double stopUs = watch.microseconds();

    bench::print("ended_before_stop", endedFirst ? "yes" : "no");
    bench::print("progress_at_stop", static_cast<uint64_t>(progress));
    bench::print("stop_ms", bench::fixed(stopUs / 1000, 1));
    bench::print("load_code", static_cast<uint64_t>(loader.resultCode()));
    bench::print("terminated", loader.wasTerminated() ? "yes" : "no");
    for (const std::wstring& tmx : tmxFiles)
        for (const std::wstring& name : filesBeside(tmx))
            bench::print("left_beside", toUtf8(name));
    return loader.wasTerminated() ? 3 : 0;
}
