#include "print/printfile.h"

#include "app/session.h"
#include "text/leadingnumber.h"
#include "text/texthelpers.h"

#include <cmath>
#include <cstdio>

namespace print {

namespace {

// Writes one line and its CR LF; nothing when the file is not open (failures stay silent).
void WriteLine(std::string_view line) {
    std::FILE* f = CurrentPrintFile.file.get();
    if (!f) return;
    std::fwrite(line.data(), 1, line.size(), f);
    std::fwrite("\r\n", 1, 2, f);
}


// The mask of a numeric alignment code: from its first "\" to the next one, both included;
// to the end when there is only one; empty when there is none.
std::string_view NumericMask(std::string_view code) {
    size_t first = code.find('\\');
    if (first == std::string_view::npos) return {};
    size_t second = code.find('\\', first + 1);
    if (second == std::string_view::npos) return code.substr(first);
    return code.substr(first, second - first + 1);
}

// The integer part of a number without its sign, in full digits, after one leading blank.
std::string UnsignedIntegerText(double value) {
    value = std::trunc(std::fabs(value));
    if (!std::isfinite(value)) value = 0;
    char digits[400];
    std::snprintf(digits, sizeof digits, "%.0f", value);
    return std::string(" ") + digits;
}

} // namespace

std::string PrintFilePath() {
    return app::SessionSettings.workDir + "zazirivi.tmp";
}

std::string PrintNumber(int32_t n) {
    std::string digits = std::to_string(n < 0 ? -static_cast<int64_t>(n) : n);
    return (n < 0 ? "-" : " ") + digits + " ";
}

int16_t OpenPrintFile(std::string_view device) {
    CurrentPrintFile.file = platform::OpenCreate(PrintFilePath());
    if (!CurrentPrintFile.file) return 1;
    WriteLine(std::string("DEVICE") + std::string(device));
    return 0;
}

void ClosePrintFile() {
    CurrentPrintFile.file.reset();
}

void StartPage(int16_t n) {
    WriteLine("PAGE" + PrintNumber(n));
    CurrentPrintFile.pageLength = n;
    CurrentPrintFile.lineCount = 0;
}

void PrintControl(std::string_view code) {
    WriteLine(std::string("*") + std::string(code));
}

std::string NormalisedAlignment(std::string_view code) {
    std::string_view trimmed = text::TrimBlanks(code);
    char c = trimmed.empty() ? ' ' : trimmed.front();
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    switch (c) {
    case 'C':
        return "C";
    case 'D':
    case 'R':
        return "D";
    case 'A':
    case 'B':
        return "A";
    case 'N':
        return "N" + UnsignedIntegerText(text::LeadingNumber(trimmed.substr(1))) + " " +
               std::string(NumericMask(code));
    default:
        return "E";
    }
}

void SetAlignment(std::string_view code) {
    WriteLine("JUS" + NormalisedAlignment(code));
}

void PrintText(int16_t column, std::string_view text, int16_t advance) {
    std::string copy(text);
    for (char& ch : copy) {
        auto b = static_cast<unsigned char>(ch);
        if (b < 32 || b == 127 || b == 255) ch = ' ';
    }
    if (CurrentPrintFile.lineCount >= CurrentPrintFile.pageLength)
        StartPage(CurrentPrintFile.pageLength);
    WriteLine(PrintNumber(column) + "," + copy + "," + PrintNumber(advance));
    if (advance != 0)
        CurrentPrintFile.lineCount = static_cast<int16_t>(CurrentPrintFile.lineCount + advance);
}

} // namespace print
