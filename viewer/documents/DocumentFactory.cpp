#include "viewer/documents/DocumentFactory.h"

#include "viewer/documents/PathKind.h"
#include "viewer/documents/TtxContentProvider.h"
#include "viewer/documents/XliffContentProvider.h"

#include <new>

std::unique_ptr<TranslatableContentProvider> openTranslatableDocument(const std::wstring& path) {
    try {
        switch (pathKindOf(path)) {
        case PathKind::TtxDocument:
            return std::make_unique<TtxContentProvider>(path);
        case PathKind::XliffDocument:
            return std::make_unique<XliffContentProvider>(path);
        default:
            return nullptr;
        }
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
