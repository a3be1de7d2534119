// The session: directories, titles, colours, working date, output device, language and output
// mode, read once at start-up from the environment and the settings files.
#pragma once

#include "text/calendar.h"

#include <array>
#include <cstdint>
#include <string>

namespace app {

// One colour pair: console colour numbers 0..15 (attribute = foreground + 16 x background).
struct ColourPair {
    int16_t foreground = 0;
    int16_t background = 0;
};
using ColourTable = std::array<ColourPair, 5>;

// The colours used when the terminal settings name none.
inline constexpr const char* kDefaultColourText = "15000700000700070007";

struct SessionRecord {
    std::string rootDir;     // ARXROOT as given: the installation root, ending with "\"
    std::string programDir;  // ARXEXE as given: the suite's programs
    std::string workDir;     // ARXTMP (or terminalDir): session and temporary files
    std::string terminalDir; // the terminal's directory
    std::string title;       // " " + Titol + " "
    std::string menuName;    // NomMenu: the help topic
    ColourTable colours{};
    text::PackedDate workingDate; // packed Data of the terminal; empty when not set
    std::string outputDevice;     // Sortida: where the print program sends listings
    std::string language;         // exactly 3 characters: "CAT", "SPA", "GLG", "OCI", ...
    std::string outputMode;       // "CGI", "WIN" or "DOS"
    std::string programName;      // "ORBICADE", set by the run sequence
};

// The one session record of the run; read-only after start-up except programName.
inline SessionRecord SessionSettings;

// Fills SessionSettings from the environment and the settings files.
void LoadSession();

// The colour table a 20-digit colour text describes (two digits a number, foreground first).
ColourTable ParseColourText(std::string_view text);

// Appends "\" to a directory text that is not empty and does not end with ":", "\" or "/".
std::string WithSeparator(std::string text);

// The one of four built-in texts that belongs to the session language ("SPA", "GLG", "OCI";
// any other code gets the Catalan text).
std::string ByLanguage(std::string_view catalan, std::string_view spanish, std::string_view galician,
                       std::string_view occitan);

// Cuts a text to 3 characters or fills it with blanks to 3.
std::string LanguageCode(std::string text);

} // namespace app
