// helpdemo: a small program built from the console code for the end-to-end tests. It shows a
// background screen with accented letters and box characters; F1 opens the help of the topic
// named on the command line, Q ends the program, and every other input event is described on
// row 24 (its key text in hexadecimal, its modifier state, and a click's row and column).
#include "app/session.h"
#include "platform/console.h"
#include "platform/system.h"
#include "platform/terminal.h"
#include "screen/colours.h"
#include "screen/help.h"
#include "screen/keys.h"
#include "screen/windows.h"

#include <cstdio>
#include <string>

namespace {

void Write(int16_t row, int16_t column, const std::string& cp850) {
    platform::SetCursorPosition(row, column);
    platform::WriteText(cp850);
}

void DrawBackground() {
    screen::SetColour("n");
    platform::ClearScreen();
    screen::SetColour("h");
    Write(1, 1, " PROVA D'AJUDA");
    screen::SetColour("n");
    Write(2, 1,
          "Benvinguts: \xB7ngel, c\x95"
          "dol, fa\x87"
          "ana, l\xA1nia, M\x81ller, ni\xA4o, cel\xFAla");
    for (int16_t row = 3; row <= 23; ++row)
        Write(row, 1,
              "Fila " + std::to_string(100 + row).substr(1) + " \xB3 " +
                  std::string(60, static_cast<char>('a' + row % 26)));
    screen::SetColour("r");
    Write(25, 1, " F1=Ajuda  Q=Sortir ");
    screen::SetColour("n");
    platform::SetCursorPosition(24, 1);
}

// "tecla 00 2d mod 2", "tecla ff ff 04 01 mod 0 fila 5 col 10".
std::string Describe(const platform::InputEvent& event) {
    std::string text = "tecla";
    char hex[4];
    for (char c : platform::EventKeyText(event)) {
        std::snprintf(hex, sizeof hex, " %02x", static_cast<unsigned char>(c));
        text += hex;
    }
    text += " mod " + std::to_string(event.modifiers);
    if (event.kind == platform::InputKind::Mouse)
        text += " fila " + std::to_string(event.row) + " col " + std::to_string(event.column);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    app::LoadSession();
    if (!app::SessionSettings.rootDir.empty())
        platform::ChangeDirectory(app::SessionSettings.rootDir);
    const std::string topic = argc > 1 ? argv[1] : "MENU01";
    if (!platform::StartTerminal()) {
        std::fprintf(stderr, "helpdemo: standard input and output must be a terminal\n");
        return 1;
    }
    platform::SetCursorSize(0);
    DrawBackground();
    platform::SetMouseReporting(true);
    for (;;) {
        platform::InputEvent event;
        if (!platform::PollInput(event)) continue;
        const screen::KeyCode k = screen::KeyCodeOf(platform::EventKeyText(event));
        if (k == 'q' || k == 'Q') break;
        if (k == screen::kKeyF1 && event.modifiers == 0) {
            platform::SetMouseReporting(false);
            screen::ShowHelp(topic);
            platform::SetMouseReporting(true);
            continue;
        }
        platform::SetCursorPosition(24, 1);
        platform::WriteBlanks(80);
        Write(24, 1, Describe(event));
        platform::SetCursorPosition(24, 1);
    }
    platform::EndTerminal();
    return 0;
}
