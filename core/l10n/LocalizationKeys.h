#pragma once

#include <cstddef>

// Every key that the three programs look up in the strings tables. Each strings file under
// resources/strings/ defines exactly these keys; a test holds them to it, so a key added to a
// window must be added here and to all eight files.
namespace l10n {

inline constexpr const wchar_t* kLocalizationKeys[] = {
    // Messages shared by the programs
    L"ErrorOpeningFile",
    L"ErrorWritingFile",
    L"UnsupportedFileFormat",
    L"IncompatibleIndexFile",
    L"ConfirmReplaceFile",

    // File dialog filter descriptions
    L"TMXfiles",
    L"PlexaFiles",
    L"TXTfiles",
    L"XLFfiles",
    L"TTXfiles",

    // Shared button texts
    L"OK",
    L"Cancel",
    L"Close",
    L"Browse",
    L"Change",

    // Viewer: main window, its context menu and its progress popups
    L"Search",
    L"Copy",
    L"CopyText",
    L"ViewEntry",
    L"ExportResults",
    L"OpenTM",
    L"Settings",
    L"OpeningFile",
    L"IndexingPleaseWait",
    L"SavingIndex",
    L"Exporting",

    // Viewer: bilingual documents
    L"OpenDocument",
    L"SaveDocument",
    L"AskSaveDocument",
    L"DocumentRowEdited",
    L"DocumentRowConfirmed",
    L"DocumentRowUnusable",

    // Viewer: update check
    L"VersionLearnMore",
    L"UpdateChecker",

    // Viewer: entry details window
    L"EntryDetails",
    L"TargetLanguage",
    L"TargetLanguages",
    L"SourceSegment",
    L"TargetSegment",
    L"CreationDate",
    L"ModifDate",
    L"CreationID",
    L"ModifID",
    L"OffsetInFile",

    // Viewer: settings window, its tabs, labels and check boxes
    L"SettingsDialogTitle",
    L"FontsAndColors",
    L"TMResults",
    L"Advanced",
    L"Interface",
    L"Font",
    L"TMColFont",
    L"TextColor",
    L"BGColor1",
    L"BGColor2",
    L"MatchTextStyle",
    L"ApplyTMColor",
    L"MaxSearchResults",
    L"ShowPlaceholders",
    L"ShowTags",
    L"AlwaysShowLanguage",
    L"InstantCopyText",
    L"AutoSearchPasted",
    L"Language",
    L"Style",

    // Viewer: matched text styles (list entries, by stored index)
    L"Default",
    L"Bold",
    L"Italic",
    L"Underline",
    L"Highlight",

    // Viewer: where the group members' colours apply (list entries, by stored index)
    L"DoNotApply",
    L"MatchedText",
    L"TMNames",
    L"TMNamesBG",
    L"SegmentsBG",
    L"Everything",

    // Group builder
    L"NewGroup",
    L"Open",
    L"SaveAs",
    L"AskSaveChanges",
    L"TooManyGroupMembers",
    L"TMXProps",
    L"File",
    L"ShortName",
    L"Color",

    // Filter tool
    L"TMXfile",
    L"RemovePropTags",
    L"Process",
    L"Processing",
    L"ProcessingError",
    L"FileSaved",
    L"NoLangMatch",
    L"ChooseLanguage",
};

inline constexpr size_t kLocalizationKeyCount =
    sizeof(kLocalizationKeys) / sizeof(kLocalizationKeys[0]);

} // namespace l10n
