#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace winui {

class Image;

// The CRC-32 of PNG chunks (polynomial 0xEDB88320), continued from a previous value.
uint32_t pngCrc32(const uint8_t* data, size_t length, uint32_t crc = 0);
// The Adler-32 sum that ends a zlib stream, continued from a previous value.
uint32_t adler32(const uint8_t* data, size_t length, uint32_t sum = 1);

// Encodes top-down pixel rows (blue, green, red[, alpha]; 3 or 4 bytes a pixel) as an 8-bit
// truecolour PNG without alpha. The image data is kept in stored deflate blocks: screenshots
// for tests and tools, where a compressor would buy nothing. False for sizes that are not
// positive or too large, and when memory runs out; png is then empty.
bool encodePng(const uint8_t* pixels, int32_t width, int32_t height, int32_t stride,
               int32_t bytesPerPixel, std::vector<uint8_t>& png);
// The same for a 24- or 32-bit image; false for an empty one.
bool encodePng(const Image& image, std::vector<uint8_t>& png);
// Encodes the image and writes it over path through a replacement file.
bool writePngFile(const Image& image, const std::wstring& path);

} // namespace winui
