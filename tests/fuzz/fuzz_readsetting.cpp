// Feeds arbitrary bytes as a settings file to the reader, asking for the keys the program uses.
#include "app/settings.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::string path = [] {
        char name[] = "/tmp/fuzz-settings-XXXXXX";
        int fd = ::mkstemp(name);
        if (fd >= 0) ::close(fd);
        return std::string(name);
    }();
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    const char* keys[][2] = {{"Sistema", "Idioma"}, {"Pantalla", "Seleccio"}, {"Pantalla", "Col0"},
                             {"Usuari", "Idioma"}, {"Menu", "Titol"}, {" s ", " k "}};
    for (const auto& k : keys) (void)app::ReadSetting(path, k[0], k[1]);
    return 0;
}
