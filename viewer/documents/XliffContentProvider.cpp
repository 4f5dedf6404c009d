#include "viewer/documents/XliffContentProvider.h"

#include "core/xml/XmlFileStream.h"
#include "viewer/documents/XliffParser.h"

XliffContentProvider::XliffContentProvider(const std::wstring& path) : BilingualDocument(path) {
    open();
}

bool XliffContentProvider::parse(XmlFileStream& stream, std::vector<DocumentRow>& rows) {
    XliffParser parser(stream);
    if (!parser.parseDocument()) {
        return false;
    }
    rows = std::move(parser.rows());
    targetElementName_ = parser.targetElementName();
    targetLanguage_ = parser.targetLanguage();
    return true;
}

std::wstring XliffContentProvider::writtenTargetName() const {
    return targetElementName_.empty() ? std::wstring(L"target") : targetElementName_;
}

std::wstring XliffContentProvider::newTargetStartTag(const DocumentRow&) const {
    return L"<" + writtenTargetName() + L">";
}

std::wstring XliffContentProvider::newTargetEndTag(const DocumentRow&) const {
    return L"</" + writtenTargetName() + L">";
}
