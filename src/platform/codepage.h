// Code page 850 (with the euro at 0xD5, as in its euro variant) <-> Unicode and UTF-8.
// The system's texts are CP850 byte strings; conversion happens only at the platform edge.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The Unicode character a CP850 byte stands for in text (bytes below 128 are ASCII).
char32_t Cp850ToUnicode(uint8_t byte);

// The character a console cell shows for a CP850 byte: as Cp850ToUnicode, except that the
// control bytes 1..31 and 127 show their console glyphs (☺ ► ◄ ↑ ...), and 0 shows a blank.
char32_t Cp850Glyph(uint8_t byte);

// The CP850 byte for a Unicode character, or -1 when the code page has none. The console
// glyphs of the control bytes map back to those bytes.
int UnicodeToCp850(char32_t cp);

// CP850 bytes to UTF-8. Every byte has a distinct character, so the round trip is exact.
std::string Cp850ToUtf8(std::string_view cp850);

// UTF-8 to CP850 bytes. Characters the code page lacks become '?'; malformed UTF-8 bytes are
// taken as CP850 bytes one by one, so nothing is lost.
std::string Utf8ToCp850(std::string_view utf8);

// Appends the UTF-8 form of one character.
void AppendUtf8(std::string& out, char32_t cp);

} // namespace platform
