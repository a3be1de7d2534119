#include "app/settings.h"

#include "platform/system.h"
#include "text/texthelpers.h"

#include <cstdio>
#include <vector>

namespace app {

namespace {

// Reads a settings file line by line in large blocks. A line's text after its first ";" is
// never kept, so even a file of one enormous comment line costs one pass and little memory.
class LineReader {
  public:
    explicit LineReader(std::FILE* f) : file_(f), buffer_(1 << 16) {}

    // The next line, cut at its first ";"; false at the end of the file.
    bool Next(std::string& line) {
        line.clear();
        bool any = false, cut = false;
        for (;;) {
            if (pos_ == len_ && !Fill()) return any;
            char c = buffer_[pos_++];
            if (c == 26) { // end-of-file mark: nothing after it counts
                ended_ = true;
                pos_ = len_;
                return any;
            }
            any = true;
            if (c == '\r') {
                if (pos_ == len_) Fill();
                if (pos_ < len_ && buffer_[pos_] == '\n') ++pos_;
                return true;
            }
            if (c == ';') cut = true;
            if (!cut) line += c;
        }
    }

  private:
    bool Fill() {
        if (ended_) return false;
        len_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
        pos_ = 0;
        if (len_ == 0) ended_ = true;
        return len_ > 0;
    }

    std::FILE* file_;
    std::vector<char> buffer_;
    size_t pos_ = 0, len_ = 0;
    bool ended_ = false;
};

// Compares two names letter-case-blind (ASCII letters).
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x -= 32;
        if (y >= 'a' && y <= 'z') y -= 32;
        if (x != y) return false;
    }
    return true;
}

} // namespace

std::string ReadSetting(std::string_view path, std::string_view section, std::string_view key) {
    platform::FileHandle file = platform::OpenShared(path);
    if (!file) return {};

    const std::string_view wantedSection = text::TrimBlanks(section);
    const std::string_view wantedKey = text::TrimBlanks(key);
    std::string value, buffer;
    bool inSection = false;
    LineReader reader(file.get());
    while (reader.Next(buffer)) {
        std::string_view line = text::TrimLeadingBlanks(buffer);
        if (text::TrimTrailingBlanks(line).empty()) continue;
        if (!inSection) {
            if (line.front() == '[') {
                std::string_view name = line.substr(1);
                name = name.substr(0, name.find(']'));
                inSection = SameName(text::TrimBlanks(name), wantedSection);
            }
            continue;
        }
        if (line.front() == '[') break; // the section ended without the key
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        if (SameName(text::TrimTrailingBlanks(line.substr(0, eq)), wantedKey)) {
            value = line.substr(eq + 1);
            break;
        }
    }
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return value;
}

} // namespace app
