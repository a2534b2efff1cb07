// Windows-1252, the code page of the names inside BIG archives, and its
// conversion to and from Unicode. The lower half is ASCII and 0xA0-0xFF are
// the Latin-1 characters of the same numbers; only 0x80-0x9F differ.
#pragma once

#include <string>

namespace cp1252 {

// The Unicode code point of one byte. Every byte has one: 0x81, 0x8D, 0x8F,
// 0x90 and 0x9D, which the code page leaves undefined, stand for the C1
// controls of the same numbers, as Windows itself maps them.
char32_t toCodePoint(unsigned char byte);
// The byte of a code point; false when the code page has none.
bool fromCodePoint(char32_t codePoint, unsigned char& byte);

// The UTF-8 text of Windows-1252 bytes; every byte string has one.
std::string toUtf8(const std::string& bytes);
// The Windows-1252 bytes of UTF-8 text. False (bytes then undefined) when
// the text is not valid UTF-8 or holds a character the code page lacks.
bool fromUtf8(const std::string& text, std::string& bytes);

}  // namespace cp1252
