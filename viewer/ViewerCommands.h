#pragma once

#include <windows.h>

#include <cstdint>

// The commands the main window posts to itself (WM_COMMAND, code in the high word, 0xFFFF in
// the low word), so that each step runs later on the GUI thread through the message loop.
enum ViewerCommand : uint16_t {
    kCommandChooseDocument = 0xFFE1,
    kCommandChooseTmxFile = 0xFFE2,
    // Posted by the constructor: handled on the first turn of the message loop, after the main
    // routine has shown the window and handed over the command-line path.
    kCommandReady = 0xFFE3,
    // Opens the window's pending open request: a memory is loaded, a document opened beside it.
    kCommandOpenStoredPath = 0xFFE4,
    kCommandStartUpdateCheck = 0xFFE5,
};

// The main window's timers.
enum ViewerTimer : UINT_PTR {
    kLoadPollTimer = 100,
    kExportPopupTimer = 101,
};

// Both timers tick every 800 ms: the load poll re-arms itself; the export's popup appears
// only when the export still runs after one tick.
constexpr UINT kViewerTimerIntervalMs = 800;

// The caption of the window and of its message boxes.
inline constexpr wchar_t kViewerCaption[] = L"Varnel";
