#include "group_builder/CommandLine.h"

#include "core/util/StringUtils.h"

std::wstring commandLinePath(const std::wstring& tail) {
    std::wstring path = trim(tail);
    while (path.size() > 2 && path.front() == L'"' && path.back() == L'"')
        path = path.substr(1, path.size() - 2);
    return path;
}
