#pragma once

// Answers the platform's real modal dialogs (message boxes, open and save dialogs) from a
// script, for tests that drive windows as a user would.

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace winuitest {

// Acts on the platform's modal dialogs that this thread shows while the object lives: each step
// waits for a visible dialog of its kind (a message box, or an open or save dialog) and acts on
// it, in order. A thread timer looks for them; the dialogs' own modal loops run the timer.
class DialogScript {
public:
    enum Kind { MessageBox, FileDialog };
    struct Step {
        Kind kind;
        std::function<void(DialogScript& script, HWND dialog)> act;
    };

    explicit DialogScript(std::vector<Step> steps) : steps_(steps.begin(), steps.end()) {
        active_ = this;
        timer_ = SetTimer(nullptr, 0, 20, &DialogScript::onTimer);
    }
    ~DialogScript() {
        KillTimer(nullptr, timer_);
        active_ = nullptr;
    }
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    // A message box step: keeps the box's text and presses the button (IDYES, IDNO, IDCANCEL,
    // IDOK).
    static Step press(int button) {
        return {MessageBox, [button](DialogScript& script, HWND box) {
                    wchar_t text[1024] = {};
                    GetDlgItemTextW(box, kMessageTextId, text, 1024);
                    script.texts.push_back(text);
                    pressButton(box, button);
                }};
    }
    // A file dialog step: types the name and presses OK; an empty name presses Cancel.
    static Step fileName(const std::wstring& name) {
        return {FileDialog, [name](DialogScript&, HWND dialog) {
                    if (name.empty()) {
                        pressButton(dialog, IDCANCEL);
                        return;
                    }
                    SetDlgItemTextW(dialog, GetDlgItem(dialog, kFileNameComboId) ? kFileNameComboId : kFileNameEditId,
                                    name.c_str());
                    pressButton(dialog, IDOK);
                }};
    }
    static void pressButton(HWND dialog, int button) {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
    }

    // Texts of the message boxes answered, in order.
    std::vector<std::wstring> texts;
    std::size_t remaining() const { return steps_.size(); }

private:
    static constexpr int kMessageTextId = 0xFFFF;
    static constexpr int kFileNameComboId = 0x47C;
    static constexpr int kFileNameEditId = 0x480;

    static Kind kindOf(HWND dialog) {
        return GetDlgItem(dialog, kFileNameComboId) || GetDlgItem(dialog, kFileNameEditId) ? FileDialog : MessageBox;
    }

    struct Search {
        Kind kind;
        HWND skip;
        HWND found;
    };
    static BOOL CALLBACK findDialog(HWND window, LPARAM param) {
        auto* search = reinterpret_cast<Search*>(param);
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (std::wstring(name) == L"#32770" && IsWindowVisible(window) && window != search->skip &&
            kindOf(window) == search->kind) {
            search->found = window;
            return FALSE;
        }
        return TRUE;
    }

    static void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD) {
        DialogScript* self = active_;
        if (!self || self->steps_.empty())
            return;
        Search search = {self->steps_.front().kind, self->lastDialog_, nullptr};
        EnumThreadWindows(GetCurrentThreadId(), &DialogScript::findDialog, reinterpret_cast<LPARAM>(&search));
        if (!search.found)
            return;
        self->lastDialog_ = search.found;
        const Step step = self->steps_.front();
        self->steps_.pop_front();
        step.act(*self, search.found);
    }

    static inline DialogScript* active_ = nullptr;
    std::deque<Step> steps_;
    UINT_PTR timer_ = 0;
    HWND lastDialog_ = nullptr;
};

// Presses one button in each message box, in order.
class MessageBoxAnswerer : public DialogScript {
public:
    explicit MessageBoxAnswerer(const std::vector<int>& answers) : DialogScript(stepsFor(answers)) {}
    std::size_t unanswered() const { return remaining(); }

private:
    static std::vector<Step> stepsFor(const std::vector<int>& answers) {
        std::vector<Step> steps;
        for (int answer : answers)
            steps.push_back(press(answer));
        return steps;
    }
};

} // namespace winuitest
