// Any bytes as a language file, looked up with any text in any language.
//
// Input: one byte choosing the language, one byte of text length, the text, then the file.
#include "app/translate.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    static const char* const kLanguages[] = {"SPA", "GLG", "OCI", "CAT", "   "};
    const char* language = kLanguages[data[0] % 5];
    const size_t textLength = std::min<size_t>(data[1], size - 2);
    const std::string text(reinterpret_cast<const char*>(data + 2), textLength);
    std::string file(reinterpret_cast<const char*>(data + 2 + textLength), size - 2 - textLength);
    if (file.empty()) return 0;

    std::FILE* f = ::fmemopen(file.data(), file.size(), "rb");
    if (!f) return 0;
    const std::string result = app::FindTranslation(f, text, language);
    std::fclose(f);
    // Only the three translated languages ever change a text.
    if (result != text && data[0] % 5 >= 3) std::abort();
    return 0;
}
