#include "viewer/documents/TtxContentProvider.h"

#include "core/xml/XmlAttributes.h"
#include "core/xml/XmlFileStream.h"
#include "viewer/documents/TtxParser.h"

bool parseTtxDocument(XmlFileStream& stream, std::vector<DocumentRow>& rows,
                      std::wstring& targetLanguage, std::wstring& targetElementName) {
    TtxParser parser(stream);
    if (!parser.parseDocument()) {
        return false;
    }
    rows = std::move(parser.rows());
    targetLanguage = parser.targetLanguage();
    targetElementName = parser.targetElementName();
    return true;
}

std::wstring ttxTargetStartTag(const std::wstring& targetLanguage) {
    XmlAttributes attributes;
    attributes.set(L"Lang", targetLanguage);
    return L"<Tuv" + attributes.toMarkup() + L">";
}

TtxContentProvider::TtxContentProvider(const std::wstring& path) : BilingualDocument(path) {
    open();
}

bool TtxContentProvider::parse(XmlFileStream& stream, std::vector<DocumentRow>& rows) {
    std::wstring targetName;
    return parseTtxDocument(stream, rows, targetLanguage_, targetName);
}

std::wstring TtxContentProvider::newTargetStartTag(const DocumentRow&) const {
    return ttxTargetStartTag(targetLanguage_);
}

std::wstring TtxContentProvider::newTargetEndTag(const DocumentRow&) const {
    return L"</Tuv>";
}
