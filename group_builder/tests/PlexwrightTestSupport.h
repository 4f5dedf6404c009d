#pragma once

// Helpers for the tests that drive the group builder's real windows: message pumping, a file
// chooser that answers in place of the platform's dialogs, and a presser for real message
// boxes.

#include "group_builder/forms/FileChooser.h"

#include <windows.h>

#include <deque>
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

// Presses a button (IDYES, IDNO, IDCANCEL, IDOK) in each real message box that this thread
// shows while the object lives, one answer per box in order, and keeps each box's text. A
// thread timer looks for the box; the box's own modal loop runs the timer.
class MessageBoxAnswerer {
public:
    explicit MessageBoxAnswerer(std::vector<int> answers) : answers_(answers.begin(), answers.end()) {
        active_ = this;
        timer_ = SetTimer(nullptr, 0, 20, &MessageBoxAnswerer::onTimer);
    }
    ~MessageBoxAnswerer() {
        KillTimer(nullptr, timer_);
        active_ = nullptr;
    }
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

    // Texts of the boxes answered, in order.
    std::vector<std::wstring> texts;
    std::size_t unanswered() const { return answers_.size(); }

private:
    static BOOL CALLBACK findBox(HWND window, LPARAM found) {
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (std::wstring(name) == L"#32770" && IsWindowVisible(window)) {
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        }
        return TRUE;
    }

    static void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD) {
        MessageBoxAnswerer* self = active_;
        if (!self || self->answers_.empty())
            return;
        HWND box = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), &MessageBoxAnswerer::findBox, reinterpret_cast<LPARAM>(&box));
        if (!box || box == self->lastBox_)
            return;
        self->lastBox_ = box;
        wchar_t text[1024] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 1024);
        self->texts.push_back(text);
        const int answer = self->answers_.front();
        self->answers_.pop_front();
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
    }

    static inline MessageBoxAnswerer* active_ = nullptr;
    std::deque<int> answers_;
    UINT_PTR timer_ = 0;
    HWND lastBox_ = nullptr;
};

} // namespace plexwrighttest
