// Helpers of the print tests: a private work directory for the print file and file reading.
#pragma once

#include "app/session.h"
#include "print/printfile.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace printtest {

// A fresh directory under the build tree, made the session's work directory; the writer's
// page state starts as at program start.
inline std::filesystem::path FreshWorkDir(const std::string& name) {
    auto dir = std::filesystem::path(ORB_BINARY_DIR) / "test-work" / "print" / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    app::SessionSettings.workDir = dir.string() + "/";
    print::ClosePrintFile();
    print::CurrentPrintFile.pageLength = 0;
    print::CurrentPrintFile.lineCount = 0;
    return dir;
}

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

} // namespace printtest
