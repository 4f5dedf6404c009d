#pragma once

#include <string>

// What Process finds wrong with the form's fields before it asks where to save.
enum class ProcessCheck {
    Ready,           // go on to the save dialog
    MissingPath,     // no TMX file chosen: beep, focus the path edit
    MissingLanguage, // blank language and the prop box not ticked: beep, focus the language edit
};

// A blank language (blanks only count as none) is allowed with removeProps: every language is
// then kept and only the prop elements go.
ProcessCheck checkProcessInput(const std::wstring& path, const std::wstring& language,
                               bool removeProps);
