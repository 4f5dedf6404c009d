#pragma once

// Pieces of the document view's tests: the real documents beside the project, a work folder
// in the build, real key presses and an outside check that a saved document is well-formed.

#include "core/tests/TestFiles.h"
#include "ui_toolkit/WindowCapture.h"
#include "ui_toolkit/tests/RealInput.h"

#include <windows.h>

#include <string>
#include <vector>

namespace documenttest {

// The real XLIFF documents; empty when the corpus is not beside the project.
inline std::wstring corpusDocument(const wchar_t* name) {
    const std::wstring path = testfiles::corpusPath(std::wstring(L"xliff/") + name);
    return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES ? std::wstring() : path;
}

// A fresh folder in the build for one test, as Windows and as the system's tools name it. It
// lies in a folder of this process's own, so that two test programs running at once (the suite
// and a run of some of its tests) never write, hold or replace each other's documents.
struct WorkFolder {
    explicit WorkFolder(const std::wstring& name)
        : path(backslashed(std::wstring(L"" DOCUMENT_WORK_DIR) + L"\\" + processFolder() + L"\\" + name)),
          unixPath(std::string(DOCUMENT_WORK_DIR_UNIX) + "/" + narrow(processFolder()) + "/" + narrow(name)) {
        CreateDirectoryW(backslashed(L"" DOCUMENT_WORK_DIR).c_str(), nullptr);
        CreateDirectoryW(backslashed(std::wstring(L"" DOCUMENT_WORK_DIR) + L"\\" + processFolder()).c_str(), nullptr);
        CreateDirectoryW(path.c_str(), nullptr);
    }
    // The process id alone is not enough: two Wine prefixes hand out the same ids.
    static std::wstring processFolder() {
        static const std::wstring name =
            L"run-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount());
        return name;
    }
    static std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }
    std::wstring file(const std::wstring& name) const { return path + L"\\" + name; }

    static std::wstring backslashed(std::wstring text) {
        for (wchar_t& c : text)
            if (c == L'/')
                c = L'\\';
        return text;
    }
    std::string unixFile(const std::string& name) const { return unixPath + "/" + name; }

    std::wstring path;
    std::string unixPath;
};

// A working copy of a document, writable as a user's own document is. The copy is made anew
// over an earlier one; a copy takes the source's read-only mark with it (the corpus and the test
// data may be checked out read-only), and the program rightly refuses to replace a read-only
// document, so the mark is taken off.
inline bool copyDocument(const std::wstring& source, const std::wstring& copy) {
    SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!CopyFileW(source.c_str(), copy.c_str(), FALSE))
        return false;
    return SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL) != FALSE;
}

// Dispatches this thread's messages for about the time given.
inline void settle(DWORD milliseconds = 150) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    } while (GetTickCount() - start < milliseconds);
}

// A real key press with Ctrl or Shift held around it, given time to arrive.
inline void pressKey(WORD key, bool ctrl = false, bool shift = false) {
    std::vector<WORD> held;
    if (ctrl)
        held.push_back(VK_CONTROL);
    if (shift)
        held.push_back(VK_SHIFT);
    realinput::pressChord(held, key);
    settle();
}

inline void typeText(const std::wstring& text) {
    realinput::typeText(text);
    settle(300);
}

// Writes the window as a PNG into the folder the tests run in (the build folder).
inline bool screenshot(HWND window, const std::wstring& name) {
    settle(200);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    settle(100);
    return winui::writeWindowPng(window, name);
}

// Whether the system's own XML parser accepts the file: "parsed", the parser's complaint, or
// "skipped" where there is no python3 to ask.
inline std::string checkWithSystemParser(const WorkFolder& folder, const std::string& fileName) {
    if (GetFileAttributesW(L"Z:\\usr\\bin\\python3") == INVALID_FILE_ATTRIBUTES)
        return "skipped";
    const std::wstring result = folder.file(L"parse-result.txt");
    DeleteFileW(result.c_str());
    const std::string command = std::string("start.exe /unix /usr/bin/python3 ") + XML_CHECK_SCRIPT_UNIX + " " +
                                folder.unixFile(fileName) + " " + folder.unixFile("parse-result.txt");
    std::wstring line(command.begin(), command.end());
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return "could not start python3";
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int i = 0; i < 300; ++i) {
        const std::string text = testfiles::readText(result);
        if (!text.empty())
            return text;
        Sleep(100);
    }
    return "no answer from python3";
}

} // namespace documenttest
