#pragma once

#include "viewer/documents/TranslatableContentProvider.h"

#include <memory>
#include <string>

// Opens a bilingual document by its path's kind (PathKind): TTX or XLIFF; null for a path of any
// other kind, or when there is no memory for the provider. The caller checks failed().
std::unique_ptr<TranslatableContentProvider> openTranslatableDocument(const std::wstring& path);
