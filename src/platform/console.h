// The text console: a 25 x 80 grid of cells (a CP850 byte and an attribute), the cursor and
// the current attribute, held in memory, and the input events of the keyboard and the mouse.
// Every drawing operation works on the grid, so what is on the screen can always be read
// back exactly. When the terminal backend runs (platform/terminal.h) it mirrors the grid to
// the real terminal and feeds the input queue; without it the console is headless, and
// tests inject the input events themselves.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The console model is pinned at 25 x 80: window records and help records depend on it,
// whatever the size of the terminal that shows it.
inline constexpr int16_t kConsoleRows = 25;
inline constexpr int16_t kConsoleColumns = 80;

struct Cell {
    uint8_t character = ' ';
    uint8_t attribute = 7; // foreground + 16 x background, console colour numbers 0..15
};

// ---- Output: rows and columns count from 1 ----

// Writes the bytes at the cursor in the current attribute; the cursor moves on by their
// number (to column 80 at most). Bytes beyond the end of the row are not shown.
void WriteText(std::string_view text);
// Writes n blanks at the cursor in the current attribute; n below 0 counts as 0.
void WriteBlanks(int16_t n);
// The cursor goes to column 1 of the next row; on the last row the screen moves up first.
void NewLine();
// Places the cursor. A coordinate below 1 or beyond the grid leaves that coordinate as it was.
void SetCursorPosition(int16_t row, int16_t column);
int16_t CursorRow();
int16_t CursorColumn();
// Sets the current attribute. A value outside 0..15 leaves that half as it was.
void SetAttribute(int16_t foreground, int16_t background);
uint8_t CurrentAttribute();
// The cell at (row, column); a blank in attribute 0 outside the grid.
Cell ReadCell(int16_t row, int16_t column);
// The characters of one row (80 CP850 bytes); empty outside the grid.
std::string RowText(int16_t row);
// Moves the rectangle's content up by lines (down when negative); the rows that fall vacant
// become blanks in the current attribute. Coordinates are cut back to the grid; only cells
// inside the rectangle change.
void ScrollRectangle(int16_t top, int16_t left, int16_t bottom, int16_t right, int16_t lines);
// Every cell becomes a blank in the current attribute; the cursor goes to (1, 1).
void ClearScreen();
// 0 hides the cursor; a positive size shows it with that size cut to 10..99; a negative
// size shows it with its size unchanged.
void SetCursorSize(int16_t size);
bool CursorVisible();
int16_t CursorSize();
int16_t ConsoleRows();
int16_t ConsoleColumns();
// The warning beep.
void Beep();
// Number of beeps sounded since the console was last reset (tests check refusals with it).
int BeepCount();
// Sends pending changes of the grid to the terminal (nothing when headless). Input polling
// and pauses do this themselves.
void FlushConsole();

// ---- Input ----

enum class InputKind : uint8_t {
    None,        // no event
    Character,   // a key that produces a character
    ExtendedKey, // a key without a character, or Alt with a letter key: a scan code
    Mouse,       // a mouse event with its buttons and position
};

// Modifier-key state of an event.
inline constexpr uint16_t kRightAlt = 1;
inline constexpr uint16_t kLeftAlt = 2;
inline constexpr uint16_t kRightCtrl = 4;
inline constexpr uint16_t kLeftCtrl = 8;
inline constexpr uint16_t kShift = 16;

// Mouse event codes and button bits.
inline constexpr uint8_t kMouseMoved = 1;
inline constexpr uint8_t kMouseDoubleClick = 2;
inline constexpr uint8_t kMousePressed = 4;
inline constexpr uint8_t kMouseReleased = 8;
inline constexpr uint8_t kLeftButton = 1;
inline constexpr uint8_t kRightButton = 2;
inline constexpr uint8_t kMiddleButton = 4;

struct InputEvent {
    InputKind kind = InputKind::None;
    uint8_t character = 0;  // Character: the CP850 byte
    uint8_t scanCode = 0;   // ExtendedKey: the PC keyboard scan code
    uint8_t mouseEvent = 0; // Mouse: kMousePressed ...
    uint8_t buttons = 0;    // Mouse: button bits
    int16_t row = 0;        // Mouse: position, from 1
    int16_t column = 0;
    uint16_t modifiers = 0; // kRightAlt | kLeftAlt | kRightCtrl | kLeftCtrl | kShift
};

InputEvent CharacterEvent(uint8_t character, uint16_t modifiers = 0);
InputEvent ExtendedKeyEvent(uint8_t scanCode, uint16_t modifiers = 0);
InputEvent MousePressEvent(uint8_t buttons, int16_t row, int16_t column, uint16_t modifiers = 0);

// The key text of an event: empty for no event, one byte for a character, 0 and the scan
// code for an extended key, 255 255 event-code buttons for a mouse event.
std::string EventKeyText(const InputEvent& event);

// Takes the next input event without waiting for a key: when nothing is pending it sleeps a
// little (at most about 20 ms) so that a loop polling for keys does not keep a processor busy,
// then returns false. True and the event when one was taken.
bool PollInput(InputEvent& event);
// Whether an input event is pending, without waiting and without taking it.
bool PeekInput();
// Puts an event at the end of the input queue (tests; the terminal backend).
void InjectInput(const InputEvent& event);
// Puts each byte of a CP850 text into the input queue as a character event.
void InjectText(std::string_view text);
// Tests: called when a headless poll finds the queue empty, in place of the pause; a test can
// inject the key that ends the loop under test, or note that input ran out.
void SetIdleHandler(void (*handler)());

// Mouse reporting on or off (the terminal keeps reporting; events are dropped while off).
void SetMouseReporting(bool on);
bool MouseReporting();
// Number of mouse buttons: 3 when the terminal can report the mouse, else 0. A headless
// console counts 3: tests inject clicks.
int16_t MouseButtonCount();

// ---- Keyboard state and clipboard, kept per terminal ----

// The directory that keeps the terminal's keyboard state and clipboard files (the terminal
// directory of the session, CP850 path text ending with a separator). While it is empty both
// live in memory only.
void SetTerminalDirectory(std::string_view dir);
// The Insert toggle: persists from program to program of the same terminal.
bool InsertToggle();
void SetInsertToggle(bool on);
// The clipboard text (CP850). Setting it also offers it to the desktop (OSC 52) when the
// terminal backend runs.
std::string ClipboardText();
void SetClipboardText(std::string_view cp850);

// Tests: blank grid in attribute 7, cursor (1, 1) visible with size 25, empty input queue,
// mouse reporting off, beep count 0, no idle handler.
void ResetConsoleForTests();

} // namespace platform
