// The print file reader and the page layout on arbitrary bytes: no crash, no read out of
// bounds, every placed line within its page's width.
#include "print/printdevices.h"
#include "print/printlayout.h"
#include "print/printreader.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Columns and lines reach 32767 each; larger inputs only make the same paths slower.
    if (size > 16384) return 0;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    print::PrintDocument document;
    int32_t badLine = 0;
    const int16_t status = print::ParsePrintFile(bytes, document, badLine);
    if (status != print::kReadOk) {
        if (badLine < 1) std::abort();
        return 0;
    }
    const auto pages = print::LayOutPages(document);
    if (pages.size() != document.pages.size()) std::abort();
    int32_t totalLines = 0;
    for (const auto& page : pages) {
        for (const auto& line : page.lines) {
            if (static_cast<int32_t>(line.text.size()) > page.width) std::abort();
            if (&print::PageLineText(page, line.line) != &line.text) std::abort();
        }
        totalLines += PageLineCount(page);
    }
    // The text rendering is bounded by the lines of the pages; keep it to small documents.
    if (totalLines < 100000) print::RenderText(pages);
    return 0;
}
