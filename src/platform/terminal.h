// The terminal backend: shows the console grid on the process's terminal through ncursesw and
// turns the terminal's keys and mouse clicks into console input events. A program starts it
// when it is about to show something; until then (and in tests) the console is headless.
#pragma once

#include "platform/console.h"

#include <cstdint>

namespace platform {

// Takes over the terminal: full-screen mode, keys and mouse decoded, the grid mirrored.
// False (the console stays headless) when standard input or output is not a terminal or the
// terminal type is unknown. The terminal is given back by EndTerminal, at exit, and when the
// process is ended by SIGTERM, SIGHUP, SIGINT or SIGQUIT.
bool StartTerminal();
// Gives the terminal back as it was (cursor shape, mode, screen); the console is headless again.
void EndTerminal();
bool TerminalActive();

// Hands the terminal to a child process (normal mode, cursor shown) and takes it back after,
// repainting the whole grid. Nothing happens while the backend does not run.
void SuspendTerminal();
void ResumeTerminal();

// Key decoding, kept apart from the terminal so it can be checked on its own.
// Codes of the escape sequences this backend defines for itself (so that decoding does not
// depend on the terminal type's key tables): kOwnKeyBase + key x 16 + m, where m is the xterm
// modifier parameter (1 + Shift 1 + Alt 2 + Ctrl 4) and key numbers the keys below.
inline constexpr int kOwnKeyBase = 0x1000;
enum OwnKey : int {
    kOwnF1 = 1, // F1..F12 are 1..12
    kOwnUp = 13,
    kOwnDown,
    kOwnRight,
    kOwnLeft,
    kOwnHome,
    kOwnEnd,
    kOwnInsert,
    kOwnDelete,
    kOwnPageUp,
    kOwnPageDown,
    kOwnKeypadCentre,
    kOwnBackTab,
    kOwnKeypad0, // keypad digits '0'..'9' are 25..34
    kOwnKeypadPoint = 35,
    kOwnKeypadPlus,
    kOwnKeypadMinus,
    kOwnKeypadTimes,
    kOwnKeypadDivide,
    kOwnKeypadEnter,
};

// The event for one result of wget_wch: a character (isKeyCode false; a Unicode code point)
// or a key code (ncurses KEY_* or one of the codes above). Kind None for what stands for no
// key (Ctrl+Space, characters the code page lacks, keys the system does not know).
InputEvent DecodeTerminalKey(bool isKeyCode, uint32_t value);
// The event of a key that came after a lone Esc in the same burst: the same key with Alt.
// Alt with a letter gives the letter key's scan code, as a key without character.
InputEvent WithAlt(InputEvent event);

} // namespace platform
