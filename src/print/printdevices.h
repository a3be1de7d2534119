// The devices the print program sends laid-out pages to: the screen preview, a text file, a
// PDF file, a printer through lp.
#pragma once

#include "print/printlayout.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace print {

enum class DeviceKind { Screen, TextFile, PdfFile, Printer };

struct Device {
    DeviceKind kind = DeviceKind::Screen;
    std::string target; // file path text (code page 850) or printer name; "" = default printer
};

// Tells whether a name is a printer of the print system.
using PrinterCheck = bool (*)(std::string_view name);

// The device a device line names: empty or a screen name (CON, PANTALLA, SCREEN) -> the
// preview; "lp:NAME" -> that printer ("lp:" alone, PRN, LPT1..LPT3 -> the default printer);
// a name ending in ".pdf" -> a PDF file; a bare name that isPrinter knows -> that printer;
// anything else -> a text file. Blanks around the name do not count.
Device ChooseDevice(std::string_view deviceLine, PrinterCheck isPrinter);

// Asks the print system (lpstat -p) whether a printer of that name exists.
bool IsKnownPrinter(std::string_view name);

// The pages as UTF-8 text: each page's lines up to its last line with text, LF line ends,
// one form feed between pages.
std::string RenderText(const std::vector<LaidOutPage>& pages);

// Writes RenderText into a file (created or replaced). 0, or 1 when it cannot be written.
int16_t WriteTextFile(const std::vector<LaidOutPage>& pages, std::string_view systemPath);

// Writes one PDF page per page: A4, landscape when the page is wider than 96 columns, in
// DejaVu Sans Mono sized so the page's columns and lines fill the sheet inside its margins.
// 0, or 1 when the file cannot be written.
int16_t WritePdf(const std::vector<LaidOutPage>& pages, std::string_view nativePath);

// Renders the pages as a PDF and hands it to lp (-d printer unless printer is empty). 0 when
// lp accepted it; otherwise 1, with what lp or the system said in output.
int16_t SendToPrinter(const std::vector<LaidOutPage>& pages, std::string_view printer,
                      std::string& output);

// Runs a program (looked up in PATH) with arguments, no shell, its standard output and error
// collected in output. The exit status, or -1 when it could not be started.
int RunProgram(const std::vector<std::string>& arguments, std::string& output);

} // namespace print
