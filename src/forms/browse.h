// The lists F4 opens on a field: records of a data file to pick from.
#pragma once

#include <cstdint>

namespace forms {

// Shows the list of a browse definition and lets the operator pick a line: 0 when a line was
// picked (and its record read into the file's record buffer), any other value when the list
// was cancelled or no record could be read.
int16_t RunBrowse(int16_t browse);

} // namespace forms
