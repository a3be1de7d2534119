// The print run: the parameter form, a listing into a fresh print file, and the hand-off to
// the suite's print program, over and over until the operator leaves the form with Esc.
#pragma once

#include <string>
#include <vector>

namespace print {

// Runs listings until the parameter form is left with Esc.
void RunPrintLoop();

// The print program's command: programDir followed directly by "ZAZIRIVI", no arguments.
std::vector<std::string> PrintProgramCommand();

// The messages of a listing that could not be handed over, in the session language.
std::string PrintFileFailureText();
std::string PrintProgramFailureText();

} // namespace print
