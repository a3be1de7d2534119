#include "print/printlayout.h"

#include <algorithm>
#include <map>

namespace print {

int32_t StartColumn(const PlacedText& item) {
    const int32_t length = static_cast<int32_t>(item.text.size());
    int32_t start = item.column;
    switch (item.alignment) {
    case Alignment::Left:
    case Alignment::Both:
        break;
    case Alignment::Right:
    case Alignment::Numeric:
        start = item.column - length + 1;
        break;
    case Alignment::Centre:
        start = item.column - length / 2;
        break;
    }
    return std::max<int32_t>(start, 1);
}

std::vector<LaidOutPage> LayOutPages(const PrintDocument& document) {
    std::vector<LaidOutPage> pages;
    pages.reserve(document.pages.size());
    for (const PrintPage& source : document.pages) {
        LaidOutPage page;
        page.length = std::max<int32_t>(source.length, 0);
        std::map<int32_t, std::string> lines;
        for (const PlacedText& item : source.items) {
            page.condensed = page.condensed || item.condensed;
            const size_t start = static_cast<size_t>(StartColumn(item) - 1);
            std::string& line = lines[item.line];
            if (line.size() < start + item.text.size()) line.resize(start + item.text.size(), ' ');
            for (size_t i = 0; i < item.text.size(); ++i)
                if (item.text[i] != ' ') line[start + i] = item.text[i];
        }
        for (auto& [number, text] : lines) {
            text.erase(text.find_last_not_of(' ') + 1);
            if (text.empty()) continue;
            page.width = std::max<int32_t>(page.width, static_cast<int32_t>(text.size()));
            page.lines.push_back(LaidOutLine{number, std::move(text)});
        }
        pages.push_back(std::move(page));
    }
    return pages;
}

int32_t PageLineCount(const LaidOutPage& page) {
    int32_t count = page.length;
    if (!page.lines.empty()) count = std::max(count, page.lines.back().line + 1);
    return count;
}

const std::string& PageLineText(const LaidOutPage& page, int32_t line) {
    static const std::string empty;
    auto it = std::lower_bound(page.lines.begin(), page.lines.end(), line,
                               [](const LaidOutLine& l, int32_t n) { return l.line < n; });
    return it != page.lines.end() && it->line == line ? it->text : empty;
}

} // namespace print
