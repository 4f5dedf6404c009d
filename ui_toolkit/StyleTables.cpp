#include "ui_toolkit/StyleTables.h"

#include "core/app/GlobalConstants.h"

#include <map>

// The style colours start from the system colours of the same index.
static_assert(int(kSystemColorCount) == int(winui::kStyleColorCount), "one colour per index");
static_assert(int(kSysWindow) == int(winui::kColorWindow) &&
                  int(kSysCaptionText) == int(winui::kColorCaptionText) &&
                  int(kSysFormBody) == int(winui::kColorFormBody),
              "the same order");

namespace winui {

namespace {

const wchar_t* const kElementNames[kStyleElementCount] = {
#define WINUI_STYLE_ELEMENT_NAME(id, name) name,
    WINUI_STYLE_ELEMENTS(WINUI_STYLE_ELEMENT_NAME)
#undef WINUI_STYLE_ELEMENT_NAME
};

const wchar_t* const kColorNames[kStyleColorCount] = {
    L"Window",     L"WindowText",      L"Highlight",    L"HighlightText", L"GrayText",
    L"ButtonFace", L"ButtonHighlight", L"ButtonShadow", L"ButtonText",    L"CaptionText",
    L"InactiveCaptionText", L"FormBody", L"FormText",
};

const wchar_t* const kDimensionNames[kStyleDimensionCount] = {
    L"WindowBorderWidth",       L"WindowCaptionHeight",  L"ToolWindowBorderWidth",
    L"ToolWindowCaptionHeight", L"TabControlFrameWidth", L"TabOverlap",
};

const wchar_t* const kOffsetNames[kStyleOffsetCount] = {
    L"windowCloseButtonOffset",   L"windowMaximizeButtonOffset", L"windowMinimizeButtonOffset",
    L"windowSysmenuButtonOffset", L"toolWindowCloseButtonOffset",
};

using NameIndex = std::map<std::wstring, int32_t>;

NameIndex buildIndex(const wchar_t* const* names, int32_t count) {
    NameIndex index;
    for (int32_t i = 0; i < count; ++i) index.emplace(names[i], i);
    return index;
}

int32_t lookUp(const NameIndex& index, const std::wstring& name) {
    const auto found = index.find(name);
    return found == index.end() ? -1 : found->second;
}

int32_t lookUpLinear(const wchar_t* const* names, int32_t count, const std::wstring& name) {
    for (int32_t i = 0; i < count; ++i)
        if (name == names[i]) return i;
    return -1;
}

} // namespace

int32_t styleElementIndex(const std::wstring& name) {
    static const NameIndex index = buildIndex(kElementNames, kStyleElementCount);
    return lookUp(index, name);
}

int32_t styleColorIndex(const std::wstring& name) {
    static const NameIndex index = buildIndex(kColorNames, kStyleColorCount);
    return lookUp(index, name);
}

int32_t styleDimensionIndex(const std::wstring& name) {
    return lookUpLinear(kDimensionNames, kStyleDimensionCount, name);
}

int32_t styleOffsetIndex(const std::wstring& name) {
    return lookUpLinear(kOffsetNames, kStyleOffsetCount, name);
}

const wchar_t* styleElementName(int32_t index) {
    return index >= 0 && index < kStyleElementCount ? kElementNames[index] : L"";
}

const wchar_t* styleColorName(int32_t index) {
    return index >= 0 && index < kStyleColorCount ? kColorNames[index] : L"";
}

const StyleColors& defaultStyleColors() { return systemColors(); }

} // namespace winui
