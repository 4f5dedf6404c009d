#pragma once

#include "viewer/documents/BilingualDocument.h"

// A TTX document as rows. An edited target replaces the content of the unit's target "Tuv";
// a unit without one gets a target "Tuv" right after its source "Tuv".
class TtxContentProvider : public BilingualDocument {
public:
    explicit TtxContentProvider(const std::wstring& path);

    std::wstring targetLanguage() const override { return targetLanguage_; }

protected:
    bool parse(XmlFileStream& stream, std::vector<DocumentRow>& rows) override;
    std::wstring newTargetStartTag(const DocumentRow& row) const override;
    std::wstring newTargetEndTag(const DocumentRow& row) const override;

private:
    std::wstring targetLanguage_;
};
