// Environment, paths, files, directories, clock and pause: the operating-system services the
// program uses, taking and giving the system's CP850 texts.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

// ---- Environment ----

// The value of an environment variable as CP850 text; the empty text when it is not set.
std::string GetEnvironment(std::string_view name);

// ---- Paths ----

// The native path for a path text of the system: CP850 to UTF-8 and every "\" to "/". Each
// component that exists with another letter case is found case-insensitively in its
// directory (an installation copied from another system keeps its own case); from the first
// component that does not exist on, the given case stays (a file created gets that name).
// A drive letter such as "C:" is an ordinary name part.
std::string NativePath(std::string_view systemPath);

// True when the path text names an absolute path ("/..." or "\...").
bool IsAbsolutePath(std::string_view systemPath);

bool FileExists(std::string_view systemPath);
bool DirectoryExists(std::string_view systemPath);
bool RemoveFile(std::string_view systemPath);

// Makes the directory the process's current directory; false when that fails.
bool ChangeDirectory(std::string_view systemPath);

// The current directory as CP850 text, ending with "/".
std::string CurrentDirectory();

// ---- Files ----

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Open for reading; other programs may read and write the file meanwhile. Null when it fails.
FileHandle OpenShared(std::string_view systemPath);
// Open an existing file for reading and writing. Null when it does not exist or fails.
FileHandle OpenReadWrite(std::string_view systemPath);
// Create the file, or empty it when it exists, for reading and writing.
FileHandle OpenCreate(std::string_view systemPath);
// Open for reading and writing; a missing file is created empty, an existing one kept as is.
FileHandle OpenOrCreate(std::string_view systemPath);

// ---- Clock, pause, random ----

struct LocalDay {
    int year, month, day;
};

// Today's local date from the system clock, or the date fixed by SetTodayForTests.
LocalDay Today();
// Fixes the date Today() gives (for tests); year 0 returns to the system clock.
void SetTodayForTests(LocalDay day);

// Sleeps for the given number of milliseconds (nothing for 0 or less).
void PauseMs(int32_t ms);

// A uniform random number in [0, 1).
double RandomUnit();

} // namespace platform
