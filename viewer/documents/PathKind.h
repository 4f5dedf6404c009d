#pragma once

#include <string>

// What a path opens, judged by its extension in any letter case: a translation memory, a group
// of them, or a translator's bilingual document. Every place of the viewer that must know what a
// path is asks this one table.
enum class PathKind { Unsupported, TmxFile, Group, TtxDocument, XliffDocument };

PathKind pathKindOf(const std::wstring& path);

// TTX or XLIFF: a document opened beside the memory rather than in its place.
bool isDocumentKind(PathKind kind);
