// Showing a field's stored value by its type, and checking and storing a typed value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace forms {

// One entry of a ChoiceList: "|" stored value "," shown text.
struct ChoiceEntry {
    std::string stored;
    std::string shown;
};

// The entries of a ChoiceList. Text before the first "|" belongs to no entry; an entry
// without a comma has an empty shown text.
std::vector<ChoiceEntry> ParseChoiceList(std::string_view list);

// Writes the field's value at its place in the current colour: a date in its display form, a
// number right-aligned, a choice by its shown text, a text on one line or in lines of `width`.
// A masked field shows nothing.
void DisplayField(int16_t form, int16_t field);

// Checks a typed text by the field's type and stores it: 0 stored (and shown), -1 refused
// (the value stays, nothing is shown). A blank date stores the working date.
int16_t StoreField(int16_t form, std::string text, int16_t field);

} // namespace forms
