#include "app/session.h"

#include "app/settings.h"
#include "platform/console.h"
#include "platform/system.h"
#include "text/leadingnumber.h"

#include <cmath>
#include <limits>

namespace app {

std::string WithSeparator(std::string text) {
    if (!text.empty() && text.back() != ':' && text.back() != '\\' && text.back() != '/')
        text += '\\';
    return text;
}

std::string ByLanguage(std::string_view catalan, std::string_view spanish, std::string_view galician,
                       std::string_view occitan) {
    const std::string& language = SessionSettings.language;
    if (language == "SPA") return std::string(spanish);
    if (language == "GLG") return std::string(galician);
    if (language == "OCI") return std::string(occitan);
    return std::string(catalan);
}

std::string LanguageCode(std::string text) {
    text.resize(3, ' ');
    return text;
}

namespace {

// A number rounded to the nearest integer and held in 16 bits (beyond that range: the limit).
int16_t RoundToInt16(double x) {
    x = std::nearbyint(x);
    if (x > std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
    if (x < std::numeric_limits<int16_t>::min()) return std::numeric_limits<int16_t>::min();
    return static_cast<int16_t>(x);
}

// The number in the two characters of a colour text at offset; 0 when missing or not a digit.
int16_t ColourNumber(std::string_view colours, size_t offset) {
    if (offset >= colours.size()) return 0;
    std::string_view piece = colours.substr(offset, 2);
    if (piece[0] < '0' || piece[0] > '9') return 0;
    return RoundToInt16(text::LeadingNumber(piece));
}

// The terminal directory when Sessio.ini names none: ARXTERM, else TERM when (and only when)
// it names an existing directory; on this system TERM normally names the terminal type.
std::string TerminalDirFromEnvironment() {
    std::string dir = platform::GetEnvironment("ARXTERM");
    if (!dir.empty()) return dir;
    std::string term = platform::GetEnvironment("TERM");
    return !term.empty() && platform::DirectoryExists(term) ? term : std::string();
}

} // namespace

ColourTable ParseColourText(std::string_view text) {
    ColourTable table{};
    for (size_t i = 0; i < table.size(); ++i) {
        table[i].foreground = ColourNumber(text, 4 * i);
        table[i].background = ColourNumber(text, 4 * i + 2);
    }
    return table;
}

void LoadSession() {
    SessionRecord& s = SessionSettings;
    // Texts cross the system boundary through the platform layer, always as code page 850.
    s.rootDir = platform::GetEnvironment("ARXROOT");
    s.programDir = platform::GetEnvironment("ARXEXE");
    s.workDir = WithSeparator(platform::GetEnvironment("ARXTMP"));

    const std::string sessionFile = s.workDir + "Sessio.ini";
    s.title = " " + ReadSetting(sessionFile, "Menu", "Titol") + " ";
    s.menuName = ReadSetting(sessionFile, "Menu", "NomMenu");
    s.terminalDir = ReadSetting(sessionFile, "Terminal", "Dir");
    if (s.terminalDir.empty()) s.terminalDir = TerminalDirFromEnvironment();
    s.terminalDir = WithSeparator(s.terminalDir);
    // The terminal keeps its Insert toggle and clipboard there, shared by its programs.
    platform::SetTerminalDirectory(s.terminalDir);
    if (s.workDir.empty()) s.workDir = s.terminalDir;

    const std::string terminalFile = s.workDir + "NuvoTerm.ini";
    int16_t selection = RoundToInt16(text::LeadingNumber(ReadSetting(terminalFile, "Pantalla", "Seleccio")));
    std::string colours = ReadSetting(terminalFile, "Pantalla", "Col" + std::to_string(selection));
    if (colours.empty()) colours = kDefaultColourText;
    s.colours = ParseColourText(colours);

    s.workingDate = text::PackDigits(ReadSetting(terminalFile, "Sistema", "Data"));
    s.outputDevice = ReadSetting(terminalFile, "Sistema", "Sortida");
    s.language = LanguageCode(ReadSetting(terminalFile, "Sistema", "Idioma"));
    if (s.language == "   ") {
        const std::string userFile = platform::GetEnvironment("ARXROOT") + "Nuvo.ini";
        s.language = LanguageCode(ReadSetting(userFile, "Usuari", "Idioma"));
    }

    if (!platform::GetEnvironment("HTTP_USER_AGENT").empty() ||
        !platform::GetEnvironment("HTTP_ACCEPT").empty())
        s.outputMode = "CGI";
    else if (!platform::GetEnvironment("WINDIR").empty() ||
             !platform::GetEnvironment("SYSTEMROOT").empty())
        s.outputMode = "WIN";
    else
        s.outputMode = "DOS";
}

} // namespace app
