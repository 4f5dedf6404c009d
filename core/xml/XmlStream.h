#pragma once

#include <cstdint>

// Encoding codes shared by every place that keeps an encoding (streams, index header,
// documents). As an argument, 0 asks for detection; as a stream's own code, 0 is a stream that
// delivers nothing.
enum XmlEncoding : int32_t {
    kXmlEncodingNone = 0,
    kXmlEncodingAnsi = 1,
    kXmlEncodingUtf16Le = 2,
    kXmlEncodingUtf8 = 3,
    kXmlEncodingUtf16Be = 4,
};

static_assert(sizeof(wchar_t) == 2, "text is held as UTF-16 units");

class XmlMemoryStream;

// A one-pass source of UTF-16 code units for the XML parser.
class XmlStream {
public:
    virtual ~XmlStream() = default;

    // The next UTF-16 unit; 0 at the end of the data and when bytes cannot be decoded.
    virtual uint16_t getChar() = 0;
    // True after a decoding error (and, for a file stream, when the file could not be opened).
    virtual bool hadError() const = 0;
    // Byte offset in the source of the next byte not yet decoded, in full (files of any size).
    virtual int64_t position() const = 0;
    virtual int32_t encoding() const = 0;

    // Decodes a run of units into dest, exactly as repeated getChar calls would, and stops right
    // after a '<', a '>' or a 0 (which is stored too) or when room units are written. Stopping
    // after '<' lets the caller ask position() for the byte offset of markup; stopping after '>'
    // keeps a parse that is stopped at the end of a tag from having decoded beyond it.
    // Returns the number of units written (at least 1 when room > 0).
    virtual int32_t getChars(wchar_t* dest, int32_t room) {
        int32_t count = 0;
        while (count < room) {
            const wchar_t unit = static_cast<wchar_t>(getChar());
            dest[count++] = unit;
            if (unit == 0 || unit == L'<' || unit == L'>') {
                break;
            }
        }
        return count;
    }

    // True when the data ended because bytes could not be decoded, as opposed to a stream that
    // never had data (a missing file reads as an empty document, a damaged one must not).
    virtual bool decodingFailed() const { return hadError(); }

    // The memory stream that decodes for this one, when this stream's position is always that
    // stream's plus a constant and its units are that stream's units; null otherwise. The parser
    // then decodes through it in large batches instead of unit by unit.
    virtual XmlMemoryStream* memorySource() { return nullptr; }

protected:
    XmlStream() = default;
    XmlStream(const XmlStream&) = delete;
    XmlStream& operator=(const XmlStream&) = delete;
};
