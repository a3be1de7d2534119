// The points where the general form machinery meets the report: the end of a form, a pick in
// a list, the text of a list line and where a list starts.
#pragma once

#include "screen/keys.h"

#include <cstdint>
#include <string>

namespace forms {

// Called when a form is left: -1 restarts the form at its first field, 0 lets it end.
int16_t CheckFormEnd(int16_t form, screen::KeyCode key);
// Puts the record picked in a list into the field (nothing when form or field is 0).
void ApplyBrowsePick(int16_t browse, int16_t form, int16_t field);
// The text of one list line for the current record of the list's file.
std::string BrowseLineText(int16_t browse);
// Where a list starts: the start key and the key prefix the list keeps to; 0 to go on.
int16_t BrowseStartKey(int16_t browse, std::string& key, std::string& prefix);

} // namespace forms
