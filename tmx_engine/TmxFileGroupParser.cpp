#include "tmx_engine/TmxFileGroupParser.h"

#include "core/util/StringUtils.h"

namespace {

const size_t kReservedMembers = 32;

bool isSeparator(wchar_t c) {
    return c == L'/' || c == L'\\';
}

bool isAsciiLetter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

} // namespace

uint32_t parseGroupColor(const std::wstring& text) {
    uint32_t c = 0;
    if (text.empty() || !parseHex(text, c))
        return kNoGroupColor;
    return ((c >> 16) & 0xFFu) | ((c & 0xFFu) << 16) | (c & 0xFF00FF00u);
}

bool isFullGroupMemberPath(const std::wstring& path) {
    if (path.size() >= 2 && isAsciiLetter(path[0]) && path[1] == L':')
        return true;
    return path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
}

std::wstring resolveGroupMemberPath(const std::wstring& path, const std::wstring& groupFolder) {
    if (isFullGroupMemberPath(path))
        return path;
    return combinePath(path, groupFolder);
}

TmxFileGroupParser::TmxFileGroupParser() {
    paths_.reserve(kReservedMembers);
    names_.reserve(kReservedMembers);
    colors_.reserve(kReservedMembers);
}

void TmxFileGroupParser::startElement(const std::wstring& name, const XmlAttributes& attributes,
                                      bool isEmpty) {
    sawElement_ = true;
    if (!isEmpty)
        ++openElements_;
    if (depth_ > 0) {
        // A child element: its text still belongs to the member.
        if (!isEmpty)
            ++depth_;
        return;
    }
    if (name != L"tmxfile")
        return;
    text_.clear();
    name_ = attributes.get(L"shortName");
    color_ = parseGroupColor(attributes.get(L"color"));
    if (isEmpty)
        finishMember();
    else
        depth_ = 1;
}

void TmxFileGroupParser::endElement(const std::wstring& name, bool isEmpty) {
    if (!isEmpty)
        --openElements_;
    if (depth_ == 0 || isEmpty)
        return;
    if (--depth_ == 0)
        finishMember();
}

void TmxFileGroupParser::characterData(const std::wstring& text) {
    if (depth_ > 0)
        text_ += text;
}

void TmxFileGroupParser::cdata(const std::wstring& text) {
    if (depth_ > 0)
        text_ += text;
}

void TmxFileGroupParser::finishMember() {
    const std::wstring path = trim(text_);
    text_.clear();
    if (path.empty())
        return;
    paths_.push_back(path);
    names_.push_back(name_);
    colors_.push_back(color_);
}
