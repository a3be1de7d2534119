#include "screen/help.h"

#include "app/session.h"
#include "platform/console.h"
#include "platform/process.h"
#include "platform/system.h"
#include "screen/colours.h"
#include "screen/keys.h"
#include "screen/windows.h"

#include <cmath>
#include <cstdio>

namespace screen {

KeyCode KeyCodeOf(std::string_view keyText) {
    const uint8_t low = keyText.size() > 0 ? static_cast<uint8_t>(keyText[0]) : 0;
    const uint8_t high = keyText.size() > 1 ? static_cast<uint8_t>(keyText[1]) : 0;
    return static_cast<KeyCode>(static_cast<uint16_t>(low | (high << 8)));
}

KeyCode TakeKeyCode() {
    platform::InputEvent event;
    if (!platform::PollInput(event)) return kKeyNone;
    return KeyCodeOf(platform::EventKeyText(event));
}

std::vector<std::string> HelpCommand(std::string_view topic) {
    return {platform::GetEnvironment("COMSPEC"), "/C", "REDERO",
            "AJUDA\\" + std::string(topic) + ".HTM"};
}

namespace {

// Control bytes inside a help line that switch colours and are not shown.
constexpr char kToggleHighlight = 30;
constexpr char kToggleUnderline = 31;
constexpr char kToggleReverse = 16;
// Characters shown of a line: the window's interior less a blank column on each side.
constexpr int kVisibleCharacters = 76;

// A help file of fixed-length lines, one record of the console's width each.
struct HelpFile {
    platform::FileHandle file;
    int32_t lines = 0;
    int16_t width = 80;
};

HelpFile OpenHelpFile(std::string_view topic, int16_t width) {
    HelpFile help;
    help.width = width;
    help.file = platform::OpenShared("AJUDA\\" + std::string(topic) + ".HLP");
    if (help.file && std::fseek(help.file.get(), 0, SEEK_END) == 0) {
        const long size = std::ftell(help.file.get());
        if (size > 0) help.lines = static_cast<int32_t>(std::lround(double(size) / width));
    }
    return help;
}

// Line n (from 1); a line past the end of the file reads as zero bytes.
std::string ReadHelpLine(HelpFile& help, int32_t n) {
    std::string line(static_cast<size_t>(help.width), '\0');
    if (help.file && n >= 1 && n <= help.lines &&
        std::fseek(help.file.get(), long(n - 1) * help.width, SEEK_SET) == 0)
        (void)std::fread(line.data(), 1, line.size(), help.file.get());
    return line;
}

// A zero byte (the padding of a short or missing line) shows as a blank, and so do the line
// end bytes of a record: a line with colour switches has fewer visible characters, which
// brings its CR LF within the 76 columns shown.
std::string Shown(std::string_view bytes) {
    std::string out(bytes);
    for (char& c : out)
        if (c == '\0' || c == '\r' || c == '\n') c = ' ';
    return out;
}

void ShowHelpLine(HelpFile& help, int32_t n, int16_t row) {
    SetColour("n");
    bool highlight = false, underline = false, reverse = false;
    PlaceCursor(row, 2);
    const std::string line = ReadHelpLine(help, n);
    if (line.find_first_of(std::string{kToggleHighlight, kToggleUnderline, kToggleReverse}) ==
        std::string::npos) {
        platform::WriteText(Shown(std::string_view(line).substr(0, kVisibleCharacters)));
        return;
    }
    int count = 0;
    for (char c : line) {
        if (c == kToggleHighlight) {
            highlight = !highlight;
            if (!underline) SetColour(highlight ? "h" : "n");
        } else if (c == kToggleUnderline) {
            underline = !underline;
            SetColour(underline ? "u" : "n");
        } else if (c == kToggleReverse) {
            reverse = !reverse;
            SetColour(reverse ? "r" : "n");
        } else if (++count <= kVisibleCharacters) {
            platform::WriteText(Shown(std::string_view(&c, 1)));
        }
    }
}

void ShowLines(HelpFile& help, int32_t first, int16_t pageHeight) {
    for (int16_t r = 1; r <= pageHeight; ++r)
        ShowHelpLine(help, first + r - 1, r);
}

} // namespace

void ShowHelp(std::string_view topic) {
    if (app::SessionSettings.outputMode == "WIN") {
        platform::RunProcess(HelpCommand(topic)); // the launcher's result is not looked at
        return;
    }
    const int16_t H = ConsoleHeight(), W = ConsoleWidth();
    const int16_t P = static_cast<int16_t>(H - 8);
    HelpFile help = OpenHelpFile(topic, W);
    const int32_t N = help.lines;

    SetColour("+h");
    PushWindow(4, 1, static_cast<int16_t>(H - 3), W);
    DrawFrame(2);
    SetColour("n");
    ShowLines(help, 1, P);
    int32_t next = P + 1;

    const int16_t top = 5, left = 2, bottom = static_cast<int16_t>(H - 4),
                  right = static_cast<int16_t>(W - 1);
    for (;;) {
        const KeyCode k = TakeKeyCode();
        if (k == kKeyNone) continue;
        if (k == kKeyEsc) break;
        if (k == kKeyF1 && topic != kHelpOnHelpTopic) {
            ShowHelp(kHelpOnHelpTopic);
        } else if (k == kKeyDown && next <= N) {
            ScrollArea(top, left, bottom, right, 1);
            ShowHelpLine(help, next, P);
            ++next;
        } else if (k == kKeyUp && next - P > 1) {
            --next;
            ScrollArea(top, left, bottom, right, -1);
            ShowHelpLine(help, next - P, 1);
        } else if (k == kKeyPgDn && next <= N) {
            ScrollArea(top, left, bottom, right, P);
            if (N < next + P - 1) next = N - P + 1;
            ShowLines(help, next, P);
            next += P;
        } else if (k == kKeyPgUp && next > P + 1) {
            ScrollArea(top, left, bottom, right, static_cast<int16_t>(-P));
            if (next - 2 * P < 1) next = 2 * P;
            ShowLines(help, next - 2 * P + 1, P);
            next = next - P + 1;
        } else if (k == kKeyHome && next > P + 1) {
            ScrollArea(top, left, bottom, right, static_cast<int16_t>(-P));
            ShowLines(help, 1, P);
            next = P + 1;
        } else if (k == kKeyEnd && next <= N) {
            ScrollArea(top, left, bottom, right, P);
            next = N - P + 1;
            ShowLines(help, next, P);
            next = N + 1;
        }
    }
    help.file.reset();
    PopWindow();
    SetColour("-");
}

} // namespace screen
