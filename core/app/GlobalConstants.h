#pragma once

#include <windows.h>

#include <array>
#include <cstddef>

// Program-wide constants shared by several subsystems. The texts are compile-time constants,
// so they exist before any static initialiser runs.

// Sent by the update check and written as the export's creation tool version.
inline constexpr wchar_t kProgramVersion[] = L"1.2";
inline constexpr wchar_t kDefaultStyleName[] = L"CX";
inline constexpr wchar_t kTmxExtension[] = L".tmx";
inline constexpr wchar_t kGroupFileExtension[] = L".plexa";
inline constexpr const wchar_t* kBilingualDocumentExtensions[] = {L".xlf", L".ttx", L".sdlxliff"};
inline constexpr std::size_t kBilingualDocumentExtensionCount = 3;
inline constexpr wchar_t kSettingsFileExtension[] = L".cfg";

namespace winui {
// The toolkit's window classes: main forms; every other form and the progress popup; the
// toolkit's own painted child controls.
inline constexpr wchar_t mainWindowClass[] = L"280ba438-53d3-4170-9c65-321f8935f67b";
inline constexpr wchar_t windowClass[] = L"5fad9e06-8830-4656-859a-b1f3570f1c56";
inline constexpr wchar_t childWindowClass[] = L"5ad22c61-ba55-4fe1-8abf-daac9ffd236a";
} // namespace winui

// The system colours, read once at program start (before any style is read); the style
// library's colour table uses the same indices for its defaults.
enum SystemColorIndex {
    kSysWindow = 0,
    kSysWindowText,
    kSysHighlight,
    kSysHighlightText,
    kSysGrayText,
    kSysButtonFace,
    kSysButtonHighlight,
    kSysButtonShadow,
    kSysButtonText,
    kSysCaptionText,         // the active caption's background (COLOR_ACTIVECAPTION)
    kSysInactiveCaptionText,
    kSysFormBody,            // COLOR_BTNFACE
    kSysFormText,            // COLOR_BTNTEXT
    kSystemColorCount
};

using SystemColors = std::array<COLORREF, kSystemColorCount>;

// The values read at start-up; later changes of the system colours are not seen.
const SystemColors& systemColors();
// The colour at index; black for an index outside the table.
COLORREF systemColor(int index);
