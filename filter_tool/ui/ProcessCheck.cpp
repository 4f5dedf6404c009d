#include "filter_tool/ui/ProcessCheck.h"

#include "core/util/StringUtils.h"

ProcessCheck checkProcessInput(const std::wstring& path, const std::wstring& language,
                               bool removeProps) {
    if (path.empty())
        return ProcessCheck::MissingPath;
    if (trim(language).empty() && !removeProps)
        return ProcessCheck::MissingLanguage;
    return ProcessCheck::Ready;
}
