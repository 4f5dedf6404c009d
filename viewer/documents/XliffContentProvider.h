#pragma once

#include "viewer/documents/BilingualDocument.h"

// An XLIFF document (".xlf", ".sdlxliff") as rows. An edited target replaces the content of the
// unit's first target element, which keeps its name and attributes; a unit without one gets a
// target element, named as the document's targets ("target" when it has none), right after its
// source.
class XliffContentProvider : public BilingualDocument {
public:
    explicit XliffContentProvider(const std::wstring& path);

    // "target" or "TRADOS_target" as the document writes them; empty before any was met.
    const std::wstring& targetElementName() const { return targetElementName_; }
    std::wstring targetLanguage() const override { return targetLanguage_; }

protected:
    bool parse(XmlFileStream& stream, std::vector<DocumentRow>& rows) override;
    std::wstring newTargetStartTag(const DocumentRow& row) const override;
    std::wstring newTargetEndTag(const DocumentRow& row) const override;

private:
    std::wstring writtenTargetName() const;

    std::wstring targetElementName_;
    std::wstring targetLanguage_;
};
