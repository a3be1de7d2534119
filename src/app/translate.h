// Translation of the program's Catalan texts through its language file LOCALE\<program>.LNG.
//
// The language file is a stream of fields, four to an entry: the Catalan key, then the
// Galician, Occitan and Spanish texts. Fields are separated by commas or by line ends (CR with
// one LF after it); a field in double quotes runs to the next double quote, commas and line
// ends included; an unquoted field drops its tabs and LFs and keeps its other bytes, trailing
// blanks included. Blanks before a field are skipped; byte 26 ends the file.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace app {

// The text in the session language, or the text itself when the session works in Catalan, the
// language file has no entry for it or the file cannot be read. A missing language file is
// created empty.
std::string TranslateText(std::string_view text);

// Looks text up in an open language file, read from its current position: the field of the
// first entry whose key equals text (same bytes, same length) for language "SPA", "GLG" or
// "OCI"; text itself for any other language or when no entry matches.
std::string FindTranslation(std::FILE* languageFile, std::string_view text,
                            std::string_view language);

} // namespace app
