// Record manager speed: Get Next through BTRCALL over 1 000 000 records in key order against
// a raw SQLite statement stepping the same index in the same process (the baseline, measured
// in the same run), Get Equal on random keys, and the load rate of `recman load`.
#include "recman/btrcall.h"
#include "recman/store.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace recman;

namespace {

constexpr uint32_t kRecords = 1000000;
constexpr int kRecordLength = 64;

std::string ToolPath() {
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "recman").string();
}

// A record: 4-byte binary number (key 0), a 10-byte name shared by 100 records (key 1,
// duplicates), then text.
std::string Record(uint32_t id) {
    std::string r(kRecordLength, ' ');
    std::memcpy(r.data(), &id, 4);
    char name[16];
    std::snprintf(name, sizeof name, "NAME%06u", id % 10000);
    std::memcpy(r.data() + 4, name, 10);
    std::snprintf(r.data() + 14, 40, "record %u", id);
    r[14 + std::strlen(r.data() + 14)] = ' ';
    return r;
}

std::string Dictionary(const std::string& dir) {
    std::string spec(16 + 32, '\0');
    auto put16 = [&](size_t at, uint16_t v) {
        spec[at] = static_cast<char>(v & 0xFF);
        spec[at + 1] = static_cast<char>(v >> 8);
    };
    put16(0, kRecordLength);
    put16(2, 4096);
    put16(4, 2);
    put16(16, 1), put16(18, 4), put16(20, 0x0004);
    put16(32, 5), put16(34, 10), put16(36, 0x0001);
    std::string path = dir + "/bench.xdf";
    FILE* f = std::fopen(path.c_str(), "wb");
    uint8_t len[2] = {static_cast<uint8_t>(spec.size()), 0};
    std::fwrite(len, 1, 2, f);
    std::fwrite(spec.data(), 1, spec.size(), f);
    std::fclose(f);
    return path;
}

int RunTool(const std::vector<std::string>& args, const std::string& input) {
    pid_t pid = fork();
    if (pid == 0) {
        FILE* in = std::freopen(input.c_str(), "rb", stdin);
        (void)in;
        std::vector<char*> argv;
        std::string tool = ToolPath();
        argv.push_back(tool.data());
        std::vector<std::string> copy = args;
        for (auto& a : copy)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(tool.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct BenchFile {
    std::string dir, path, dict;
    double loadSeconds = 0;
    uint8_t block[128] = {};

    BenchFile() {
        char name[] = "/tmp/recman-bench-XXXXXX";
        dir = mkdtemp(name);
        path = dir + "/bench.dat";
        dict = Dictionary(dir);
        std::string input = dir + "/records.raw";
        FILE* f = std::fopen(input.c_str(), "wb");
        // Ids in a scrambled order, so that the key order differs from the position order.
        for (uint32_t i = 0; i < kRecords; ++i) {
            uint32_t id = static_cast<uint32_t>((uint64_t{i} * 2654435761u) % kRecords);
            std::string r = Record(id);
            std::fwrite(r.data(), 1, r.size(), f);
        }
        std::fclose(f);
        if (RunTool({"create", path, dict}, "/dev/null") != 0) std::abort();
        auto start = std::chrono::steady_clock::now();
        if (RunTool({"load", path}, input) != 0) std::abort();
        loadSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::filesystem::remove(input);
        std::string owner(1, '\0');
        int32_t length = 1;
        if (BTRCALL(kOpOpen, block, owner.data(), &length, path.data(),
                    static_cast<uint8_t>(path.size()), 0) != 0)
            std::abort();
    }
    ~BenchFile() {
        BTRCALL(kOpReset, nullptr, nullptr, nullptr, nullptr, 0, 0);
        std::filesystem::remove_all(dir);
    }
};

BenchFile& File() {
    static BenchFile file;
    return file;
}

// Every record in key order through BTRCALL, as the report reads a file; the count read.
uint32_t WalkOurs(BenchFile& f, int8_t key) {
    std::string data(1536, ' ');
    char keyBuf[256] = {};
    int32_t length = 1536;
    uint32_t n = 0;
    int16_t st = BTRCALL(kOpGetFirst, f.block, data.data(), &length, keyBuf, 255, key);
    while (st == 0) {
        ++n;
        benchmark::DoNotOptimize(data.data());
        length = 1536;
        st = BTRCALL(kOpGetNext, f.block, data.data(), &length, keyBuf, 255, key);
    }
    return n;
}

// The same walk as one SQLite statement stepping the key's index, copying the same bytes.
uint32_t WalkRaw(sqlite3* db, int key) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, KeyOrderQuery(key).c_str(), -1, &st, nullptr);
    std::string data(1536, ' ');
    uint32_t n = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        int bytes = sqlite3_column_bytes(st, 2);
        std::memcpy(data.data(), sqlite3_column_blob(st, 2), static_cast<size_t>(bytes));
        benchmark::DoNotOptimize(sqlite3_column_blob(st, 3));
        benchmark::DoNotOptimize(data.data());
        ++n;
    }
    sqlite3_finalize(st);
    return n;
}

void BM_GetNextVersusRawSqlite(benchmark::State& state) {
    BenchFile& f = File();
    const int8_t key = static_cast<int8_t>(state.range(0));
    sqlite3* db = nullptr;
    sqlite3_open_v2(f.path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    double ours = 0, raw = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        uint32_t a = WalkRaw(db, key);
        auto t1 = std::chrono::steady_clock::now();
        uint32_t b = WalkOurs(f, key);
        auto t2 = std::chrono::steady_clock::now();
        if (a != kRecords || b != kRecords) state.SkipWithError("record count differs");
        raw += std::chrono::duration<double>(t1 - t0).count();
        ours += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(std::chrono::duration<double>(t2 - t1).count());
    }
    sqlite3_close(db);
    const double n = static_cast<double>(kRecords) * static_cast<double>(state.iterations());
    state.counters["ours_per_s"] = n / ours;
    state.counters["raw_per_s"] = n / raw;
    state.counters["ratio"] = raw / ours; // ours as a fraction of the raw rate
}
BENCHMARK(BM_GetNextVersusRawSqlite)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

void BM_GetEqualRandom(benchmark::State& state) {
    BenchFile& f = File();
    std::mt19937 rng(5);
    std::string data(1536, ' ');
    char keyBuf[256] = {};
    for (auto _ : state) {
        uint32_t id = rng() % kRecords;
        std::memcpy(keyBuf, &id, 4);
        int32_t length = 1536;
        int16_t st = BTRCALL(kOpGetEqual, f.block, data.data(), &length, keyBuf, 4, 0);
        if (st != 0) state.SkipWithError("record not found");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetEqualRandom);

void BM_GetEqualRandomRawSqlite(benchmark::State& state) {
    BenchFile& f = File();
    sqlite3* db = nullptr;
    sqlite3_open_v2(f.path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT pos, ver, data, k0, q0 FROM rec WHERE k0 = ?1", -1, &st,
                       nullptr);
    std::mt19937 rng(5);
    std::string data(1536, ' ');
    for (auto _ : state) {
        uint32_t id = rng() % kRecords;
        uint8_t form[4] = {static_cast<uint8_t>(id >> 24), static_cast<uint8_t>(id >> 16),
                           static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id)};
        sqlite3_reset(st);
        sqlite3_bind_blob(st, 1, form, 4, SQLITE_STATIC);
        if (sqlite3_step(st) != SQLITE_ROW) state.SkipWithError("record not found");
        std::memcpy(data.data(), sqlite3_column_blob(st, 2),
                    static_cast<size_t>(sqlite3_column_bytes(st, 2)));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetEqualRandomRawSqlite);

void BM_RecmanLoad(benchmark::State& state) {
    BenchFile& f = File();
    for (auto _ : state)
        state.SetIterationTime(f.loadSeconds);
    state.counters["records_per_s"] = kRecords / f.loadSeconds;
}
BENCHMARK(BM_RecmanLoad)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
