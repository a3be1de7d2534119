// The contract expiry listing: the contracts of a range of flats that expire in a chosen month
// or earlier, read from the property file (506) and the flat file (507) in key order and written
// into the open print file with a page header every 55 lines.
#pragma once

#include "report/records.h"
#include "text/calendar.h"

#include <cstdint>
#include <string>

namespace report {

inline constexpr int16_t kPropertyFile = 506;
inline constexpr int16_t kFlatFile = 507;

// Report parameters, set by the parameter form before each listing. ListingDate: its first
// three bytes (century, year, month) name the month of the listing. FromFlatKey, ToFlatKey:
// four bytes of packed digits like flatCode, both ends included.
inline text::PackedDate ListingDate = text::kZeroDate;
inline std::string FromFlatKey(4, '\0');
inline std::string ToFlatKey(4, '\0');

// Pages written by the current listing; every page header raises it by one.
inline int16_t pageNumber = 0;

// The record buffers of the two files: every read fills them.
inline PropertyRecord PropertyBuffer{};
inline FlatRecord FlatBuffer{};

// The file names given to the record-manager layer: rootDir + "DADES\FinquesV" / "DADES\DepartaV".
std::string PropertyFileName();
std::string FlatFileName();

// Opens the property file and then the flat file (a file that cannot be opened ends the
// program inside the layer, after its message).
void OpenReportFiles();
// Closes the print file if it is open, then every data file.
void CloseReportFiles();

// Writes the listing for the report parameters into the open print file. A read of either
// file that fails with anything but "end of file" or "key not found" ends the listing and
// shows the record manager's message until a key is pressed.
void PrintExpiryListing();

// Whether a flat's contract is listed: the flat lies in the range, has a contract start and a
// positive duration, and its contract expires in the month of the listing or earlier. expiry
// receives the day before the same day that many months after the start.
bool FlatSelected(const FlatRecord& flat, text::PackedDate& expiry);

// One contract line of the current flat (in FlatBuffer, its property in PropertyBuffer),
// preceded by a page header on the first line of the listing and when the page is full.
void PrintDetailLine(const text::PackedDate& expiry);

// The six header lines of a new page: company name and page number, title with the month of
// the listing, column headings and the rule.
void PrintPageHeader();

// The installation's company name: key Nom of section Empresa in rootDir + "Nuvo.ini".
std::string CompanyName();

// Replaces the wait for the operator's key after a failed read (tests run headless).
void SetReadFailureKeyWaitForTests(void (*hook)());

} // namespace report
