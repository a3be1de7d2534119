#include "forms/hooks.h"

#include "forms/formdef.h"
#include "forms/formloop.h"
#include "report/listing.h"
#include "text/dateformat.h"
#include "text/texthelpers.h"

namespace forms {

// Form 1 left with any key but Esc: its five fields become the report parameters (the month
// of the listing, the first and the last flat of the range); an empty range or an answer other
// than "S" on the confirmation form sends the operator back to the first field.
int16_t CheckFormEnd(int16_t form, screen::KeyCode key) {
    if (key == screen::kKeyEsc || form != 1) return 0;
    report::ListingDate = text::ParseEntryDate(Field(1, 1).value);
    report::FromFlatKey = text::PackCodeKey(Field(1, 2).value + "." + Field(1, 3).value);
    report::ToFlatKey = text::PackCodeKey(Field(1, 4).value + "." + Field(1, 5).value);
    if (text::DateBefore(report::ToFlatKey, report::FromFlatKey)) return -1;
    // The confirmation runs with a key variable of its own, so form 1 ends with the key it
    // was left with.
    SetFieldValue(Field(2, 1), "");
    screen::KeyCode answerKey = key;
    RunForm(2, answerKey);
    return Field(2, 1).value == "S" ? 0 : -1;
}

} // namespace forms
