#include "data/datafiles.h"

#include "app/session.h"
#include "data/recordcall.h"
#include "platform/console.h"
#include "platform/system.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace data {

namespace {

KeyWaitHook keyWaitHook = nullptr;

constexpr int16_t kOpOpen = 0, kOpCreate = 14, kOpStat = 15, kOpReset = 28;
constexpr int16_t kStatusFileNotFound = 12, kStatusFileLocked = 85;
constexpr int32_t kOpenRetryMs = 3000;

uint16_t Le16(const char* p) {
    return static_cast<uint16_t>(static_cast<uint8_t>(p[0]) | (static_cast<uint8_t>(p[1]) << 8));
}

// Reads the creation specification of a dictionary: L from bytes 0-1, then L bytes (those
// past the end of the file read as zero bytes), bounded by the data buffer. The dictionary is
// opened for reading only: a missing one is never created.
std::string ReadDictionary(const std::string& baseName) {
    const std::string path = app::SessionSettings.rootDir + "ddf\\" + baseName + ".xdf";
    std::string spec;
    platform::FileHandle f = platform::OpenShared(path);
    if (!f) return spec;
    unsigned char head[2] = {0, 0};
    size_t got = std::fread(head, 1, 2, f.get());
    size_t length = got == 2 ? (head[0] | (head[1] << 8)) : 0;
    spec.assign(std::min(length, kDataBufferSize), '\0');
    size_t read = std::fread(spec.data(), 1, spec.size(), f.get());
    (void)read; // what is missing stays zero bytes
    return spec;
}

// Ends the program after a failed open: message, beep, a key press, everything closed.
[[noreturn]] void FailOpen(const std::string& name, int16_t status) {
    ShowLayerMessage(12, OpenFailureText(name, status));
    platform::Beep();
    if (keyWaitHook)
        keyWaitHook();
    else
        WaitForOperatorKey();
    CloseLayerMessage();
    int16_t ignored = 0;
    CloseAllDataFiles(ignored);
    std::exit(0);
}

} // namespace

void SetOpenFailureKeyWaitForTests(KeyWaitHook hook) { keyWaitHook = hook; }

std::string OwnerName() {
    // Four characters from pieces, so the name never stands as one text in the program.
    std::string owner(1, static_cast<char>('A' + 13)); // N
    owner += "v";
    owner += static_cast<char>('0' + 4);
    owner += std::string("Dk").substr(0, 1);
    return owner;
}

int FindSlot(FileNumber n) {
    if (n == 0) return 0;
    for (int i = 1; i <= kSlotCount; ++i)
        if (DataFileTable[i].fileNumber == n) return i;
    return 0;
}

DataFilePath BuildDataFilePath(const std::string& name) {
    size_t dirEnd = name.find_last_of(":\\/");
    size_t baseStart = dirEnd == std::string::npos ? 0 : dirEnd + 1;
    size_t dot = name.rfind('.');
    DataFilePath result;
    if (dot == std::string::npos || dot < baseStart) {
        result.path = name + ".dat";
        result.baseName = name.substr(baseStart);
    } else {
        result.path = name;
        result.baseName = name.substr(baseStart, dot - baseStart);
    }
    return result;
}

std::string OpenFailureText(const std::string& name, int16_t status) {
    return app::ByLanguage("NO ES POT ACCEDIR AL FITXER ", "NO SE PUEDE ACCEDER AL FICHERO ",
                           "NOM SE PODE ACEDER AO FICHEIRO ", "NON SE P\xD2T ACCEDIR ATH FICH\xD4R ") +
           name + " (" + std::to_string(status) + ")";
}

void OpenDataFile(FileNumber n, const std::string& name, std::span<char> buffer, int16_t& status) {
    if (FindSlot(n) != 0) {
        status = kStatusAlreadyOpen;
        return;
    }
    int slotIndex = 0;
    for (int i = kSlotCount; i >= 1; --i)
        if (DataFileTable[i].fileNumber == 0) {
            slotIndex = i;
            break;
        }
    if (slotIndex == 0) {
        status = kStatusTableFull;
        return;
    }
    DataFileSlot& slot = DataFileTable[slotIndex];
    slot = DataFileSlot{};
    slot.fileNumber = n;
    slot.recordBuffer = buffer;

    const DataFilePath path = BuildDataFilePath(name);
    const std::string owner = OwnerName() + std::string(1, '\0');
    const size_t keyLength = std::min<size_t>(path.path.size(), 255);
    int16_t result = 0;
    for (;;) {
        char dataBuffer[kDataBufferSize];
        char keyBuffer[kKeyBufferSize] = {};
        std::memcpy(dataBuffer, owner.data(), owner.size());
        std::memcpy(keyBuffer, path.path.data(), keyLength);
        int32_t dataLength = static_cast<uint32_t>(owner.size());
        result = CallRecordManager(kOpOpen, slot.positionBlock.data(), dataBuffer, dataLength,
                                   keyBuffer, static_cast<uint8_t>(keyLength), 0);
        if (result == kStatusFileLocked) {
            LayerPause(kOpenRetryMs);
            continue;
        }
        if (result == kStatusFileNotFound) {
            char spec[kDataBufferSize];
            std::memset(spec, ' ', sizeof spec);
            std::string dictionary = ReadDictionary(path.baseName);
            std::memcpy(spec, dictionary.data(), dictionary.size());
            int32_t specLength = kDataBufferSize;
            char createKey[kKeyBufferSize] = {};
            std::memcpy(createKey, path.path.data(), keyLength);
            std::array<char, kPositionBlockSize> unused{};
            result = CallRecordManager(kOpCreate, unused.data(), spec, specLength, createKey,
                                       static_cast<uint8_t>(keyLength), -1);
            if (result == 0) continue;
        }
        break;
    }
    if (result != 0) {
        slot = DataFileSlot{}; // the slot is not kept by a file that did not open
        FailOpen(name, result);
    }
    int16_t keyLen = 0, recordLen = 0;
    ReadFileInfo(n, 0, keyLen, recordLen);
    slot.keyValue.assign(static_cast<size_t>(std::max<int16_t>(keyLen, 0)), '\0');
    slot.recordLength = recordLen;
    status = 0;
}

void CloseAllDataFiles(int16_t& status) {
    std::array<char, kPositionBlockSize> block;
    block.fill(' ');
    char dataBuffer[1] = {0}, keyBuffer[1] = {0};
    int32_t dataLength = 0;
    status = CallRecordManager(kOpReset, block.data(), dataBuffer, dataLength, keyBuffer, 0, 0);
    if (status != 0) return;
    for (int i = 1; i <= kSlotCount; ++i) DataFileTable[i] = DataFileSlot{};
}

bool ReadStatistics(int slotIndex, std::string& stats) {
    DataFileSlot& slot = DataFileTable[slotIndex];
    char dataBuffer[kDataBufferSize];
    std::memset(dataBuffer, ' ', sizeof dataBuffer);
    char keyBuffer[kKeyBufferSize];
    std::memset(keyBuffer, ' ', sizeof keyBuffer);
    int32_t dataLength = kDataBufferSize;
    int16_t result = CallRecordManager(kOpStat, slot.positionBlock.data(), dataBuffer, dataLength,
                                       keyBuffer, 255, 0);
    stats.assign(dataBuffer, kDataBufferSize);
    return result == 0 || result == 22;
}

std::vector<KeySegmentInfo> KeySegments(const std::string& stats, int16_t keyNumber) {
    std::vector<KeySegmentInfo> segments;
    const int keyCount = Le16(stats.data() + 4);
    if (keyNumber < 0 || keyNumber >= keyCount) return segments;
    size_t offset = 16;
    for (int key = 0; key <= keyNumber; ++key) {
        for (;;) {
            if (offset + 16 > stats.size()) return segments; // the walk stays in the buffer
            KeySegmentInfo seg{Le16(stats.data() + offset + 2), Le16(stats.data() + offset + 4)};
            offset += 16;
            if (key == keyNumber) segments.push_back(seg);
            if (!(seg.flags & 0x10)) break;
        }
    }
    return segments;
}

size_t AlternateSequenceOffset(const std::string& stats) {
    const int keyCount = Le16(stats.data() + 4);
    size_t offset = 16;
    for (int key = 0; key < keyCount && offset + 16 <= stats.size(); ++key) {
        for (;;) {
            if (offset + 16 > stats.size()) break;
            uint16_t flags = Le16(stats.data() + offset + 4);
            offset += 16;
            if (!(flags & 0x10)) break;
        }
    }
    return offset;
}

void ReadFileInfo(FileNumber n, int16_t keyNumber, int16_t& keyLength, int16_t& recordLength) {
    keyLength = 0;
    recordLength = 0;
    int slotIndex = FindSlot(n);
    if (slotIndex == 0) return;
    std::string stats;
    ReadStatistics(slotIndex, stats);
    recordLength = static_cast<int16_t>(std::min<int>(Le16(stats.data()), kDataBufferSize));
    int total = 0;
    for (const KeySegmentInfo& seg : KeySegments(stats, keyNumber)) total += seg.length;
    keyLength = static_cast<int16_t>(std::min<int>(total, 255));
}

} // namespace data
