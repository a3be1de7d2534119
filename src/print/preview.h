// The preview of the laid-out pages on the console.
#pragma once

#include "print/printlayout.h"

#include <string_view>
#include <vector>

namespace print {

// Shows the pages to the operator and returns when the operator leaves.
void RunPreview(const std::vector<LaidOutPage>& pages, std::string_view language);

} // namespace print
