#include "app/translate.h"

#include "app/session.h"
#include "platform/system.h"

#include <limits>
#include <vector>

namespace app {

namespace {

constexpr int kEndOfFile = -1;
constexpr char kEndOfFileMark = 26;

// Reads the fields of a language file in large blocks.
class FieldReader {
  public:
    explicit FieldReader(std::FILE* f) : file_(f), buffer_(1 << 16) {}

    // True once no byte is left before the end of the file or its end mark.
    bool AtEnd() { return Peek() == kEndOfFile; }

    // Reads one field and the separator after it. Of the field's bytes, only the first keep
    // are stored in out (cut tells that there were more), so a huge field of an entry that
    // does not matter costs no memory.
    void ReadField(std::string& out, size_t keep, bool& cut) {
        out.clear();
        cut = false;
        auto store = [&](int c) {
            if (out.size() < keep)
                out += static_cast<char>(c);
            else
                cut = true;
        };
        while (Peek() == ' ')
            Advance();
        int c = Peek();
        if (c == '"') {
            Advance();
            while ((c = Peek()) != kEndOfFile && c != '"') {
                store(c);
                Advance();
            }
            if (c == '"') Advance();
        } else {
            while ((c = Peek()) != kEndOfFile && c != ',' && c != '\r') {
                if (c != '\t' && c != '\n') store(c);
                Advance();
            }
        }
        while ((c = Peek()) == ' ' || c == '\t' || c == '\n')
            Advance();
        if (c == ',') {
            Advance();
        } else if (c == '\r') {
            Advance();
            if (Peek() == '\n') Advance();
        }
    }

  private:
    int Peek() {
        if (pos_ == len_) {
            if (ended_) return kEndOfFile;
            len_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
            pos_ = 0;
            if (len_ == 0) {
                ended_ = true;
                return kEndOfFile;
            }
        }
        const char c = buffer_[pos_];
        if (c == kEndOfFileMark) { // nothing after the end mark counts
            ended_ = true;
            pos_ = len_;
            return kEndOfFile;
        }
        return static_cast<unsigned char>(c);
    }

    void Advance() {
        if (pos_ < len_) ++pos_;
    }

    std::FILE* file_;
    std::vector<char> buffer_;
    size_t pos_ = 0, len_ = 0;
    bool ended_ = false;
};

} // namespace

std::string FindTranslation(std::FILE* languageFile, std::string_view text,
                            std::string_view language) {
    FieldReader reader(languageFile);
    std::string key, galician, occitan, spanish;
    bool cut = false;
    while (!reader.AtEnd()) {
        reader.ReadField(key, text.size(), cut);
        if (reader.AtEnd()) break; // an entry that has only its key
        const bool match = !cut && key == text;
        const size_t keep = match ? std::numeric_limits<size_t>::max() : 0;
        reader.ReadField(galician, keep, cut);
        reader.ReadField(occitan, keep, cut);
        reader.ReadField(spanish, keep, cut);
        if (!match) continue;
        if (language == "SPA") return spanish;
        if (language == "GLG") return galician;
        if (language == "OCI") return occitan;
        break;
    }
    return std::string(text);
}

std::string TranslateText(std::string_view text) {
    const SessionRecord& session = SessionSettings;
    if (session.language == "CAT") return std::string(text);
    const std::string path = session.rootDir + "LOCALE\\" + session.programName + ".LNG";
    platform::OpenOrCreate(path); // a missing file is created empty, an existing one kept
    platform::FileHandle file = platform::OpenShared(path);
    if (!file) return std::string(text);
    return FindTranslation(file.get(), text, session.language);
}

} // namespace app
