// Shared pieces of the record manager's tests: a scratch directory, a builder of creation
// specifications, a handle on an open file, and second processes running the recman tool.
#pragma once

#include "recman/btrcall.h"
#include "recman/filedef.h"
#include "recman/status.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace rmtest {

using namespace recman;

// A fresh directory under the temporary directory, removed with everything in it at the end.
struct ScratchDir {
    std::string path;
    ScratchDir() {
        char name[] = "/tmp/recman-test-XXXXXX";
        const char* made = ::mkdtemp(name);
        path = made ? made : "/tmp";
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

struct SegmentDesc {
    uint16_t position, length, flags = 0;
    uint8_t type = 0, nullByte = 0, acs = 0;
};

// Builds a creation specification: file block, segment blocks, ACS blocks.
struct SpecBuilder {
    uint16_t recordLength = 32, pageSize = 4096, fileFlags = 0;
    std::vector<std::vector<SegmentDesc>> keys;
    std::vector<std::array<uint8_t, 256>> acs;

    SpecBuilder& Record(uint16_t length) {
        recordLength = length;
        return *this;
    }
    SpecBuilder& Key(std::vector<SegmentDesc> segments) {
        keys.push_back(std::move(segments));
        return *this;
    }
    SpecBuilder& Acs(const std::array<uint8_t, 256>& map) {
        acs.push_back(map);
        return *this;
    }
    std::string Bytes() const {
        std::string s(16, '\0');
        Put16(s, 0, recordLength);
        Put16(s, 2, pageSize);
        Put16(s, 4, static_cast<uint16_t>(keys.size()));
        Put16(s, 10, fileFlags);
        for (const auto& key : keys)
            for (size_t i = 0; i < key.size(); ++i) {
                std::string b(16, '\0');
                Put16(b, 0, key[i].position);
                Put16(b, 2, key[i].length);
                Put16(b, 4, key[i].flags | (i + 1 < key.size() ? kKeySegmented : 0));
                b[10] = static_cast<char>(key[i].type);
                b[11] = static_cast<char>(key[i].nullByte);
                b[15] = static_cast<char>(key[i].acs);
                s += b;
            }
        for (const auto& map : acs) {
            std::string b(kAcsBlockSize, '\0');
            b[0] = static_cast<char>(0xAC);
            std::memcpy(&b[1], "TESTACS ", 8);
            std::memcpy(&b[9], map.data(), 256);
            s += b;
        }
        return s;
    }
    static void Put16(std::string& s, size_t at, uint16_t v) {
        s[at] = static_cast<char>(v & 0xFF);
        s[at + 1] = static_cast<char>(v >> 8);
    }
};

// Create as the data layer calls it: the creation block at the start of 1536 blanks.
inline int16_t CreateFile(const std::string& path, const std::string& spec, int8_t mode = -1) {
    std::string data(1536, ' ');
    std::memcpy(data.data(), spec.data(), std::min<size_t>(spec.size(), data.size()));
    int32_t length = 1536;
    std::string key = path;
    uint8_t block[128] = {};
    return BTRCALL(kOpCreate, block, data.data(), &length, key.data(),
                   static_cast<uint8_t>(key.size()), mode);
}

// One open position block on a data file, with the buffers of a typical caller.
struct Handle {
    uint8_t block[128] = {};
    std::string data = std::string(1536, ' ');
    int32_t dataLength = 0;
    std::array<char, 256> key{};
    bool isOpen = false;

    int16_t Open(const std::string& path, int8_t mode = 0, const std::string& owner = {}) {
        std::memset(block, 0, sizeof block);
        std::string ownerBuf = owner + '\0';
        int32_t length = static_cast<int32_t>(ownerBuf.size());
        std::string k = path;
        int16_t st = BTRCALL(kOpOpen, block, ownerBuf.data(), &length, k.data(),
                             static_cast<uint8_t>(k.size()), mode);
        isOpen = st == 0;
        return st;
    }
    ~Handle() {
        if (isOpen) BTRCALL(kOpClose, block, nullptr, nullptr, nullptr, 0, 0);
    }
    int16_t Close() {
        isOpen = false;
        return BTRCALL(kOpClose, block, nullptr, nullptr, nullptr, 0, 0);
    }
    int16_t Insert(const std::string& record, int8_t keyNumber = 0) {
        data = record;
        dataLength = static_cast<int32_t>(record.size());
        return BTRCALL(kOpInsert, block, data.data(), &dataLength, key.data(), 255, keyNumber);
    }
    int16_t Update(const std::string& record, int8_t keyNumber = 0) {
        data = record;
        dataLength = static_cast<int32_t>(record.size());
        return BTRCALL(kOpUpdate, block, data.data(), &dataLength, key.data(), 255, keyNumber);
    }
    int16_t Delete(int8_t keyNumber = 0) {
        return BTRCALL(kOpDelete, block, nullptr, nullptr, key.data(), 0, keyNumber);
    }
    // A Get with a key value (5, 8-11) or without (6, 7, 12, 13); room = data length given.
    int16_t Get(int16_t op, int8_t keyNumber, const std::string& keyValue = {},
                int32_t room = 1536) {
        data.assign(1536, ' ');
        dataLength = room;
        std::fill(key.begin(), key.end(), 0);
        std::memcpy(key.data(), keyValue.data(), keyValue.size());
        return BTRCALL(op, block, data.data(), &dataLength, key.data(),
                       static_cast<uint8_t>(keyValue.size()), keyNumber);
    }
    // Another Get that keeps the key buffer as the previous call left it.
    int16_t Again(int16_t op, int8_t keyNumber, uint8_t keyLength = 255) {
        data.assign(1536, ' ');
        dataLength = 1536;
        return BTRCALL(op, block, data.data(), &dataLength, key.data(), keyLength, keyNumber);
    }
    int16_t Direct(uint32_t pos, int8_t keyNumber, int16_t bias = 0) {
        data.assign(1536, ' ');
        std::memcpy(data.data(), &pos, 4);
        dataLength = 1536;
        std::fill(key.begin(), key.end(), 0);
        return BTRCALL(kOpGetDirect + bias, block, data.data(), &dataLength, key.data(), 0,
                       keyNumber);
    }
    uint32_t Position(int16_t* status = nullptr) {
        data.assign(1536, ' ');
        dataLength = 1536;
        int16_t st = BTRCALL(kOpGetPosition, block, data.data(), &dataLength, nullptr, 0, 0);
        if (status) *status = st;
        uint32_t pos = 0;
        if (st == 0) std::memcpy(&pos, data.data(), 4);
        return pos;
    }
    std::string Stat(int8_t keyNumber = 0, int32_t room = 1536, int16_t* status = nullptr) {
        data.assign(1536, ' ');
        dataLength = room;
        std::array<char, 256> k;
        k.fill(' ');
        int16_t st = BTRCALL(kOpStat, block, data.data(), &dataLength, k.data(), 255, keyNumber);
        if (status) *status = st;
        return data.substr(0, static_cast<size_t>(dataLength));
    }
    std::string Record() const { return data.substr(0, static_cast<size_t>(dataLength)); }
};

inline std::string Le32(uint32_t v) {
    std::string s(4, '\0');
    std::memcpy(s.data(), &v, 4);
    return s;
}

inline std::string Fixed(std::string text, size_t length, char fill = ' ') {
    text.resize(length, fill);
    return text;
}

// ---- Second processes: the recman tool ----

inline std::string ToolPath() {
    return std::string(ORB_BINARY_DIR) + "/recman";
}

struct Child {
    pid_t pid = -1;
    int out = -1; // its standard output
    ~Child() { Kill(); }
    void Kill() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            pid = -1;
        }
        if (out >= 0) ::close(out);
        out = -1;
    }
    int Wait() {
        int status = 0;
        if (pid > 0) ::waitpid(pid, &status, 0);
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Reads its output until a line arrives; false when it ends first.
    bool ReadLine(std::string& line) {
        line.clear();
        char c;
        while (::read(out, &c, 1) == 1) {
            if (c == '\n') return true;
            line.push_back(c);
        }
        return false;
    }
};

// Starts the tool with these arguments; stdin from `input` (a file path) or /dev/null;
// with `withErrors` its error output comes through the same pipe as its output.
inline void Start(Child& child, const std::vector<std::string>& args,
                  const std::string& input = "/dev/null", bool withErrors = false) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(fds[1], 1);
        if (withErrors) ::dup2(fds[1], 2);
        ::close(fds[0]);
        ::close(fds[1]);
        int in = ::open(input.c_str(), O_RDONLY);
        if (in >= 0) ::dup2(in, 0);
        std::vector<char*> argv;
        std::string tool = ToolPath();
        argv.push_back(tool.data());
        std::vector<std::string> copy = args;
        for (auto& a : copy)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(tool.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    child.pid = pid;
    child.out = fds[0];
}

// Runs the tool to its end; the exit code.
inline int RunTool(const std::vector<std::string>& args, const std::string& input = "/dev/null") {
    Child child;
    Start(child, args, input);
    std::string line;
    while (child.ReadLine(line)) {
    }
    return child.Wait();
}

// Runs the tool to its end; its exit code, and its output and errors as text.
inline int RunTool(const std::vector<std::string>& args, std::string& output,
                   const std::string& input = "/dev/null") {
    Child child;
    Start(child, args, input, true);
    output.clear();
    std::string line;
    while (child.ReadLine(line))
        output += line + "\n";
    output += line;
    return child.Wait();
}

} // namespace rmtest
