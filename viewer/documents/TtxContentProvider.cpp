#include "viewer/documents/TtxContentProvider.h"

#include "core/xml/XmlAttributes.h"
#include "core/xml/XmlFileStream.h"
#include "viewer/documents/TtxParser.h"

TtxContentProvider::TtxContentProvider(const std::wstring& path) : BilingualDocument(path) {
    open();
}

bool TtxContentProvider::parse(XmlFileStream& stream, std::vector<DocumentRow>& rows) {
    TtxParser parser(stream);
    if (!parser.parseDocument()) {
        return false;
    }
    rows = std::move(parser.rows());
    targetLanguage_ = parser.targetLanguage();
    return true;
}

std::wstring TtxContentProvider::newTargetStartTag(const DocumentRow&) const {
    XmlAttributes attributes;
    attributes.set(L"Lang", targetLanguage_);
    return L"<Tuv" + attributes.toMarkup() + L">";
}

std::wstring TtxContentProvider::newTargetEndTag(const DocumentRow&) const {
    return L"</Tuv>";
}
