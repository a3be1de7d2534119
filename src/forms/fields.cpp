#include "forms/fields.h"

#include "app/session.h"
#include "forms/formdef.h"
#include "platform/console.h"
#include "screen/windows.h"
#include "text/dateformat.h"
#include "text/leadingnumber.h"
#include "text/numberformat.h"
#include "text/texthelpers.h"

namespace forms {

std::vector<ChoiceEntry> ParseChoiceList(std::string_view list) {
    std::vector<ChoiceEntry> entries;
    size_t p = list.find('|');
    while (p != std::string_view::npos) {
        const size_t next = list.find('|', p + 1);
        const std::string_view entry = list.substr(
            p + 1, next == std::string_view::npos ? std::string_view::npos : next - p - 1);
        const size_t comma = entry.find(',');
        ChoiceEntry e;
        e.stored = entry.substr(0, comma);
        if (comma != std::string_view::npos) e.shown = entry.substr(comma + 1);
        entries.push_back(std::move(e));
        p = next;
    }
    return entries;
}

void DisplayField(int16_t form, int16_t field) {
    if (!FieldExists(form, field)) return;
    const FieldRecord& f = Field(form, field);
    const int16_t valueColumn =
        static_cast<int16_t>(f.column + static_cast<int16_t>(f.label.size()));
    screen::PlaceCursor(f.row, valueColumn);
    if (f.flags & kMasked) return;
    if (f.type == kDateField) {
        platform::WriteText(text::FormatDate(text::ParseEntryDate(f.value), 0, "dma"));
    } else if (f.type == kNumberField) {
        platform::WriteText(text::FormatNumber("ZZ9", text::LeadingNumber(f.value)));
    } else if (!f.choices.empty()) {
        for (const ChoiceEntry& e : ParseChoiceList(f.choices)) {
            if (e.stored == f.value) {
                platform::WriteText(FitText(e.shown, static_cast<int16_t>(f.length + f.trailer)));
                break;
            }
        }
    } else if (f.width == 0) {
        platform::WriteText(f.value);
    } else {
        int16_t row = f.row;
        for (size_t s = 0; s < f.value.size(); s += static_cast<size_t>(f.width)) {
            screen::PlaceCursor(row++, valueColumn);
            platform::WriteText(f.value.substr(s, static_cast<size_t>(f.width)));
        }
    }
}

int16_t StoreField(int16_t form, std::string text, int16_t field) {
    if (!FieldExists(form, field)) return -1;
    FieldRecord& f = Field(form, field);
    int16_t r = 0;
    if (f.type == kDateField) {
        if (text::IsAllOf(text, ' ') != 0)
            text = FitText(text::DateToEntryText(app::SessionSettings.workingDate),
                           static_cast<int16_t>(text.size()));
        r = text::CheckEntryDate(text);
    } else if (f.type == kNumberField) {
        r = text::CheckNumberEntry(text, "");
    }
    if (r == 0) {
        SetFieldValue(f, text);
        DisplayField(form, field);
    }
    return r;
}

} // namespace forms
