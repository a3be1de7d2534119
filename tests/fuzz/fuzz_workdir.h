// A scratch directory for one fuzz target's process, removed when the process ends.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fuzzsupport {

inline char workDir[256];

inline void RemoveWorkDir() {
    std::error_code ignored;
    std::filesystem::remove_all(workDir, ignored);
}

// The directory (ending with "/"), made on the first call: name and process id.
inline std::string WorkDir(const char* name) {
    if (!workDir[0]) {
        const std::string d = std::filesystem::temp_directory_path().string() + "/orb-fuzz-" + name +
                              "-" + std::to_string(::getpid());
        std::filesystem::create_directories(d);
        std::snprintf(workDir, sizeof workDir, "%s", d.c_str());
        std::atexit(RemoveWorkDir);
    }
    return std::string(workDir) + "/";
}

} // namespace fuzzsupport
