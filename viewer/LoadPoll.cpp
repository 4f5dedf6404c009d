#include "viewer/LoadPoll.h"

#include "tmx_engine/TmxFileLoaderThread.h"

namespace {

class ThreadFileLoader final : public FileLoader {
public:
    explicit ThreadFileLoader(const std::wstring& path) : thread_(path) {}

    void start() override {
        if (HANDLE handle = thread_.handle())
            SetThreadPriority(handle, THREAD_PRIORITY_HIGHEST);
        thread_.start();
    }
    int loadProgress() override { return thread_.loadProgress(); }
    bool hasEnded() override { return thread_.hasEnded(); }
    LoadCode resultCode() override { return thread_.resultCode(); }
    std::unique_ptr<TmxEntryProvider> takeProvider() override { return thread_.takeProvider(); }

private:
    TmxFileLoaderThread thread_;
};

} // namespace

std::unique_ptr<FileLoader> makeThreadFileLoader(const std::wstring& path) {
    return std::make_unique<ThreadFileLoader>(path);
}

PollStep decidePollStep(bool popupExists, bool barHidden, int progress, uint32_t ticks) {
    PollStep step;
    if (!popupExists) {
        if (progress >= 1 && progress <= 99) {
            step.createPopup = true;
            step.labelKey = L"IndexingPleaseWait";
            step.bar = PollStep::Bar::Show;
            step.position = progress;
        } else if (progress == 0 && ticks >= 2) {
            step.createPopup = true;
            step.labelKey = L"OpeningFile";
            step.bar = PollStep::Bar::Hide;
        }
        return step;
    }
    if (progress == 100) {
        step.labelKey = L"SavingIndex";
        step.bar = PollStep::Bar::Hide;
        return step;
    }
    // Nothing new to show: "OpeningFile" stays up while the open reports no progress.
    if (progress == 0 && barHidden)
        return step;
    if (barHidden) {
        step.bar = PollStep::Bar::Show;
        step.labelKey = L"IndexingPleaseWait";
    }
    if (progress >= 0)
        step.position = progress;
    return step;
}
