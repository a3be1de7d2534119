// The print program's messages in the four languages of the suite, and how it shows them
// until the console layer takes over.
#pragma once

#include <string>
#include <string_view>

namespace print {

enum class PrintMessage {
    CannotRead, // + path
    Malformed,  // + line number
    NothingToPrint,
    CannotWrite,     // + path
    SameAsPrintFile, // + path
    Saved,           // + path
    PrinterFailed,   // + printer; the printer's own output follows on the next lines
    Sent,            // + printer
    Pages,           // + number of pages
    PressKey,
    // Words of the preview's indicator line.
    PreviewPage,
    PreviewLine,
    PreviewColumn,
    PreviewLeave,
};

// The message in the session language ("CAT", "SPA", "GLG", "OCI"; any other is Catalan), as
// code page 850 bytes, with detail appended.
std::string MessageText(PrintMessage message, std::string_view language,
                        std::string_view detail = {});

// Writes the lines (code page 850) on the terminal and, when the input is a terminal, waits
// for one key press, so the operator reads them before the report program comes back.
void ShowAndWait(std::string_view lines, std::string_view language);

// Waits for one key press on a terminal input (nothing when the input is not a terminal).
void WaitForKey();

} // namespace print
