// The run sequence of the report program.
#pragma once

namespace app {

// Runs the program from start to end: session, installation root, form definition, data
// files, the print loop until the operator leaves the form with Esc, closing. Returns the
// exit code, always 0.
int RunOrbicade();

// The installation root made absolute (a relative ARXROOT is taken from the directory the
// program was started in), so that paths formed from it still point into the installation
// after the current directory has changed to it.
void MakeRootAbsolute();

} // namespace app
