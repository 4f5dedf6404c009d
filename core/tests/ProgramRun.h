#pragma once

// Runs a built program from a test as a user would: starts it, waits for its window, lets the
// test look at it, closes it and reads the exit code. The test's own thread keeps pumping its
// messages while it waits, so a program that broadcasts to every window is never held up.

#include <windows.h>

#include <functional>
#include <string>

namespace programtest {

struct WindowSearch {
    DWORD process;
    const std::wstring* caption;
    HWND found;

    static BOOL CALLBACK visit(HWND window, LPARAM parameter) {
        auto* s = reinterpret_cast<WindowSearch*>(parameter);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        wchar_t text[256] = {};
        GetWindowTextW(window, text, 256);
        if (owner == s->process && IsWindowVisible(window) && *s->caption == text) {
            s->found = window;
            return FALSE;
        }
        return TRUE;
    }
};

// A visible top-level window of the process with exactly this caption, or null.
inline HWND findProcessWindow(DWORD process, const std::wstring& caption) {
    WindowSearch search = {process, &caption, nullptr};
    EnumWindows(&WindowSearch::visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Waits up to milliseconds for the handle while dispatching this thread's messages.
inline bool waitPumping(HANDLE handle, DWORD milliseconds) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now >= end ? 0 : static_cast<DWORD>(end - now);
        const DWORD result = MsgWaitForMultipleObjects(1, &handle, FALSE, left < 50 ? left : 50, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0)
            return true;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (left == 0)
            return false;
    }
}

struct ProgramRun {
    bool started = false;     // the process could be created
    bool windowShown = false; // its window with the caption appeared in time
    bool exited = false;      // it ended within the wait after the close
    DWORD exitCode = 0;
};

// Starts the program with the arguments (already quoted as needed) in the folder (empty: this
// process's), waits up to 30 s for its window captioned caption, hands the window to whileShown,
// asks it to close and waits up to 30 s for the process to end. A program that shows no such
// window, or does not end, is terminated.
inline ProgramRun runProgramUntilClosed(const std::wstring& program, const std::wstring& arguments,
                                        const std::wstring& folder, const std::wstring& caption,
                                        const std::function<void(HWND)>& whileShown = nullptr) {
    ProgramRun run;
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process))
        return run;
    run.started = true;
    HWND window = nullptr;
    for (int i = 0; i < 600 && !window; ++i) {
        if (waitPumping(process.hProcess, 50))
            break;
        window = findProcessWindow(process.dwProcessId, caption);
    }
    if (window) {
        run.windowShown = true;
        if (whileShown)
            whileShown(window);
        PostMessageW(window, WM_CLOSE, 0, 0);
    } else {
        TerminateProcess(process.hProcess, 99);
    }
    run.exited = waitPumping(process.hProcess, 30000);
    if (run.exited)
        GetExitCodeProcess(process.hProcess, &run.exitCode);
    else
        TerminateProcess(process.hProcess, 96);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

} // namespace programtest
