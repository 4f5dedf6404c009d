#pragma once

// Helpers for the tests that drive the group builder's real windows: message pumping, a file
// chooser that answers in place of the platform's dialogs, and a presser for real message
// boxes.

#include "group_builder/forms/FileChooser.h"
#include "ui_toolkit/tests/DialogScript.h"
#include "ui_toolkit/tests/RealInput.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace plexwrighttest {

// Runs every message queued for this thread.
inline void pumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// A real left click at a point of a window's client area, through the system's input queue:
// it reaches whatever window lies there, or holds the mouse capture.
inline void realClick(HWND window, int x, int y) {
    realinput::click(window, x, y);
    // The input reaches the windows through the queue: let it arrive.
    for (int i = 0; i < 20; ++i) {
        pumpMessages();
        Sleep(10);
    }
}

// Answers file questions from a queue: a path chooses it, an empty answer cancels. Every
// request is kept for the test to check.
class ScriptedChooser {
public:
    void choose(const std::wstring& path) { answers_.push_back(path); }
    void cancel() { answers_.push_back(std::wstring()); }

    FileChooser function() {
        return [this](winui::Control*, const FileRequest& request, std::wstring& chosen) {
            requests.push_back(request);
            if (answers_.empty())
                return false;
            const std::wstring answer = answers_.front();
            answers_.pop_front();
            if (answer.empty())
                return false;
            chosen = answer;
            return true;
        };
    }
    std::size_t pending() const { return answers_.size(); }
    // Forgets the answers not used and the requests.
    void clear() {
        answers_.clear();
        requests.clear();
    }

    std::vector<FileRequest> requests;

private:
    std::deque<std::wstring> answers_;
};

// The dialog presser is the toolkit tests' own.
using winuitest::DialogScript;
using winuitest::MessageBoxAnswerer;

} // namespace plexwrighttest
