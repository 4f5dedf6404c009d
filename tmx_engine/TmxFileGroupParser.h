#pragma once

#include "core/xml/XmlParser.h"

#include <cstdint>
#include <string>
#include <vector>

// Reads a .plexa group file: one member per "tmxfile" element, wherever it stands, with its
// "shortName" and "color" attributes and its text as the member's TMX path. The three lists stay
// aligned: the text of one element is joined from all of its pieces (text around comments,
// CDATA sections, child elements) and trimmed of surrounding blanks, and an element whose path
// is empty is left out together with its name and colour.
class TmxFileGroupParser : public XmlParser {
public:
    TmxFileGroupParser();

    // Member paths as written in the file (relative or full), short names and COLORREFs, in
    // file order.
    const std::vector<std::wstring>& paths() const { return paths_; }
    const std::vector<std::wstring>& names() const { return names_; }
    const std::vector<uint32_t>& colors() const { return colors_; }
    // True when the document ended inside a "tmxfile" element: the file was cut off, and the
    // member being read is lost.
    bool truncated() const { return depth_ > 0; }
    // True when the document held at least one element and closed every element it opened; a
    // text that is no XML document at all, or one cut off anywhere inside its elements, is not.
    bool complete() const { return sawElement_ && openElements_ == 0; }

    void startElement(const std::wstring& name, const XmlAttributes& attributes, bool isEmpty) override;
    void endElement(const std::wstring& name, bool isEmpty) override;
    void characterData(const std::wstring& text) override;
    void cdata(const std::wstring& text) override;

private:
    void finishMember();

    std::vector<std::wstring> paths_;
    std::vector<std::wstring> names_;
    std::vector<uint32_t> colors_;
    // Open elements from the current "tmxfile" down; 0 outside any.
    int depth_ = 0;
    // Elements of the whole document opened and not yet closed.
    int openElements_ = 0;
    bool sawElement_ = false;
    std::wstring text_;
    std::wstring name_;
    uint32_t color_ = 0;
};

// The sentinel for a member without a colour.
constexpr uint32_t kNoGroupColor = 0xEEEEEEEEu;

// A "color" attribute (hexadecimal 0xRRGGBB, no prefix) as a COLORREF; kNoGroupColor when it is
// empty or not a whole hexadecimal number.
uint32_t parseGroupColor(const std::wstring& text);

// True for the member paths that stand on their own: a drive letter and a colon, or two leading
// separators of either kind (a network path).
bool isFullGroupMemberPath(const std::wstring& path);

// The path of a member as it is opened: a full path unchanged, any other joined to the folder of
// the group file (combinePath; "" when ".." steps climb above the folder's root).
std::wstring resolveGroupMemberPath(const std::wstring& path, const std::wstring& groupFolder);
