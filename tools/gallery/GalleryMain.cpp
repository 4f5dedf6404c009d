// The control gallery: shows every control of the toolkit in its states and a grid over a
// million synthetic rows, in the "CX" style or another one.
//
//   gallery [--style NAME|none] [--screenshot FILE] [--bench]
//
// --screenshot writes a PNG of the window, reads it back and exits (1 when the file does not
// decode at the window's size); --bench times the grid and prints the figures.

#include "core/app/Application.h"
#include "core/app/MessageLoop.h"
#include "core/util/FileUtils.h"
#include "tools/gallery/GalleryForm.h"
#include "tools/gallery/GridBench.h"
#include "ui_toolkit/Image.h"
#include "ui_toolkit/StyleLibrary.h"
#include "ui_toolkit/WindowCapture.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr int32_t kGalleryRows = 1000000;
// A screenshot is a few MB; anything larger read back is not ours.
constexpr uint64_t kLargestScreenshot = 64u << 20;

struct Options {
    std::wstring style = L"CX";
    std::wstring screenshot;
    bool bench = false;
};

int usage(const wchar_t* problem) {
    std::fwprintf(stderr, L"gallery: %ls\nusage: gallery [--style NAME|none] [--screenshot FILE] [--bench]\n",
                  problem);
    return 2;
}

// Lets the window system deliver what showing the window caused: about half a second.
void settle() {
    for (int i = 0; i < 25; ++i) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(20);
    }
}

int takeScreenshot(GalleryForm& form, const std::wstring& path) {
    settle();
    if (!winui::writeWindowPng(form.hwnd, path)) {
        std::fwprintf(stderr, L"gallery: could not write the screenshot \"%ls\"\n", path.c_str());
        return 1;
    }
    std::vector<uint8_t> bytes;
    winui::Image image;
    const winui::Rect client = form.clientRect();
    if (!readWholeFile(path, kLargestScreenshot, bytes) || !image.decodePng(bytes.data(), bytes.size()) ||
        image.width() != client.width() || image.height() != client.height()) {
        std::fwprintf(stderr, L"gallery: \"%ls\" does not read back as a %dx%d picture\n", path.c_str(),
                      client.width(), client.height());
        return 1;
    }
    std::wprintf(L"gallery: wrote \"%ls\" (%dx%d)\n", path.c_str(), image.width(), image.height());
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--bench") {
            options.bench = true;
        } else if ((arg == L"--style" || arg == L"--screenshot") && i + 1 < argc) {
            (arg == L"--style" ? options.style : options.screenshot) = argv[++i];
        } else {
            return usage((L"unknown argument \"" + arg + L"\"").c_str());
        }
    }

    Application& application = Application::instance();
    application.setInstanceHandle(GetModuleHandleW(nullptr));
    winui::Style* style = nullptr;
    if (options.style != L"none") {
        style = winui::getStyle(options.style);
        if (!style)
            return usage((L"no style named \"" + options.style + L"\"").c_str());
    }

    int result = 0;
    if (options.bench) {
        result = runGridBench(style);
    } else {
        GalleryForm form(style, kGalleryRows);
        ShowWindow(form.hwnd, SW_SHOWNORMAL);
        SetForegroundWindow(form.hwnd);
        form.showFocus();
        UpdateWindow(form.hwnd);
        result = options.screenshot.empty() ? runMessageLoop(application)
                                            : takeScreenshot(form, options.screenshot);
    }
    winui::releaseStyles();
    return result;
}
