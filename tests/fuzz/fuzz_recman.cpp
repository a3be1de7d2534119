// Fuzz target of the record manager: a creation specification, then a run of operations
// with arbitrary arguments on the file created from it.
//
// Input: 2 bytes L (little-endian, taken modulo 1600), L bytes of creation specification,
// then operations of 8 bytes each: selector, key number, data length (2 bytes), key length,
// fill byte for the data, fill byte for the key, and how many of the following input bytes
// go at the start of the data buffer (those bytes follow the 8).
#include "recman/btrcall.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace recman;

namespace {

// A scratch directory of this process, removed with its files at exit.
struct Scratch {
    std::string dir, path;
    Scratch() {
        // In memory when the system offers it: every run creates a file, and syncs to a disk
        // would make the fuzzer crawl.
        std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string name = base + "/recman-fuzz-XXXXXX";
        const char* made = mkdtemp(name.data());
        dir = made ? made : "";
        path = dir + "/fuzz.dat";
    }
    ~Scratch() {
        BTRCALL(kOpReset, nullptr, nullptr, nullptr, nullptr, 0, 0);
        if (dir.empty()) return;
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

const std::string& FilePath() {
    static Scratch scratch;
    return scratch.path;
}

const int16_t kOps[] = {kOpClose,
                        kOpInsert,
                        kOpUpdate,
                        kOpDelete,
                        kOpGetEqual,
                        kOpGetNext,
                        kOpGetPrevious,
                        kOpGetGreater,
                        kOpGetGreaterOrEqual,
                        kOpGetLess,
                        kOpGetLessOrEqual,
                        kOpGetFirst,
                        kOpGetLast,
                        kOpStat,
                        kOpGetPosition,
                        kOpGetDirect,
                        kOpStepNext,
                        kOpUnlock,
                        kOpStepFirst,
                        kOpStepLast,
                        kOpStepPrevious,
                        kOpSetOwner,
                        kOpClearOwner,
                        kOpBeginTransaction,
                        kOpEndTransaction,
                        kOpAbortTransaction,
                        55,
                        56,
                        63,
                        99,
                        16,
                        kOpInsert,
                        kOpInsert,
                        kOpInsert};
const int16_t kBiases[] = {0, kSingleNoWait, kMultipleNoWait, kSingleWait, kMultipleWait};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
    if (size < 2) return 0;
    size_t specLength = (input[0] | (input[1] << 8)) % 1600;
    input += 2, size -= 2;
    if (specLength > size) specLength = size;

    std::string path = FilePath();
    std::string spec(1536, ' ');
    std::memcpy(spec.data(), input, std::min<size_t>(specLength, spec.size()));
    input += specLength, size -= specLength;
    uint8_t block[128] = {};
    int32_t length =
        specLength >= 16 ? static_cast<int32_t>(std::min<size_t>(specLength, 1536)) : 1536;
    if (BTRCALL(kOpCreate, block, spec.data(), &length, path.data(),
                static_cast<uint8_t>(path.size()), kCreateReplace) != 0)
        return 0;
    char owner[9] = {};
    length = 1;
    if (BTRCALL(kOpOpen, block, owner, &length, path.data(), static_cast<uint8_t>(path.size()),
                0) != 0)
        return 0;

    std::string data(1536, ' ');
    char key[256];
    uint8_t forged[128];
    while (size >= 8) {
        const uint8_t* op = input;
        input += 8, size -= 8;
        const bool forge = op[0] & 0x80;
        int16_t operation = kOps[(op[0] & 0x7F) % (sizeof kOps / sizeof kOps[0])];
        if (operation >= kOpGetEqual && operation <= kOpGetLast)
            operation += kBiases[op[1] % 5] * (op[1] & 0x80 ? 0 : 1);
        if (operation == kOpGetDirect || operation == kOpStepNext) operation += kBiases[op[1] % 3];
        // Wait biases could only wait on this process itself, which never blocks it.
        int8_t keyNumber = static_cast<int8_t>(op[1] & 0x80 ? op[1] % 5 - 2 : op[1] % 4);
        int32_t dataLength = (op[2] | (op[3] << 8)) % 1600;
        if (dataLength > 1536) dataLength = 1536;
        uint8_t keyLength = op[4];
        std::memset(data.data(), op[5], data.size());
        std::memset(key, op[6], sizeof key);
        size_t take = std::min<size_t>(op[7], size);
        std::memcpy(data.data(), input, std::min<size_t>(take, data.size()));
        std::memcpy(key, input, std::min<size_t>(take, sizeof key));
        input += take, size -= take;
        void* pb = block;
        if (forge) {
            std::memcpy(forged, block, sizeof forged);
            forged[op[5] % 16] ^= op[6] | 1;
            pb = forged;
        }
        BTRCALL(operation, pb, data.data(), &dataLength, key, keyLength, keyNumber);
    }
    BTRCALL(kOpReset, nullptr, nullptr, nullptr, nullptr, 0, 0);
    return 0;
}
