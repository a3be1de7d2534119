// A print file shaped like the contract-expiry listing (page header and detail lines, pages of
// 66 lines, a new header after 55 detail lines), written with the print file writer.
#pragma once

#include "print/printfile.h"

#include <cstdio>
#include <string>

namespace printtest {

inline const std::string kCompany = "FINQUES MONTSERRAT I FILLS, S.L.";
// RELACIÓ DE CONTRACTES QUE VENCEN DURANT MARÇ 2024, in code page 850.
inline const std::string kTitle = "RELACI\xe0 DE CONTRACTES QUE VENCEN DURANT MAR\x80 2024";

inline std::string Padded(std::string text, size_t width) {
    text.resize(width, ' ');
    return text;
}

inline std::string Number4(int n) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%4d", n);
    return buffer;
}

inline void FixtureHeader(int16_t& pageNumber) {
    ++pageNumber;
    print::StartPage(66);
    print::PrintControl("@e");
    print::PrintText(1, kCompany, 0);
    print::SetAlignment("D");
    print::PrintText(85, "P\xb7GINA" + Number4(pageNumber), 2); // PÀGINA
    print::PrintText(static_cast<int16_t>((96 - kTitle.size()) / 2), kTitle, 2);
    print::PrintControl("q");
    print::PrintText(1, "REBUT", 0);
    print::PrintText(13,
                     "ADRE\x80"
                     "A",
                     0); // ADREÇA
    print::PrintText(48, "DEPART.", 0);
    print::PrintText(64, "TITULAR", 0);
    print::PrintText(100, "CONTRACTE", 0);
    print::SetAlignment("D");
    print::PrintText(116, "DUR.", 0);
    print::SetAlignment("E");
    print::PrintText(126, "VENCIMENT", 1);
    print::PrintText(1, std::string(135, '-'), 1);
}

// Detail line i of the fixture: receipt, address, flat, holder, start, months, expiry.
struct FixtureRow {
    std::string receipt, address, flat, holder, start, months, expiry;
};

inline FixtureRow FixtureRowAt(int i) {
    char receipt[16], start[24], expiry[24];
    std::snprintf(receipt, sizeof receipt, "%03d%03d", 100 + i / 10, i % 10 + 1);
    std::snprintf(start, sizeof start, "%02d/03/2023", i % 28 + 1);
    std::snprintf(expiry, sizeof expiry, "%02d/03/2024", i % 28 == 0 ? 29 : i % 28);
    FixtureRow row;
    row.receipt = receipt;
    // Code page 850: "─" box line, Ç, Ó, À, accents.
    row.address =
        Padded(i == 0 ? "PL. CATALUNYA 3 \xc4 BAIXOS" : "C/ MAJOR " + std::to_string(i), 30);
    row.flat = Padded(std::to_string(i % 5 + 1) + "r " + std::to_string(i % 3 + 1) + "a", 10);
    row.holder =
        Padded(i == 0 ? "JOAN \x80URR\xe0 \xb7LVAREZ" : "TITULAR N\xe9M. " + std::to_string(i), 30);
    row.start = start;
    row.months = Number4(i == 1 ? 120 : 12);
    row.expiry = expiry;
    return row;
}

// Writes the fixture listing with rows detail lines into the open print file.
inline void WriteFixtureListing(int rows) {
    int16_t pageNumber = 0;
    for (int i = 0; i < rows; ++i) {
        if (pageNumber == 0) FixtureHeader(pageNumber);
        if (print::CurrentPrintFile.lineCount > 60) FixtureHeader(pageNumber);
        const FixtureRow row = FixtureRowAt(i);
        print::PrintText(1, row.receipt, 0);
        print::PrintText(13, row.address, 0);
        print::PrintText(48, row.flat, 0);
        print::PrintText(64, row.holder, 0);
        print::PrintText(100, row.start, 0);
        print::SetAlignment("D");
        print::PrintText(116, row.months, 0);
        print::SetAlignment("E");
        print::PrintText(126, row.expiry, 1);
    }
}

} // namespace printtest
