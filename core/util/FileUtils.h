#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Reads a whole file of at most maxBytes; false when it cannot be opened, is larger, or a read
// comes up short.
bool readWholeFile(const std::wstring& path, uint64_t maxBytes, std::vector<uint8_t>& bytes);

// Writes the bytes to a new file beside target and moves it onto target only when every write,
// the flush and the close succeeded; on any failure the temporary file is deleted and target
// is left as it was. An existing file is never written over except by that final move.
bool replaceFileContents(const std::wstring& target, const void* data, size_t size);
