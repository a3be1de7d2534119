#include "report/listing.h"

#include "app/session.h"
#include "app/settings.h"
#include "app/translate.h"
#include "data/datafiles.h"
#include "data/recordcall.h"
#include "data/records.h"
#include "platform/console.h"
#include "print/printfile.h"
#include "text/dateformat.h"
#include "text/numberformat.h"
#include "text/texthelpers.h"

#include <cstring>
#include <span>
#include <string_view>

namespace report {

namespace {

constexpr int16_t kStatusKeyNotFound = 4;
constexpr int16_t kStatusEndOfFile = 9;

void (*readFailureKeyWait)() = nullptr;

// The texts of a page header that stay the same for the whole listing, translated once: the
// language file is scanned for each text, and a long listing has thousands of pages.
struct HeaderTexts {
    bool ready = false;
    std::string language, rootDir, listingDate; // what the texts were made for
    std::string company, page, title, receipt, address, flat, holder, start, months, expiry;
};
HeaderTexts headerTexts;

const HeaderTexts& CurrentHeaderTexts() {
    HeaderTexts& h = headerTexts;
    const app::SessionRecord& session = app::SessionSettings;
    if (h.ready && h.language == session.language && h.rootDir == session.rootDir &&
        h.listingDate == ListingDate)
        return h;
    h.language = session.language;
    h.rootDir = session.rootDir;
    h.listingDate = ListingDate;
    h.company = CompanyName();
    h.page = app::TranslateText("P\xB7GINA");                                     // PÀGINA
    h.title = app::TranslateText("RELACI\xE0 DE CONTRACTES QUE VENCEN DURANT ") + // RELACIÓ
              text::FoldCapitals(text::FormatDate(ListingDate, 2, "ma"));
    h.receipt = app::TranslateText("REBUT");
    h.address = app::TranslateText("ADRE\x80"
                                   "A"); // ADREÇA
    h.flat = app::TranslateText("DEPART.");
    h.holder = app::TranslateText("TITULAR");
    h.start = app::TranslateText("CONTRACTE");
    h.months = app::TranslateText("DUR.");
    h.expiry = app::TranslateText("VENCIMENT");
    h.ready = true;
    return h;
}

std::string_view Bytes(const char* field, size_t width) {
    return {field, width};
}

// Byte-string order: unsigned bytes from the first, a prefix before the longer text.
int Compare(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    const int c = n == 0 ? 0 : std::memcmp(a.data(), b.data(), n);
    if (c != 0) return c;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

std::string_view Head(std::string_view s, size_t n) {
    return s.substr(0, std::min(n, s.size()));
}

// A read that failed for another reason than the end of the file or a missing key: the
// listing would be silently short, so the operator is told, with the file's name and status.
void ReportReadFailure(const std::string& fileName, int16_t status) {
    data::ShowLayerMessage(12, data::OpenFailureText(fileName, status));
    platform::Beep();
    if (readFailureKeyWait)
        readFailureKeyWait();
    else
        data::WaitForOperatorKey();
    data::CloseLayerMessage();
}

bool IsQuietEnd(int16_t status) {
    return status == kStatusEndOfFile || status == kStatusKeyNotFound;
}

// Every read starts from a cleared buffer, so a record shorter than the layout leaves zero
// bytes (no contract, blank texts) in the fields it lacks, never the previous record's.
void ClearFlatBuffer() {
    std::memset(&FlatBuffer, 0, sizeof FlatBuffer);
}
void ClearPropertyBuffer() {
    std::memset(&PropertyBuffer, 0, sizeof PropertyBuffer);
}

} // namespace

std::string PropertyFileName() {
    return app::SessionSettings.rootDir + "DADES\\FinquesV";
}
std::string FlatFileName() {
    return app::SessionSettings.rootDir + "DADES\\DepartaV";
}

std::string CompanyName() {
    return app::ReadSetting(app::SessionSettings.rootDir + "Nuvo.ini", "Empresa", "Nom");
}

void SetReadFailureKeyWaitForTests(void (*hook)()) {
    readFailureKeyWait = hook;
}

void OpenReportFiles() {
    int16_t status = 0;
    data::OpenDataFile(
        kPropertyFile, PropertyFileName(),
        std::span<char>(reinterpret_cast<char*>(&PropertyBuffer), sizeof PropertyBuffer), status);
    data::OpenDataFile(kFlatFile, FlatFileName(),
                       std::span<char>(reinterpret_cast<char*>(&FlatBuffer), sizeof FlatBuffer),
                       status);
}

void CloseReportFiles() {
    if (print::CurrentPrintFile.file) print::ClosePrintFile();
    int16_t status = 0;
    data::CloseAllDataFiles(status);
}

void PrintPageHeader() {
    const HeaderTexts& h = CurrentHeaderTexts();
    ++pageNumber;
    print::StartPage(66);
    print::PrintControl("@e");
    print::PrintText(1, h.company, 0);
    print::SetAlignment("D");
    print::PrintText(85, h.page + text::FormatNumber("ZZZ9", pageNumber), 2);
    print::PrintText(static_cast<int16_t>((96 - static_cast<int32_t>(h.title.size())) / 2), h.title,
                     2);
    print::PrintControl("q");
    print::PrintText(1, h.receipt, 0);
    print::PrintText(13, h.address, 0);
    print::PrintText(48, h.flat, 0);
    print::PrintText(64, h.holder, 0);
    print::PrintText(100, h.start, 0);
    print::SetAlignment("D");
    print::PrintText(116, h.months, 0);
    print::SetAlignment("E");
    print::PrintText(126, h.expiry, 1);
    print::PrintText(1, std::string(135, '-'), 1);
}

void PrintDetailLine(const text::PackedDate& expiry) {
    if (pageNumber == 0) PrintPageHeader();
    if (print::CurrentPrintFile.lineCount > 60) PrintPageHeader();
    const std::string digits = text::UnpackDigits(Bytes(FlatBuffer.flatCode, 4));
    const std::string receipt = digits.substr(1, 3) + digits.substr(5, 3);
    const bool ownAddress = PropertyBuffer.addressKind == 'P';
    print::PrintText(1, receipt, 0);
    print::PrintText(
        13,
        ownAddress ? Bytes(FlatBuffer.flatAddress, sizeof FlatBuffer.flatAddress)
                   : Bytes(PropertyBuffer.propertyAddress, sizeof PropertyBuffer.propertyAddress),
        0);
    print::PrintText(48, Bytes(FlatBuffer.flatName, sizeof FlatBuffer.flatName), 0);
    print::PrintText(64, Bytes(FlatBuffer.holderName, sizeof FlatBuffer.holderName), 0);
    print::PrintText(100, text::FormatDate(std::string(FlatBuffer.contractStart, 4), 0, "dma"), 0);
    print::SetAlignment("D");
    print::PrintText(116, text::FormatNumber("ZZZ9", ContractMonths(FlatBuffer)), 0);
    print::SetAlignment("E");
    print::PrintText(126, text::FormatDate(expiry, 0, "dma"), 1);
}

bool FlatSelected(const FlatRecord& flat, text::PackedDate& expiry) {
    const std::string_view flatCode = Bytes(flat.flatCode, 4);
    const std::string_view start = Bytes(flat.contractStart, 4);
    const int16_t months = ContractMonths(flat);
    if (Compare(flatCode, FromFlatKey) < 0 || Compare(flatCode, ToFlatKey) > 0) return false;
    if (start == text::kZeroDate || months <= 0) return false;
    expiry = text::AddToDate(text::AddToDate(std::string(start), months, 'm'), -1, 'd');
    return Compare(Head(expiry, 3), Head(ListingDate, 3)) <= 0;
}

void PrintExpiryListing() {
    pageNumber = 0;
    headerTexts.ready = false; // the language file or the settings may have changed since
    const std::string_view from(FromFlatKey);
    const std::string_view to(ToFlatKey);

    int16_t propertyStatus = 0;
    ClearPropertyBuffer();
    data::GetByKey(kPropertyFile, 0, std::string(Head(from, 2)), 1, propertyStatus);
    for (;;) {
        if (propertyStatus != 0) {
            if (!IsQuietEnd(propertyStatus)) ReportReadFailure(PropertyFileName(), propertyStatus);
            return;
        }
        const std::string_view propertyCode = Bytes(PropertyBuffer.propertyCode, 2);
        if (Compare(propertyCode, Head(to, 2)) > 0) return;

        int16_t flatStatus = 0;
        ClearFlatBuffer();
        data::GetByKey(kFlatFile, 0, std::string(propertyCode), 1, flatStatus);
        for (;;) {
            if (flatStatus != 0 && !IsQuietEnd(flatStatus)) {
                ReportReadFailure(FlatFileName(), flatStatus);
                return;
            }
            const std::string_view flatCode = Bytes(FlatBuffer.flatCode, 4);
            if (flatStatus != 0 || flatCode.substr(0, 2) != propertyCode) break;

            text::PackedDate expiry;
            if (FlatSelected(FlatBuffer, expiry)) PrintDetailLine(expiry);
            ClearFlatBuffer();
            data::SkipRecords(kFlatFile, 1, flatStatus);
        }
        ClearPropertyBuffer();
        data::SkipRecords(kPropertyFile, 1, propertyStatus);
    }
}

} // namespace report
