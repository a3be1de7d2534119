#include "print/previewview.h"

#include "print/printmessages.h"

#include <algorithm>

namespace print {

namespace {

int32_t LowestTop(const LaidOutPage& page) {
    return std::max<int32_t>(PageLineCount(page) - kPreviewRows, 0);
}

int32_t LowestLeft(const LaidOutPage& page) {
    return std::max<int32_t>(page.width - kPreviewColumns, 0);
}

std::string Fitted(std::string text) {
    text.resize(kPreviewColumns, ' ');
    return text;
}

} // namespace

void PreviewKey(PreviewState& state, const std::vector<LaidOutPage>& pages, int16_t key) {
    if (key == kKeyEsc) {
        state.done = true;
        return;
    }
    if (pages.empty()) return;
    const size_t lastPage = pages.size() - 1;
    switch (key) {
    case kKeyUp:
        --state.top;
        break;
    case kKeyDown:
        ++state.top;
        break;
    case kKeyLeft:
        state.left -= kPreviewSideStep;
        break;
    case kKeyRight:
        state.left += kPreviewSideStep;
        break;
    case kKeyPgDn:
        if (state.page < lastPage) ++state.page, state.top = 0;
        break;
    case kKeyPgUp:
        if (state.page > 0) --state.page, state.top = 0;
        break;
    case kKeyHome:
        state.top = 0, state.left = 0;
        break;
    case kKeyEnd:
        state.top = LowestTop(pages[std::min(state.page, lastPage)]);
        break;
    case kKeyCtrlHome:
        state.page = 0, state.top = 0, state.left = 0;
        break;
    case kKeyCtrlEnd:
        state.page = lastPage, state.top = 0;
        break;
    default:
        break;
    }
    state.page = std::min(state.page, lastPage);
    const LaidOutPage& page = pages[state.page];
    state.top = std::clamp(state.top, 0, LowestTop(page));
    state.left = std::clamp(state.left, 0, LowestLeft(page));
}

std::vector<std::string> PreviewScreen(const PreviewState& state,
                                       const std::vector<LaidOutPage>& pages,
                                       std::string_view language) {
    std::vector<std::string> rows;
    rows.reserve(kPreviewRows + 1);
    const LaidOutPage* page = state.page < pages.size() ? &pages[state.page] : nullptr;
    for (int32_t r = 0; r < kPreviewRows; ++r) {
        std::string text;
        if (page) {
            const std::string& line = PageLineText(*page, state.top + r);
            if (static_cast<size_t>(state.left) < line.size()) text = line.substr(state.left);
        }
        rows.push_back(Fitted(std::move(text)));
    }

    const int32_t lines = page ? PageLineCount(*page) : 0;
    const int32_t width = page ? page->width : 0;
    const auto number = [](int64_t n) { return std::to_string(n); };
    std::string indicator =
        " " + MessageText(PrintMessage::PreviewPage, language) + " " +
        number(pages.empty() ? 0 : state.page + 1) + "/" + number(pages.size()) + "   " +
        MessageText(PrintMessage::PreviewLine, language) + " " + number(state.top + 1) + "-" +
        number(std::min(state.top + kPreviewRows, std::max(lines, 1))) + "/" + number(lines) +
        "   " + MessageText(PrintMessage::PreviewColumn, language) + " " + number(state.left + 1) +
        "-" + number(std::min(state.left + kPreviewColumns, std::max(width, 1))) + "/" +
        number(width);
    const std::string leave = MessageText(PrintMessage::PreviewLeave, language) + " ";
    if (indicator.size() + leave.size() < kPreviewColumns)
        indicator += std::string(kPreviewColumns - indicator.size() - leave.size(), ' ');
    rows.push_back(Fitted(indicator + leave));
    return rows;
}

} // namespace print
