// Context help: a plain-text help file shown in a framed window that the operator pages
// through, or, in the "WIN" output mode, an HTML page opened by the suite's help launcher.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace screen {

// The help topic used for help on the help window itself.
inline constexpr const char* kHelpOnHelpTopic = "UUTIMENU";

// Shows the help of a topic (given without trailing blanks) and returns when the operator has
// closed it.
void ShowHelp(std::string_view topic);

// The arguments that open a topic's HTML page: COMSPEC, "/C", "REDERO", "AJUDA\" topic ".HTM".
std::vector<std::string> HelpCommand(std::string_view topic);

} // namespace screen
