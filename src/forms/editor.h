// Text entry: the key reader (pending typed-ahead text, mouse, Alt+keypad codes, modifier
// codes, the calculator and calendar hot keys), the table of keys that end a field, and the
// field editor that edits one text in place on the screen.
#pragma once

#include "screen/keys.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace forms {

// Modifier codes of the key reader, beyond the plain key codes.
inline constexpr screen::KeyCode kKeyShiftF1 = 0x5400; // Shift+F1..F10: F1..F10 + 1900 hex
inline constexpr screen::KeyCode kKeyCtrlF1 = 0x5E00;  // Ctrl+F1..F10: + 2300 hex
inline constexpr screen::KeyCode kKeyAltF1 = 0x6800;   // Alt+F1..F10: + 2D00 hex
inline constexpr screen::KeyCode kKeyF11 = static_cast<screen::KeyCode>(0x8500);
inline constexpr screen::KeyCode kKeyF12 = static_cast<screen::KeyCode>(0x8600);
inline constexpr screen::KeyCode kKeyCtrlB = 2;
inline constexpr screen::KeyCode kKeyCtrlC = 3;
inline constexpr screen::KeyCode kKeyCtrlV = 22;
inline constexpr screen::KeyCode kKeyCtrlY = 25;
inline constexpr screen::KeyCode kEuroSign = 213; // Alt+E

// The keys that end a field and the codes they are reported as, parallel lists; empty: every
// key the editor does not handle itself ends the field as itself. Saves nest: "+" keeps a
// copy, "-" gives back the latest.
struct KeyTableRecord {
    std::vector<screen::KeyCode> acceptedKeys;
    std::vector<screen::KeyCode> reportedCodes;
    struct Saved {
        std::vector<screen::KeyCode> acceptedKeys, reportedCodes;
    };
    std::vector<Saved> saves;
};
inline KeyTableRecord KeyTable;

// 0 or 88 ("X"): while set, the editor shows the mask instead of the text.
inline int16_t MaskCharacter = 0;
// The ChoiceList of the field being edited; empty for free text.
inline std::string CurrentChoiceList;
// Characters handed out by ReadKey before the console is read (pop-up results).
inline std::string TypeAhead;
// 0 not yet known, 1 mouse input on and waiting, 2 mouse present and off, 3 no mouse.
inline int16_t MouseState = 0;
// Hot-key guards: the calculator or the calendar is open.
inline bool CalculatorOpen = false;
inline bool CalendarOpen = false;

// The pop-ups the hot keys open; tests put their own in their place.
using PopupFunction = std::string (*)();
extern PopupFunction CalculatorPopup; // popups::RunCalculator
extern PopupFunction CalendarPopup;   // popups::RunCalendar

struct KeyListEntry {
    screen::KeyCode key;
    screen::KeyCode reported;
};
// Entries separated by commas, each a hexadecimal key code, optionally "=" and the
// hexadecimal code it is reported as. Hex digits are read up to the first other character;
// an empty entry is code 0.
std::vector<KeyListEntry> ParseKeyList(std::string_view list);

// Applies the command's characters in order: "+" save, "-" restore, "E" empty, "A" append the
// list, "H" mask on, "V" mask off; others nothing.
void SetKeyTable(std::string_view command, std::string_view list);

// Takes one key without waiting: the key code (0 for a mouse event or nothing waiting), the
// mouse button pressed (0 none; 1 left, 2 right, 3 middle) and the mouse row and column.
screen::KeyCode ReadKey(int16_t& button, int16_t& row, int16_t& column);
screen::KeyCode ReadKey();

// Waits for a key or a click: the key code, or for a click the low 16 bits of
// column x 256 + button x 64 + row. Never 0.
screen::KeyCode ReadKeyOrClick();

void SetChoiceList(std::string_view list);

// Edits the text in place at (row, column) of the current window (0: the cursor's row or
// column), in lines of `width` characters (0: one line). The text keeps its length; position
// is the cursor's place in it, 1..length+1. key: the code that ended editing, after the
// translations and the key table. A click elsewhere ends editing with -(column x 100 + row).
void EditField(int16_t& row, int16_t& column, int16_t& width, std::string& text, int16_t& position,
               screen::KeyCode& key);

// Tests: empty key table and pending text, mask off, mouse state 0, no pop-up open, the
// pop-ups the real ones.
void ResetEditorForTests();

} // namespace forms
