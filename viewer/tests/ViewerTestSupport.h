#pragma once

#include "core/settings/Settings.h"
#include "tmx_engine/TmxFile.h"
#include "ui_toolkit/FileDialog.h"
#include "viewer/LoadPoll.h"
#include "viewer/ViewerPrompts.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Shared pieces of the viewer's window tests: answers for the modal questions, a loader that
// reports what the test scripts, and a message pump with a bound so that no test can hang.

// Records every message box and answers the file dialogs with what the test put in.
class ScriptedPrompts : public ViewerPrompts {
public:
    struct Shown {
        std::wstring text;
        std::wstring caption;
        UINT type;
    };
    struct Answer {
        bool confirm = false;
        std::wstring fileName;
        int32_t filterIndex = 1;
    };

    int showMessage(winui::Control&, const std::wstring& text, const std::wstring& caption,
                    UINT type) override {
        messages.push_back({text, caption, type});
        return IDOK;
    }
    bool showOpen(winui::FileDialog& dialog) override { return answer(dialog); }
    bool showSave(winui::FileDialog& dialog) override { return answer(dialog); }

    bool answer(winui::FileDialog& dialog) {
        askedFilterIndex = dialog.filterIndex;
        askedFolder = dialog.initialFolder;
        askedFlags = dialog.flags;
        if (!next.confirm)
            return false;
        dialog.fileName = next.fileName;
        dialog.filterIndex = next.filterIndex;
        return true;
    }

    std::vector<Shown> messages;
    Answer next;
    int32_t askedFilterIndex = 0;
    std::wstring askedFolder;
    DWORD askedFlags = 0;
};

// One tick's view of a scripted load: the progress the poll reads, and whether the load has
// ended by then.
struct ScriptedTick {
    int progress;
    bool ended;
};

class ScriptedLoader : public FileLoader {
public:
    ScriptedLoader(std::vector<ScriptedTick> ticks, LoadCode result,
                   std::unique_ptr<TmxEntryProvider> provider, bool* stopped)
        : ticks_(std::move(ticks)), result_(result), provider_(std::move(provider)), stopped_(stopped) {}
    ~ScriptedLoader() override {
        if (stopped_ && !ended())
            *stopped_ = true;
    }

    void start() override { started_ = true; }
    int loadProgress() override {
        const size_t i = next_ < ticks_.size() ? next_ : ticks_.size() - 1;
        ++next_;
        return ticks_.empty() ? 0 : ticks_[i].progress;
    }
    bool hasEnded() override { return ended(); }
    LoadCode resultCode() override { return ended() ? result_ : kLoadNotEnded; }
    std::unique_ptr<TmxEntryProvider> takeProvider() override {
        return ended() && result_ == kLoaded ? std::move(provider_) : nullptr;
    }

private:
    // The tick whose progress was read last decides.
    bool ended() const {
        if (ticks_.empty())
            return true;
        const size_t last = next_ == 0 ? 0 : next_ - 1;
        return ticks_[last < ticks_.size() ? last : ticks_.size() - 1].ended;
    }

    std::vector<ScriptedTick> ticks_;
    LoadCode result_;
    std::unique_ptr<TmxEntryProvider> provider_;
    bool* stopped_;
    bool started_ = false;
    size_t next_ = 0;
};

// Dispatches what is queued, and what arrives, until done() holds or boundMs pass. WM_QUIT is
// taken from the queue and counted, so that a test may see the program asked to end.
inline bool pumpUntil(const std::function<bool()>& done, DWORD boundMs, int* quits = nullptr) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                if (quits)
                    ++*quits;
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done())
            return true;
        if (GetTickCount() - start > boundMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// Only what is queued now.
inline void pumpQueued(int* quits = nullptr) {
    pumpUntil([] { return true; }, 0, quits);
}

// A fresh folder under the temporary folder, with a copy of the sample in it.
inline std::wstring makeScratchFolder(const wchar_t* name) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + name + L"-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

inline std::wstring copySample(const std::wstring& folder) {
    const std::wstring target = folder + L"\\sample.tmx";
    CopyFileW(L"" SAMPLE_TMX_PATH, target.c_str(), FALSE);
    DeleteFileW((target + L".idx").c_str());
    return target;
}

inline std::unique_ptr<TmxFile> openTmx(const std::wstring& path) {
    auto file = std::make_unique<TmxFile>();
    return file->load(path) == kLoaded ? std::move(file) : nullptr;
}

// Every window test starts from empty settings.
inline void resetSettings() {
    Settings::global().clear();
}
