#pragma once

#include <cstddef>
#include <string>

// The query part of a request URL: names are written as they stand, values form-encoded.
// Every room is counted in UTF-16 units and includes the terminating NUL; nothing is ever
// written past it.

struct HttpParameter {
    std::wstring name;
    std::wstring value;
};

// 'A'-'Z', 'a'-'z', '0'-'9' and ! , - . ; | ~ travel as they are; every other byte is escaped.
bool isUrlSafeChar(unsigned char byte);

// Writes the value's UTF-8 bytes form-encoded (space as '+', unsafe bytes as %xx in lower case)
// and a terminating NUL. A character whose encoded form does not fit ends the output there.
// Returns the number of units written before the NUL; 0 (and nothing written) for room 0.
std::size_t urlEncode(const std::wstring& value, wchar_t* out, std::size_t room);

// base?name=value&name=value... into out. A base URL that does not fit is refused (result 0,
// out holds the empty string) rather than cut, since a cut one names another resource.
// When a parameter's name and '=' would leave no unit for its value, the URL ends after the
// '?' or '&' before it; a value that does not fit is cut as urlEncode cuts it.
std::size_t buildRequestUrl(std::size_t room, const std::wstring& baseUrl,
                            const HttpParameter* parameters, std::size_t count, wchar_t* out);
