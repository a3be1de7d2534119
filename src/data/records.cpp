#include "data/records.h"

#include "app/session.h"
#include "data/recordcall.h"
#include "platform/system.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace data {

namespace {

constexpr int16_t kOpGetEqual = 5, kOpGetNext = 6, kOpGetPrevious = 7,
                  kOpGetGreaterOrEqual = 9, kOpGetLessOrEqual = 11, kOpGetPosition = 22,
                  kOpGetDirect = 23;
constexpr int16_t kStatusShortBuffer = 22, kStatusRecordLocked = 84, kStatusFileLocked = 85;
constexpr int16_t kLockBias = 200;

struct SavedLockMode {
    int slotIndex;
    int16_t lockMode;
};
std::vector<SavedLockMode> lockModeStack;

bool TakesLockBias(int16_t op) {
    return (op >= 5 && op <= 13) || op == 19 || (op >= 22 && op <= 24) || (op >= 33 && op <= 35);
}

std::string LockMessage() {
    return app::ByLanguage("FITXER BLOQUEJAT. ESPEREU UN MOMENT.", "FICHERO BLOQUEADO. ESPERE UN MOMENTO.",
                           "FICHEIRO BLOQUEADO. ESPERE UM MOMENTO.", "FICH\xD4R BLOQUEJAT. ESPERATZ UN MOMENT.");
}

// Length of a key buffer's content up to its first zero byte.
uint8_t ContentLength(const char* key) {
    return static_cast<uint8_t>(strnlen(key, 255));
}

} // namespace

void RecordCall(int slotIndex, int16_t operation, int16_t& status) {
    DataFileSlot& slot = DataFileTable[slotIndex];
    int16_t op = operation;
    if (TakesLockBias(op) && slot.lockMode != 0) op = static_cast<int16_t>(op + kLockBias);
    const size_t recordLength = std::min<size_t>(static_cast<size_t>(std::max(slot.recordLength, 0)),
                                                 kDataBufferSize);
    const size_t keyLength = std::min(slot.keyValue.size(), kKeyBufferSize - 1);
    int tries = 0;
    for (;;) {
        if (tries == 1) ShowLayerMessage(24, LockMessage());
        char dataBuffer[kDataBufferSize];
        std::memset(dataBuffer, ' ', sizeof dataBuffer);
        size_t fromRecord = std::min(recordLength, slot.recordBuffer.size());
        std::memcpy(dataBuffer, slot.recordBuffer.data(), fromRecord);
        char keyBuffer[kKeyBufferSize] = {};
        std::memcpy(keyBuffer, slot.keyValue.data(), keyLength);
        int32_t dataLength = static_cast<uint32_t>(recordLength);
        status = CallRecordManager(op, slot.positionBlock.data(), dataBuffer, dataLength, keyBuffer,
                                   static_cast<uint8_t>(keyLength), static_cast<int8_t>(slot.keyNumber));
        size_t copy = std::min({recordLength, static_cast<size_t>(dataLength), slot.recordBuffer.size()});
        std::memcpy(slot.recordBuffer.data(), dataBuffer, copy);
        slot.keyValue.assign(keyBuffer, keyLength);
        if ((status == kStatusRecordLocked || status == kStatusFileLocked) && slot.lockMode == 1) {
            LayerPause(static_cast<int32_t>(std::lround(10000 * platform::RandomUnit() + 1)));
            if (tries < 2) ++tries;
            continue;
        }
        break;
    }
    if (tries != 0) CloseLayerMessage();
}

void SetLockMode(FileNumber n, const std::string& letters, int16_t& status) {
    int slotIndex = FindSlot(n);
    if (slotIndex == 0) {
        status = kStatusNotOpen;
        return;
    }
    DataFileSlot& slot = DataFileTable[slotIndex];
    for (char c : letters) {
        switch (c >= 'a' && c <= 'z' ? c - 32 : c) {
        case 'D': slot.lockMode = 0; break;
        case 'A': slot.lockMode = 1; break;
        case 'B': slot.lockMode = 2; break;
        case '+': lockModeStack.push_back({slotIndex, slot.lockMode}); break;
        case '-':
            for (auto it = lockModeStack.rbegin(); it != lockModeStack.rend(); ++it) {
                if (it->slotIndex == slotIndex) {
                    slot.lockMode = it->lockMode;
                    lockModeStack.erase(std::next(it).base());
                    break;
                }
            }
            break;
        default: break;
        }
    }
}

void GetByKey(FileNumber n, int16_t keyNumber, const std::string& key, int16_t direction,
              int16_t& status) {
    int slotIndex = FindSlot(n);
    if (slotIndex == 0) {
        status = kStatusNotOpen;
        return;
    }
    int16_t keyLength = 0, recordLength = 0;
    ReadFileInfo(n, keyNumber, keyLength, recordLength);
    if (keyLength <= 0) {
        status = kStatusNoSuchKey;
        return;
    }
    DataFileSlot& slot = DataFileTable[slotIndex];
    slot.keyNumber = keyNumber;
    slot.keyValue = key.substr(0, static_cast<size_t>(keyLength));
    slot.keyValue.resize(static_cast<size_t>(keyLength), '\0');
    int16_t op = direction == 0 ? kOpGetEqual : direction > 0 ? kOpGetGreaterOrEqual : kOpGetLessOrEqual;
    status = 0;
    RecordCall(slotIndex, op, status);
    if (status == kStatusShortBuffer) status = 0;
}

void SkipRecords(FileNumber n, int16_t count, int16_t& status) {
    int slotIndex = FindSlot(n);
    if (slotIndex == 0) {
        status = kStatusNotOpen;
        return;
    }
    DataFileSlot& slot = DataFileTable[slotIndex];
    const int16_t op = count < 0 ? kOpGetPrevious : kOpGetNext;
    status = 0;
    int32_t m = std::abs(static_cast<int32_t>(count));
    char stepKey[kKeyBufferSize] = {};
    bool first = true;
    while (m > 1 && status == 0) {
        char dataBuffer[kDataBufferSize];
        std::memset(dataBuffer, ' ', sizeof dataBuffer);
        int32_t dataLength = kDataBufferSize;
        uint8_t keyLength = first ? 0 : ContentLength(stepKey);
        first = false;
        status = CallRecordManager(op, slot.positionBlock.data(), dataBuffer, dataLength, stepKey,
                                   keyLength, static_cast<int8_t>(slot.keyNumber));
        stepKey[kKeyBufferSize - 1] = '\0';
        slot.keyValue.assign(stepKey, std::min(slot.keyValue.size(), kKeyBufferSize));
        if (status == kStatusShortBuffer) status = 0;
        --m;
    }
    if (count == 0 || status != 0) return;
    RecordCall(slotIndex, op, status);
    if (status == kStatusShortBuffer) status = 0;
}

int32_t RecordPosition(FileNumber n, int32_t position) {
    int slotIndex = FindSlot(n);
    if (slotIndex == 0) return 0;
    DataFileSlot& slot = DataFileTable[slotIndex];
    char dataBuffer[kDataBufferSize];
    std::memset(dataBuffer, ' ', sizeof dataBuffer);
    int32_t dataLength = kDataBufferSize;
    auto le32 = [&] {
        return static_cast<int32_t>(static_cast<uint8_t>(dataBuffer[0]) |
                                    (static_cast<uint8_t>(dataBuffer[1]) << 8) |
                                    (static_cast<uint8_t>(dataBuffer[2]) << 16) |
                                    (static_cast<uint32_t>(static_cast<uint8_t>(dataBuffer[3])) << 24));
    };
    if (position == 0) {
        std::memset(dataBuffer, 0, 4);
        char keyBuffer[kKeyBufferSize] = {};
        int16_t status = CallRecordManager(kOpGetPosition, slot.positionBlock.data(), dataBuffer,
                                           dataLength, keyBuffer, 0, 0);
        return status == 0 ? le32() : 0;
    }
    for (int i = 0; i < 4; ++i) dataBuffer[i] = static_cast<char>((static_cast<uint32_t>(position) >> (8 * i)) & 0xFF);
    char keyBuffer[kKeyBufferSize] = {};
    int16_t status = CallRecordManager(kOpGetDirect, slot.positionBlock.data(), dataBuffer, dataLength,
                                       keyBuffer, ContentLength(keyBuffer),
                                       static_cast<int8_t>(slot.keyNumber));
    keyBuffer[kKeyBufferSize - 1] = '\0';
    slot.keyValue.assign(keyBuffer, std::min(slot.keyValue.size(), kKeyBufferSize));
    if (status == 0 || status == kStatusShortBuffer) {
        size_t recordLength = static_cast<size_t>(std::max(slot.recordLength, 0));
        size_t copy = std::min({recordLength, static_cast<size_t>(dataLength), slot.recordBuffer.size(),
                                kDataBufferSize});
        std::memcpy(slot.recordBuffer.data(), dataBuffer, copy);
    }
    return status == kStatusShortBuffer ? 0 : status;
}

std::string KeyCompareForm(const std::string& key, FileNumber n) {
    int slotIndex = FindSlot(n);
    if (slotIndex == 0) return key;
    std::string stats;
    ReadStatistics(slotIndex, stats);
    const size_t table = AlternateSequenceOffset(stats) + 9;
    std::string out = key;
    size_t g = 0; // 0-based start of the segment in out
    for (const KeySegmentInfo& seg : KeySegments(stats, DataFileTable[slotIndex].keyNumber)) {
        const size_t length = seg.length;
        if (seg.flags & 0x04) {
            if (out.size() < g + length) out.resize(g + length, '\0');
            std::reverse(out.begin() + static_cast<std::ptrdiff_t>(g),
                         out.begin() + static_cast<std::ptrdiff_t>(g + length));
        } else if (seg.flags & 0x20) {
            for (size_t i = g; i < g + length && i < out.size(); ++i) {
                size_t at = table + static_cast<uint8_t>(out[i]);
                if (at < stats.size()) out[i] = stats[at];
            }
        }
        g += length;
    }
    return out;
}

std::string CurrentKeyValue(FileNumber n) {
    int slotIndex = FindSlot(n);
    if (slotIndex == 0) return {};
    return KeyCompareForm(DataFileTable[slotIndex].keyValue, n);
}

} // namespace data
