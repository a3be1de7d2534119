// The print program: finds the print file of the session, reads it and sends its pages to the
// device its first line names.
#pragma once

namespace print {

// Runs the print program from start to end. The print file is only read, never changed or
// removed. Returns the exit code, always 0, so the report program carries on.
int RunPrintProgram();

} // namespace print
