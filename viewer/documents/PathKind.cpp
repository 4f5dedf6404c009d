#include "viewer/documents/PathKind.h"

#include "core/app/GlobalConstants.h"
#include "core/util/StringUtils.h"

namespace {

const struct {
    const wchar_t* extension;
    PathKind kind;
} kPathKinds[] = {
    {kTmxExtension, PathKind::TmxFile},
    {kGroupFileExtension, PathKind::Group},
    {L".ttx", PathKind::TtxDocument},
    {L".xlf", PathKind::XliffDocument},
    {L".sdlxliff", PathKind::XliffDocument},
};

} // namespace

PathKind pathKindOf(const std::wstring& path) {
    const std::wstring lower = toLowerCase(path);
    for (const auto& entry : kPathKinds) {
        if (endsWith(entry.extension, lower))
            return entry.kind;
    }
    return PathKind::Unsupported;
}

bool isDocumentKind(PathKind kind) {
    return kind == PathKind::TtxDocument || kind == PathKind::XliffDocument;
}
