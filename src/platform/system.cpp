#include "platform/system.h"

#include "platform/codepage.h"
#include "platform/console.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace platform {

std::string GetEnvironment(std::string_view name) {
    const char* value = std::getenv(std::string(name).c_str());
    return value ? Utf8ToCp850(value) : std::string();
}

namespace {

// Folds a UTF-8 name to small letters for comparison: ASCII and the Latin-1 capitals.
std::string FoldName(std::string_view utf8) {
    std::string cp = Utf8ToCp850(utf8);
    std::string out;
    for (char c : cp) {
        char32_t u = Cp850ToUnicode(static_cast<uint8_t>(c));
        if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) u += 0x20;
        AppendUtf8(out, u);
    }
    return out;
}

bool Exists(const std::string& native) {
    struct stat st;
    return ::lstat(native.c_str(), &st) == 0;
}

// The entry of dir whose name equals name without regard to case, or the empty text.
std::string FindCaseBlind(const std::string& dir, const std::string& name) {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return {};
    std::string wanted = FoldName(name), found;
    while (dirent* e = ::readdir(d)) {
        if (FoldName(e->d_name) == wanted) {
            found = e->d_name;
            break;
        }
    }
    ::closedir(d);
    return found;
}

} // namespace

bool IsAbsolutePath(std::string_view systemPath) {
    return !systemPath.empty() && (systemPath[0] == '/' || systemPath[0] == '\\');
}

std::string NativePath(std::string_view systemPath) {
    std::string path = Cp850ToUtf8(systemPath);
    for (char& c : path)
        if (c == '\\') c = '/';
    if (path.empty()) return path;

    std::string out = path[0] == '/' ? "/" : "";
    size_t pos = path[0] == '/' ? 1 : 0;
    bool searching = true;
    while (pos <= path.size()) {
        size_t slash = path.find('/', pos);
        if (slash == std::string::npos) slash = path.size();
        std::string part = path.substr(pos, slash - pos);
        if (!part.empty()) {
            std::string candidate = out + part;
            if (searching && part != "." && part != ".." && !Exists(candidate)) {
                std::string other = FindCaseBlind(out, part);
                if (other.empty())
                    searching = false; // nothing further down exists either
                else
                    part = other;
            }
            out += part;
        }
        if (slash < path.size()) out += '/';
        pos = slash + 1;
    }
    return out;
}

bool FileExists(std::string_view systemPath) {
    struct stat st;
    return ::stat(NativePath(systemPath).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(std::string_view systemPath) {
    struct stat st;
    return ::stat(NativePath(systemPath).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool RemoveFile(std::string_view systemPath) {
    return ::unlink(NativePath(systemPath).c_str()) == 0;
}

bool ChangeDirectory(std::string_view systemPath) {
    std::string native = NativePath(systemPath);
    return !native.empty() && ::chdir(native.c_str()) == 0;
}

std::string CurrentDirectory() {
    std::vector<char> buf(4096);
    while (!::getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE) return {};
        buf.resize(buf.size() * 2);
    }
    std::string dir = Utf8ToCp850(buf.data());
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

namespace {

FileHandle OpenWith(std::string_view systemPath, int flags) {
    std::string native = NativePath(systemPath);
    if (native.empty()) return nullptr;
    int fd = ::open(native.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    const char* mode = (flags & O_ACCMODE) == O_RDONLY ? "rb" : "r+b";
    std::FILE* f = ::fdopen(fd, mode);
    if (!f) ::close(fd);
    return FileHandle(f);
}

} // namespace

FileHandle OpenShared(std::string_view systemPath) { return OpenWith(systemPath, O_RDONLY); }
FileHandle OpenReadWrite(std::string_view systemPath) { return OpenWith(systemPath, O_RDWR); }
FileHandle OpenCreate(std::string_view systemPath) {
    return OpenWith(systemPath, O_RDWR | O_CREAT | O_TRUNC);
}
FileHandle OpenOrCreate(std::string_view systemPath) {
    return OpenWith(systemPath, O_RDWR | O_CREAT);
}

namespace {
LocalDay fixedToday{0, 0, 0};
}

LocalDay Today() {
    if (fixedToday.year != 0) return fixedToday;
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

void SetTodayForTests(LocalDay day) { fixedToday = day; }

void PauseMs(int32_t ms) {
    FlushConsole(); // what was drawn before a pause is seen during it
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

double RandomUnit() {
    static std::mt19937_64 engine{std::random_device{}()};
    return std::uniform_real_distribution<double>(0.0, 1.0)(engine);
}

} // namespace platform
