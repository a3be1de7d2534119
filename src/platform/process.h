// Starting another program of the suite in the same terminal and waiting for it.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Starts the program args[0] with the arguments args[1..] (CP850 texts) directly, without a
// shell, so no text can inject a command. A program name holding "\" or "/" is a path of the
// system (converted like every path); a bare name is looked for on PATH. The terminal is handed
// to the child while it runs and the screen is drawn again afterwards. Returns whether the
// program started (a missing or non-executable program gives false); its exit status is not
// looked at.
bool RunProcess(const std::vector<std::string>& args);

} // namespace platform
