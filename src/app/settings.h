// The settings-file reader: looks one value up in a file of [sections] and key=value lines.
#pragma once

#include <string>
#include <string_view>

namespace app {

// The value of key in the first section named section of the file at path (CP850 texts).
// Lines end at CR (one LF after it belongs to the line end; a LF alone is an ordinary byte);
// byte 26 ends the file; ";" starts a comment anywhere on a line; names are compared without
// letter case and without surrounding blanks; the value is returned untrimmed, without one
// pair of enclosing double quotes. The empty text when the file, section or key is missing.
std::string ReadSetting(std::string_view path, std::string_view section, std::string_view key);

} // namespace app
