#pragma once

#include "tmx_engine/TmxEntryProvider.h"

#include <cstdint>
#include <memory>
#include <string>

// One file being opened on a thread of its own, as the main window polls it. The program uses
// ThreadFileLoader; tests script the progress and the outcome.
class FileLoader {
public:
    virtual ~FileLoader() = default;
    // Starts the load (at the highest thread priority for a thread).
    virtual void start() = 0;
    // 0 to 100 while the load runs.
    virtual int loadProgress() = 0;
    // Never waits.
    virtual bool hasEnded() = 0;
    // After the end: kLoaded or the failure; kLoadNotEnded before.
    virtual LoadCode resultCode() = 0;
    // After a successful end: the opened file or group; null on later calls.
    virtual std::unique_ptr<TmxEntryProvider> takeProvider() = 0;
};

// The loader thread of the TMX engine. Deleting it while the load runs asks the load to stop
// and waits for the thread to end.
std::unique_ptr<FileLoader> makeThreadFileLoader(const std::wstring& path);

// What one tick of the load poll does to the progress popup, from what it sees: whether the
// popup exists, whether its bar is hidden, the load's progress p and the number of ticks so far
// (this one included).
struct PollStep {
    // Create the popup and show it modal (with the label and bar below).
    bool createPopup = false;
    // The localisation key of the label's new text; null leaves the label alone.
    const wchar_t* labelKey = nullptr;
    enum class Bar { Unchanged, Show, Hide } bar = Bar::Unchanged;
    // The bar's new position; -1 leaves it alone.
    int position = -1;
};

// A load that ends within the first tick shows nothing; one without progress shows
// "OpeningFile" (no bar) from the second tick on, for as long as the progress stays 0; a rebuild of the index shows "IndexingPleaseWait" with
// its percentage; the final write of the index shows "SavingIndex" without a bar.
PollStep decidePollStep(bool popupExists, bool barHidden, int progress, uint32_t ticks);
