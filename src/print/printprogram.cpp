#include "print/printprogram.h"

#include "app/session.h"
#include "platform/codepage.h"
#include "platform/system.h"
#include "print/preview.h"
#include "print/printdevices.h"
#include "print/printfile.h"
#include "print/printlayout.h"
#include "print/printmessages.h"
#include "print/printreader.h"

#include <filesystem>
#include <system_error>

namespace print {

namespace {

// True when an output path names the print file itself, which must stay as it is.
bool IsPrintFile(std::string_view outputPath, std::string_view printFilePath) {
    std::error_code error;
    return std::filesystem::equivalent(platform::NativePath(outputPath),
                                       platform::NativePath(printFilePath), error) &&
           !error;
}

// A path as the operator finds it on this system.
std::string ShownPath(std::string_view systemPath) {
    return platform::Utf8ToCp850(platform::NativePath(systemPath));
}

} // namespace

int RunPrintProgram() {
    app::LoadSession();
    const std::string language = app::SessionSettings.language;
    const std::string printFile = PrintFilePath();

    PrintDocument document;
    int32_t badLine = 0;
    const int16_t status = ReadPrintFile(printFile, document, badLine);
    if (status == kReadUnreadable) {
        ShowAndWait(MessageText(PrintMessage::CannotRead, language, ShownPath(printFile)),
                    language);
        return 0;
    }
    if (status == kReadMalformed) {
        ShowAndWait(MessageText(PrintMessage::Malformed, language, std::to_string(badLine)),
                    language);
        return 0;
    }

    const std::vector<LaidOutPage> pages = LayOutPages(document);
    if (pages.empty()) {
        ShowAndWait(MessageText(PrintMessage::NothingToPrint, language), language);
        return 0;
    }
    const std::string pageCount =
        "\n" + MessageText(PrintMessage::Pages, language, std::to_string(pages.size()));

    const Device device = ChooseDevice(document.device, IsKnownPrinter);
    switch (device.kind) {
    case DeviceKind::Screen:
        RunPreview(pages, language);
        break;
    case DeviceKind::TextFile:
    case DeviceKind::PdfFile: {
        if (IsPrintFile(device.target, printFile)) {
            ShowAndWait(MessageText(PrintMessage::SameAsPrintFile, language, device.target),
                        language);
            break;
        }
        const int16_t written = device.kind == DeviceKind::PdfFile
                                    ? WritePdf(pages, device.target)
                                    : WriteTextFile(pages, device.target);
        if (written != 0)
            ShowAndWait(MessageText(PrintMessage::CannotWrite, language, device.target), language);
        else
            ShowAndWait(MessageText(PrintMessage::Saved, language, device.target) + pageCount,
                        language);
        break;
    }
    case DeviceKind::Printer: {
        std::string output;
        if (SendToPrinter(pages, device.target, output) != 0)
            ShowAndWait(MessageText(PrintMessage::PrinterFailed, language, device.target) + "\n" +
                            output,
                        language);
        else
            ShowAndWait(MessageText(PrintMessage::Sent, language, device.target) + pageCount,
                        language);
        break;
    }
    }
    return 0;
}

} // namespace print
