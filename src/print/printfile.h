// The print file writer: a listing is written as instruction lines into zazirivi.tmp in the
// work directory (device line, page lines, control lines, alignment lines and text items,
// each ending with CR LF), which the print program ZAZIRIVI reads afterwards.
#pragma once

#include "platform/system.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace print {

// The one print file of the program and the page state that decides when a text item starts
// a new page by itself. pageLength and lineCount live for the whole run: closing the file or
// opening the next one does not reset them.
struct PrintFile {
    platform::FileHandle file; // null while closed, or when the file could not be created
    int16_t pageLength = 0;    // the length given to the last StartPage
    int16_t lineCount = 0;     // line advances written since the last StartPage
};

inline PrintFile CurrentPrintFile;

// The path of the print file: workDir of the session followed directly by "zazirivi.tmp".
std::string PrintFilePath();

// Creates the print file, or empties it, and writes "DEVICE" + device. Returns 0, or 1 when
// the file could not be created or emptied (the writes that follow then do nothing).
int16_t OpenPrintFile(std::string_view device);
void ClosePrintFile();

// "PAGE" + print number of n; pageLength = n, lineCount = 0.
void StartPage(int16_t n);
// "*" + code.
void PrintControl(std::string_view code);
// "JUS" + the normalised alignment code (see NormalisedAlignment).
void SetAlignment(std::string_view code);
// One text item: print number of column, ",", text with control characters blanked, ",",
// print number of advance. Starts a page of the same length first when the page is full.
void PrintText(int16_t column, std::string_view text, int16_t advance);

// A number as the print file writes it: "-" or a blank, the digits, one trailing blank.
std::string PrintNumber(int32_t n);

// The alignment code written for a code given: "C", "D" (D, R), "A" (A, B), "N" + number +
// " " + mask, or "E" for anything else, decided by the first character after trimming.
std::string NormalisedAlignment(std::string_view code);

} // namespace print
