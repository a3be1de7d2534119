// The table of open data files: opening (with creation from the dictionary and waits on a
// locked file), closing, and file information from the record manager's statistics.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace data {

using FileNumber = int16_t;

inline constexpr int kSlotCount = 40;
inline constexpr size_t kDataBufferSize = 1536; // every data buffer passed to the record manager
inline constexpr size_t kKeyBufferSize = 256;
inline constexpr size_t kPositionBlockSize = 128;

// Statuses of this layer (the record manager's own pass through unchanged).
inline constexpr int16_t kStatusNotOpen = 3;
inline constexpr int16_t kStatusAlreadyOpen = 1002;
inline constexpr int16_t kStatusTableFull = 1003;
inline constexpr int16_t kStatusNoSuchKey = 1004;

struct DataFileSlot {
    FileNumber fileNumber = 0; // 0: free
    std::array<char, kPositionBlockSize> positionBlock{};
    std::span<char> recordBuffer; // owned by the caller of OpenDataFile
    int32_t recordLength = 0;
    int16_t keyNumber = 0;
    std::string keyValue; // as long as the current key
    int16_t lockMode = 0; // 0 no locks, 1 lock and wait, 2 lock and report
};

// Slots 1..40 (index 0 unused).
inline std::array<DataFileSlot, kSlotCount + 1> DataFileTable;

// The slot of an open file, or 0.
int FindSlot(FileNumber n);

// Opens the data file name (".dat" added when it has no extension) as n, reading its records
// into buffer. Waits while another program holds the file locked; creates a missing file from
// its dictionary rootDir + "ddf\<base>.xdf". Status 0, 1002 (n already open) or 1003 (table
// full); any other failure shows the message, waits for a key and ends the program.
void OpenDataFile(FileNumber n, const std::string& name, std::span<char> buffer, int16_t& status);

// Closes every data file of the program (record manager Reset); the table is emptied when
// that succeeds.
void CloseAllDataFiles(int16_t& status);

// Record length and the length of key keyNumber of an open file (0 when unknown).
void ReadFileInfo(FileNumber n, int16_t keyNumber, int16_t& keyLength, int16_t& recordLength);

// The path and base name a file name gives: "C:\x\a.b.c" -> "C:\x\a.b.c", base "a.b";
// "DADES\FinquesV" -> "DADES\FinquesV.dat", base "FinquesV".
struct DataFilePath {
    std::string path, baseName;
};
DataFilePath BuildDataFilePath(const std::string& name);

// The message a failed open shows, in the session language, for a name and status.
std::string OpenFailureText(const std::string& name, int16_t status);

// The owner name the suite's data files are protected with, built at run time.
std::string OwnerName();

// Replaces the wait for the operator's key after a failed open (tests run headless).
using KeyWaitHook = void (*)();
void SetOpenFailureKeyWaitForTests(KeyWaitHook hook);

} // namespace data
