#include "forms/formloop.h"

#include "app/session.h"
#include "forms/browse.h"
#include "forms/editor.h"
#include "forms/fields.h"
#include "forms/formdef.h"
#include "forms/hooks.h"
#include "platform/console.h"
#include "screen/colours.h"
#include "screen/help.h"
#include "screen/windows.h"
#include "text/texthelpers.h"

#include <cmath>

namespace forms {

using screen::KeyCode;

namespace {

inline constexpr KeyCode kKeyHelp = screen::kKeyF1;

int16_t ValueColumn(const FieldRecord& f) {
    return static_cast<int16_t>(f.column + static_cast<int16_t>(f.label.size()));
}

// The lowest and highest editable field of a form; first > last when there is none.
void EditableRange(int16_t form, int16_t& first, int16_t& last) {
    const FormRecord& r = Form(form);
    first = static_cast<int16_t>(r.fieldCount + 1);
    last = 0;
    for (int16_t j = 1; j <= r.fieldCount; ++j) {
        if (Field(form, j).flags & kDisplayOnly) continue;
        if (j < first) first = j;
        last = j;
    }
}

// The field under a click (an editor click code), 0 for none. Display-only fields are not
// selected.
int16_t FieldUnderClick(int16_t form, KeyCode click) {
    const FormRecord& r = Form(form);
    const int code = -static_cast<int>(click);
    const int row = code % 100 - r.top;
    const int column = code / 100 - r.left;
    for (int16_t j = 1; j <= r.fieldCount; ++j) {
        const FieldRecord& f = Field(form, j);
        if (f.flags & kDisplayOnly) continue;
        const int lines = f.width != 0 ? f.length / f.width : 1;
        const int w = f.width != 0 ? f.width : f.length;
        if (row >= f.row && row < f.row + lines && column >= f.column &&
            column < f.column + static_cast<int>(f.label.size()) + w + f.trailer)
            return j;
    }
    return 0;
}

std::string TrimRight(std::string s) {
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

bool LeavesCallingForm(KeyCode key) {
    return key == screen::kKeyPgUp || key == screen::kKeyPgDn || key == screen::kKeyEnd ||
           key == kKeyCtrlB || key == screen::kKeyEnter || key == screen::kKeyDown ||
           key == screen::kKeyUp;
}

} // namespace

int16_t TitleColumn(int16_t length) {
    const double column = std::nearbyint(41.0 - length / 2.0);
    return static_cast<int16_t>(column < 1 ? 1 : column);
}

void DrawForm(int16_t form) {
    if (!FormExists(form)) return;
    const std::string& title = app::SessionSettings.title;
    screen::SetColour("rh");
    platform::SetCursorPosition(
        1, TitleColumn(static_cast<int16_t>(std::min<size_t>(title.size(), 32767))));
    platform::WriteText(title);
    const FormRecord& r = Form(form);
    screen::SetColour("n");
    for (int16_t j = 1; j <= r.fieldCount; ++j) {
        screen::PlaceCursor(Field(form, j).row, Field(form, j).column);
        platform::WriteText(Field(form, j).label);
    }
    screen::SetColour("h");
    for (int16_t j = 1; j <= r.fieldCount; ++j)
        DisplayField(form, j);
}

void RunForm(int16_t number, KeyCode& key) {
    const bool continuation = number < 0;
    const int16_t f = static_cast<int16_t>(number < 0 ? -number : number);
    if (!FormExists(f)) return;
    const bool window = Form(f).top != 0;
    if (window) {
        screen::SetColour("+n");
        const FormRecord& r = Form(f);
        screen::PushWindow(r.top, r.left, r.bottom, r.right);
        screen::DrawFrame(2);
        screen::SetColour("-");
    }
    DrawForm(f);

    int16_t first, last;
    EditableRange(f, first, last);
    int16_t current = first;
    for (;;) {
        while (first <= last && current >= first && current <= last) {
            FieldRecord& field = Field(f, current);
            SetKeyTable("+ea", Form(f).keys + ",3b00");
            const int16_t valueColumn = ValueColumn(field);
            const bool blankStart = field.flags & (kStartBlank | kMasked);
            const bool masked = field.flags & kMasked;
            const bool displayOnly = field.flags & kDisplayOnly;
            std::string working =
                blankStart ? std::string(static_cast<size_t>(field.length), ' ') : field.value;
            if (masked) SetKeyTable("h", "");
            if (field.trailer > 0 && !displayOnly) {
                screen::PlaceCursor(field.row, static_cast<int16_t>(valueColumn + field.length));
                platform::WriteBlanks(field.trailer);
            }
            while (!displayOnly) {
                SetChoiceList(field.choices);
                int16_t position = 1;
                if (field.flags & kCursorAtEnd) {
                    const size_t last_ = working.find_last_not_of(' ');
                    position = static_cast<int16_t>(last_ == std::string::npos ? 1 : last_ + 2);
                }
                int16_t row = field.row, column = valueColumn, width = field.width;
                EditField(row, column, width, working, position, key);
                if (key == kKeyHelp) {
                    const std::string topic = TrimRight(app::SessionSettings.menuName);
                    if (!topic.empty()) screen::ShowHelp(topic);
                    key = 0;
                    break;
                }
                if (key == screen::kKeyF4) {
                    key = 0;
                    if (field.browse <= 0) break;
                    if (RunBrowse(field.browse) != 0) {
                        platform::Beep();
                        continue;
                    }
                    ApplyBrowsePick(field.browse, f, current);
                    key = current == Form(f).fieldCount && Form(f).nextForm == 0 ? screen::kKeyEnter
                                                                                 : screen::kKeyDown;
                    break;
                }
                if (field.trailer > 0) {
                    screen::PlaceCursor(field.row, valueColumn);
                    // A masked field is rewritten with its mask, never in clear.
                    platform::WriteText(masked ? std::string(working.size(), 'X') : working);
                    platform::WriteBlanks(field.trailer);
                }
                if (key == screen::kKeyEsc) {
                    DisplayField(f, current);
                    break;
                }
                if (blankStart && text::IsAllOf(working, ' ') != 0) working = field.value;
                if (StoreField(f, working, current) == 0) break;
                platform::Beep();
            }
            working.clear();
            if (masked) SetKeyTable("v", "");
            SetKeyTable("-", "");
            EditableRange(f, first, last);

            bool finished = false;
            if (key == screen::kKeyPgUp) {
                current = first;
            } else if (key == screen::kKeyPgDn) {
                current = last;
            } else if (key == screen::kKeyEnd || key == kKeyCtrlB) {
                current = 0;
            } else if (key == screen::kKeyEsc) {
                current = current > first ? first : 0;
            } else if (key == screen::kKeyEnter || key == screen::kKeyDown ||
                       key == screen::kKeyF2) {
                if ((current == last || key == screen::kKeyF2) && Form(f).nextForm > 0) {
                    RunForm(static_cast<int16_t>(-Form(f).nextForm), key);
                    if (LeavesCallingForm(key)) finished = true;
                } else if (key == screen::kKeyEnter ||
                           (key == screen::kKeyDown && current < last)) {
                    ++current;
                }
            } else if (key == screen::kKeyUp) {
                if (current > first) {
                    --current;
                } else if (continuation) {
                    key = screen::kKeyEsc;
                    finished = true;
                }
            } else if (key < 0) {
                const int16_t clicked = FieldUnderClick(f, key);
                if (clicked != 0) current = clicked;
            } else if (key != 0) {
                finished = true;
            }
            if (finished) break;
        }
        // The end step: the form's end hook may send the operator back to the first field.
        if (CheckFormEnd(f, key) != 0 && first <= last) {
            current = first;
            continue;
        }
        break;
    }
    if (window) screen::PopWindow();
}

} // namespace forms
