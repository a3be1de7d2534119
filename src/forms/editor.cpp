#include "forms/editor.h"

#include "forms/fields.h"
#include "forms/formdef.h"
#include "platform/console.h"
#include "popups/popups.h"
#include "screen/colours.h"
#include "screen/windows.h"
#include "text/texthelpers.h"

#include <algorithm>
#include <optional>

namespace forms {

using screen::KeyCode;

PopupFunction CalculatorPopup = popups::RunCalculator;
PopupFunction CalendarPopup = popups::RunCalendar;

namespace {

// An event read past the end of an Alt+keypad sequence, handed out by the next read.
std::optional<platform::InputEvent> heldEvent;

// How many empty polls (about 20 ms each) an Alt+keypad sequence waits for its next digit:
// a terminal delivers each key as it is typed, not while Alt is held.
constexpr int kKeypadDigitPolls = 15;

KeyCode HexCode(std::string_view text) {
    uint32_t value = 0;
    for (char ch : text) {
        int d;
        if (ch >= '0' && ch <= '9')
            d = ch - '0';
        else if (ch >= 'a' && ch <= 'f')
            d = ch - 'a' + 10;
        else if (ch >= 'A' && ch <= 'F')
            d = ch - 'A' + 10;
        else
            break;
        value = (value * 16 + static_cast<uint32_t>(d)) & 0xFFFF;
    }
    return static_cast<KeyCode>(static_cast<uint16_t>(value));
}

// The digit an event stands for while Alt is held on the numeric keypad, or -1.
int KeypadDigit(const platform::InputEvent& e) {
    if (!(e.modifiers & platform::kLeftAlt)) return -1;
    if (e.kind == platform::InputKind::Character && e.character >= '0' && e.character <= '9')
        return e.character - '0';
    if (e.kind != platform::InputKind::ExtendedKey) return -1;
    switch (e.scanCode) {
    case 0x52:
        return 0; // Insert
    case 0x4F:
        return 1; // End
    case 0x50:
        return 2; // Down
    case 0x51:
        return 3; // Page Down
    case 0x4B:
        return 4; // Left
    case 0x4C:
        return 5; // centre
    case 0x4D:
        return 6; // Right
    case 0x47:
        return 7; // Home
    case 0x48:
        return 8; // Up
    case 0x49:
        return 9; // Page Up
    default:
        return -1;
    }
}

bool TakeEvent(platform::InputEvent& e) {
    if (heldEvent) {
        e = *heldEvent;
        heldEvent.reset();
        return true;
    }
    e = platform::InputEvent{};
    return platform::PollInput(e);
}

// Mouse buttons are numbered left 1, right 2, middle 3.
int16_t ButtonNumber(uint8_t buttons) {
    if (buttons & platform::kLeftButton) return 1;
    if (buttons & platform::kRightButton) return 2;
    if (buttons & platform::kMiddleButton) return 3;
    return 0;
}

// Applies the modifier state to a key: Alt, Ctrl and Shift give F1..F10 (and F11, F12) codes
// of their own; Ctrl gives Home, Left and Right theirs.
KeyCode WithModifiers(KeyCode key, uint16_t modifiers) {
    const bool alt = modifiers & (platform::kLeftAlt | platform::kRightAlt);
    const bool ctrl = modifiers & (platform::kLeftCtrl | platform::kRightCtrl);
    const bool shift = modifiers & platform::kShift;
    // The console delivers F11 and F12 by their scan codes; they take the extended codes.
    if (key == 0x5700) key = kKeyF11;
    if (key == 0x5800) key = kKeyF12;
    const bool fKey = key >= screen::kKeyF1 && key <= screen::kKeyF10;
    const bool f11 = key == kKeyF11 || key == kKeyF12;
    if (alt) {
        if (fKey) return static_cast<KeyCode>(key + 0x2D00);
        if (f11) return static_cast<KeyCode>(key + 0x600);
    } else if (ctrl) {
        if (fKey) return static_cast<KeyCode>(key + 0x2300);
        if (f11) return static_cast<KeyCode>(key + 0x400);
        if (key == screen::kKeyHome) return screen::kKeyCtrlHome;
        if (key == screen::kKeyRight) return screen::kKeyCtrlRight;
        if (key == screen::kKeyLeft) return screen::kKeyCtrlLeft;
    } else if (shift) {
        if (fKey) return static_cast<KeyCode>(key + 0x1900);
        if (f11) return static_cast<KeyCode>(key + 0x200);
    }
    return key;
}

// Runs a pop-up for its hot key unless it is already open; its result is typed ahead.
void RunHotKeyPopup(bool& open, PopupFunction popup) {
    if (open || popup == nullptr) return;
    open = true;
    TypeAhead = popup();
    open = false;
}

} // namespace

std::vector<KeyListEntry> ParseKeyList(std::string_view list) {
    std::vector<KeyListEntry> entries;
    size_t p = 0;
    while (p < list.size()) {
        size_t comma = list.find(',', p);
        if (comma == std::string_view::npos) comma = list.size();
        const std::string_view entry = list.substr(p, comma - p);
        const size_t equals = entry.find('=');
        if (equals == std::string_view::npos)
            entries.push_back({HexCode(entry), HexCode(entry)});
        else
            entries.push_back(
                {HexCode(entry.substr(0, equals)), HexCode(entry.substr(equals + 1))});
        p = comma + 1;
    }
    return entries;
}

void SetKeyTable(std::string_view command, std::string_view list) {
    for (char ch : command) {
        switch (ch) {
        case '+':
            KeyTable.saves.push_back({KeyTable.acceptedKeys, KeyTable.reportedCodes});
            break;
        case '-':
            if (!KeyTable.saves.empty()) {
                KeyTable.acceptedKeys = std::move(KeyTable.saves.back().acceptedKeys);
                KeyTable.reportedCodes = std::move(KeyTable.saves.back().reportedCodes);
                KeyTable.saves.pop_back();
            }
            break;
        case 'e':
        case 'E':
            KeyTable.acceptedKeys.clear();
            KeyTable.reportedCodes.clear();
            break;
        case 'a':
        case 'A':
            for (const KeyListEntry& e : ParseKeyList(list)) {
                KeyTable.acceptedKeys.push_back(e.key);
                KeyTable.reportedCodes.push_back(e.reported);
            }
            break;
        case 'h':
        case 'H':
            MaskCharacter = 'X';
            break;
        case 'v':
        case 'V':
            MaskCharacter = 0;
            break;
        default:
            break;
        }
    }
}

KeyCode ReadKey(int16_t& button, int16_t& row, int16_t& column) {
    button = row = column = 0;
    if (!TypeAhead.empty()) {
        const auto c = static_cast<uint8_t>(TypeAhead.front());
        TypeAhead.erase(0, 1);
        return c;
    }
    if (MouseState == 0) MouseState = platform::MouseButtonCount() > 0 ? 2 : 3;
    if (MouseState == 2) {
        platform::SetMouseReporting(true);
        MouseState = 1;
    }

    platform::InputEvent event;
    bool got = TakeEvent(event);

    // Alt held with digits of the numeric keypad types the character of that code.
    int digit = got ? KeypadDigit(event) : -1;
    if (digit >= 0) {
        unsigned value = 0;
        for (;;) {
            value = (value * 10 + static_cast<unsigned>(digit)) % 256;
            got = false;
            for (int polls = 0; !got && polls < kKeypadDigitPolls; ++polls)
                got = TakeEvent(event);
            digit = got ? KeypadDigit(event) : -1;
            if (digit < 0) break;
        }
        if (got) heldEvent = event; // the key that ended the digits comes next
        event = platform::CharacterEvent(static_cast<uint8_t>(value));
        got = true;
    }

    KeyCode key = 0;
    if (got && event.kind != platform::InputKind::Mouse &&
        event.kind != platform::InputKind::None) {
        key = screen::KeyCodeOf(platform::EventKeyText(event));
        if (key == screen::kKeyAltE)
            key = kEuroSign;
        else
            key = WithModifiers(key, event.modifiers);
    }
    if (got && MouseState == 1 && event.kind == platform::InputKind::Mouse &&
        (event.mouseEvent & (platform::kMousePressed | platform::kMouseDoubleClick))) {
        button = ButtonNumber(event.buttons);
        if (button != 0) {
            row = event.row;
            column = event.column;
        }
    }

    if (key == screen::kKeyAltX) RunHotKeyPopup(CalculatorOpen, CalculatorPopup);
    if (key == screen::kKeyAltC) RunHotKeyPopup(CalendarOpen, CalendarPopup);

    if (MouseState == 1 && (key != 0 || button != 0)) {
        platform::SetMouseReporting(false);
        MouseState = 2;
    }
    return key;
}

KeyCode ReadKey() {
    int16_t button, row, column;
    return ReadKey(button, row, column);
}

KeyCode ReadKeyOrClick() {
    for (;;) {
        int16_t button, row, column;
        const KeyCode key = ReadKey(button, row, column);
        if (key != 0) return key;
        if (button != 0)
            return static_cast<KeyCode>(static_cast<uint16_t>(column * 256 + button * 64 + row));
    }
}

void SetChoiceList(std::string_view list) {
    CurrentChoiceList = list;
}

namespace {

bool IsSeparator(char c) {
    return c == ' ' || c == ',' || c == '.' || c == ';' || c == ':';
}

std::string Trimmed(std::string_view s) {
    const size_t a = s.find_first_not_of(' ');
    if (a == std::string_view::npos) return {};
    return std::string(s.substr(a, s.find_last_not_of(' ') - a + 1));
}

bool Contains(const std::vector<KeyCode>& keys, KeyCode key) {
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

} // namespace

void EditField(int16_t& row, int16_t& column, int16_t& width, std::string& text, int16_t& position,
               KeyCode& key) {
    const int L = static_cast<int>(text.size());
    const int b = L + 1;
    if (row == 0) row = static_cast<int16_t>(platform::CursorRow() - screen::InteriorTop() + 1);
    if (column == 0)
        column = static_cast<int16_t>(platform::CursorColumn() - screen::InteriorLeft() + 1);
    int pos = std::clamp<int>(position, 1, b);
    int w = width > 0 ? width : b;
    if (width <= 0) width = static_cast<int16_t>(std::min(b, 32767));

    const std::vector<ChoiceEntry> choices = ParseChoiceList(CurrentChoiceList);
    const bool choice = !choices.empty();
    const int n = static_cast<int>(choices.size());
    int c = 0, selected = 0;
    if (choice) {
        for (const ChoiceEntry& e : choices)
            c = std::max(c, static_cast<int>(e.shown.size()));
        for (int i = 0; i < n; ++i) {
            if (choices[static_cast<size_t>(i)].stored == text) {
                selected = i;
                break;
            }
        }
        if (column > 1) {
            screen::PlaceCursor(row, static_cast<int16_t>(column - 1));
            platform::WriteText("\x11"); // left-pointing triangle
        }
        screen::PlaceCursor(row, static_cast<int16_t>(column + c));
        platform::WriteText("\x10"); // right-pointing triangle
    }
    screen::SetColour("u");

    auto redraw = [&] {
        if (choice) {
            const ChoiceEntry& e = choices[static_cast<size_t>(selected)];
            text = FitText(e.stored, static_cast<int16_t>(L));
            screen::PlaceCursor(row, column);
            platform::WriteText(FitText(e.shown, static_cast<int16_t>(c)));
            return;
        }
        int line = 0;
        for (int s = 1; s <= L; s += w, ++line) {
            screen::PlaceCursor(static_cast<int16_t>(row + line), column);
            if (MaskCharacter != 0)
                platform::WriteText(std::string(static_cast<size_t>(w - 1), char(MaskCharacter)));
            else
                platform::WriteText(
                    text.substr(static_cast<size_t>(s - 1), static_cast<size_t>(w)));
        }
    };
    auto placeCursor = [&] {
        int r = row + (pos - 1) / w;
        int col = column + (pos - 1) % w;
        if (pos == b && col == column && pos > 1) {
            r -= 1;
            col = column + w;
        }
        screen::PlaceCursor(static_cast<int16_t>(r), static_cast<int16_t>(col));
    };
    auto showCursor = [&] {
        if (!choice) platform::SetCursorSize(platform::InsertToggle() ? 50 : 100);
    };

    bool needRedraw = true;
    for (;;) {
        if (needRedraw) redraw();
        needRedraw = false;
        placeCursor();
        showCursor();

        KeyCode k = 0;
        for (;;) {
            int16_t button, r, col;
            k = ReadKey(button, r, col);
            if (k == screen::kKeyIns) {
                platform::SetInsertToggle(!platform::InsertToggle());
                showCursor();
                continue;
            }
            if (k != 0) break;
            if (button != 0) {
                k = static_cast<KeyCode>(-(col * 100 + r));
                break;
            }
        }
        platform::SetCursorSize(0);

        // A click on the field moves the cursor (or the choice) and counts as key 0, which the
        // key table usually ignores; a click elsewhere ends editing.
        if (k < 0) {
            const int R = (-k) % 100, C = (-k) / 100;
            const int R0 = screen::InteriorTop() + row - 1,
                      C0 = screen::InteriorLeft() + column - 1;
            if (!choice) {
                if (R >= R0 && R < R0 + b / w && C >= C0 && C < C0 + w) {
                    pos = (R - R0) * w + (C - C0) + 1;
                    k = 0;
                }
            } else if (R == R0) {
                if (C == C0 - 1)
                    k = screen::kKeyLeft;
                else if (C == C0 + c)
                    k = screen::kKeyRight;
                else if (C >= C0 && C < C0 + c)
                    k = 0;
            }
        }

        bool ends = k == 0;
        const bool printable = (k >= 32 && k <= 126) || (k >= 128 && k <= 254);
        if (ends) {
            // key 0: to the key table
        } else if (choice) {
            if (printable && k != ' ') {
                text::searchFolding = -1;
                const std::string wanted = text::FoldCapitals(std::string(1, char(k)));
                for (int i = 1; i <= n; ++i) {
                    const int at = (selected + i) % n;
                    const std::string& shown = choices[static_cast<size_t>(at)].shown;
                    if (!shown.empty() && text::FoldCapitals(shown.substr(0, 1)) == wanted) {
                        selected = at;
                        needRedraw = true;
                        break;
                    }
                }
                text::searchFolding = 0;
            } else if (k == screen::kKeyLeft) {
                selected = selected == 0 ? n - 1 : selected - 1;
                needRedraw = true;
            } else if (k == screen::kKeyRight || k == ' ') {
                selected = selected == n - 1 ? 0 : selected + 1;
                needRedraw = true;
            } else if (k == kKeyCtrlC) {
                platform::SetClipboardText(choices[static_cast<size_t>(selected)].shown);
            } else if (k == screen::kKeyBackspace || k == screen::kKeyDel ||
                       k == screen::kKeyHome || k == screen::kKeyEnd || k == screen::kKeyCtrlHome ||
                       k == kKeyCtrlY || k == kKeyCtrlV) {
                // nothing to do on a choice
            } else {
                ends = true;
            }
        } else if (printable) {
            const char ch = static_cast<char>(k);
            if (platform::InsertToggle()) {
                if (L > 0 && text[static_cast<size_t>(L - 1)] == ' ' && pos != b) {
                    text.insert(static_cast<size_t>(pos - 1), 1, ch);
                    text.pop_back();
                    ++pos;
                    needRedraw = true;
                }
            } else if (pos != b) {
                text[static_cast<size_t>(pos - 1)] = ch;
                if (MaskCharacter == 0) platform::WriteText(std::string(1, ch));
                ++pos;
            }
        } else {
            switch (k) {
            case screen::kKeyLeft:
                pos = std::max(pos - 1, 1);
                break;
            case screen::kKeyRight:
                pos = std::min(pos + 1, b);
                break;
            case screen::kKeyBackspace:
                if (pos > 1) {
                    --pos;
                    text.erase(static_cast<size_t>(pos - 1), 1);
                    text.push_back(' ');
                    needRedraw = true;
                }
                break;
            case screen::kKeyDel:
                if (pos < b) {
                    text.erase(static_cast<size_t>(pos - 1), 1);
                    text.push_back(' ');
                    needRedraw = true;
                }
                break;
            case screen::kKeyHome:
                pos = 1;
                break;
            case screen::kKeyEnd: {
                const size_t last = text.find_last_not_of(' ');
                pos = last == std::string::npos ? 1 : static_cast<int>(last) + 2;
                break;
            }
            case screen::kKeyCtrlHome:
            case kKeyCtrlY:
                text.assign(static_cast<size_t>(L), ' ');
                pos = 1;
                needRedraw = true;
                break;
            case screen::kKeyUp:
            case screen::kKeyShiftTab:
                if (pos > w)
                    pos -= w;
                else
                    ends = true;
                break;
            case screen::kKeyDown:
                if (pos <= b - w)
                    pos += w;
                else
                    ends = true;
                break;
            case screen::kKeyCtrlLeft:
                if (pos > 1) {
                    bool word = !IsSeparator(text[static_cast<size_t>(pos - 2)]);
                    int i = pos - 1;
                    for (; i >= 1; --i) {
                        const bool v = !IsSeparator(text[static_cast<size_t>(i - 1)]);
                        if (v != word) {
                            word = v;
                            if (!word) {
                                pos = i + 1;
                                break;
                            }
                        }
                    }
                    if (i <= 1) pos = 1;
                } else {
                    ends = true;
                }
                break;
            case screen::kKeyCtrlRight:
                if (pos < b) {
                    bool separator = IsSeparator(text[static_cast<size_t>(pos - 1)]);
                    bool stopped = false;
                    for (int i = pos + 1; i <= L; ++i) {
                        const bool t = IsSeparator(text[static_cast<size_t>(i - 1)]);
                        if (t != separator) {
                            separator = t;
                            if (!separator) {
                                pos = i;
                                stopped = true;
                                break;
                            }
                        }
                    }
                    if (!stopped) pos = b;
                } else {
                    ends = true;
                }
                break;
            case kKeyCtrlC:
                // A masked field's text never leaves the field.
                if (MaskCharacter == 0) platform::SetClipboardText(Trimmed(text));
                break;
            case kKeyCtrlV: {
                std::string paste;
                for (char ch : platform::ClipboardText()) {
                    const auto u = static_cast<uint8_t>(ch);
                    if (u >= 32 && u != 127 && u != 255) paste += ch;
                }
                paste = Trimmed(paste);
                for (size_t i = 0; i < paste.size() && pos - 1 + static_cast<int>(i) < L; ++i)
                    text[static_cast<size_t>(pos - 1) + i] = paste[i];
                needRedraw = true;
                break;
            }
            default:
                ends = true;
                break;
            }
        }
        if (!ends) continue;

        // Ending: the translations, then the key table.
        if (k == screen::kKeyShiftTab)
            k = screen::kKeyUp;
        else if (k == screen::kKeyTab)
            k = screen::kKeyEnter;
        else if (k == screen::kKeyEnter && Contains(KeyTable.acceptedKeys, screen::kKeyEnd))
            k = screen::kKeyEnd;
        else if (k == screen::kKeyCtrlF4 || k == screen::kKeyAltF4)
            k = screen::kKeyEsc;
        if (!KeyTable.acceptedKeys.empty()) {
            const auto found =
                std::find(KeyTable.acceptedKeys.begin(), KeyTable.acceptedKeys.end(), k);
            if (found != KeyTable.acceptedKeys.end()) {
                k = KeyTable
                        .reportedCodes[static_cast<size_t>(found - KeyTable.acceptedKeys.begin())];
            } else if (k >= 0) {
                needRedraw = true; // not a key of this field: editing goes on
                continue;
            }
        }
        key = k;
        break;
    }

    position = static_cast<int16_t>(pos);
    screen::SetColour("h");
    if (choice) {
        if (column > 1) {
            screen::PlaceCursor(row, static_cast<int16_t>(column - 1));
            platform::WriteBlanks(1);
        }
        screen::PlaceCursor(row, static_cast<int16_t>(column + c));
        platform::WriteBlanks(1);
    }
    screen::PlaceCursor(row, column);
}

void ResetEditorForTests() {
    KeyTable = KeyTableRecord{};
    MaskCharacter = 0;
    CurrentChoiceList.clear();
    TypeAhead.clear();
    MouseState = 0;
    CalculatorOpen = CalendarOpen = false;
    CalculatorPopup = popups::RunCalculator;
    CalendarPopup = popups::RunCalendar;
    heldEvent.reset();
}

} // namespace forms
