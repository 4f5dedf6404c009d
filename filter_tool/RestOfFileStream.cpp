#include "filter_tool/RestOfFileStream.h"

RestOfFileStream::RestOfFileStream(const std::wstring& path, int32_t encoding, uint64_t offset)
    : supplier_(path, static_cast<int64_t>(offset)), inner_(encoding, &supplier_), base_(static_cast<int64_t>(offset)) {}
