// The contract expiry listing end to end (open the data files, write the listing into the
// print file, close everything) over installations of 10 000, 100 000 and 1 000 000 flats,
// against the baseline a user would write instead, measured in the same run on the same data:
// one SQL query over the same records loaded into plain SQLite tables, its rows written as
// the same print-file lines with the same writer. Before timing, both print files are checked
// to be byte for byte the same.
//
// The installations are generated once into /tmp/orbicade-listing-bench/<flats>/ (or
// $ORB_BENCH_DIR) with orbicade-gendata and `recman load`, and kept for later runs.
// ORB_BENCH_SIZES=10000,100000 limits the sizes. Afterwards a table gives flats per second of both
// and the ratio ours/peer for each size.
#include "app/session.h"
#include "data/datafiles.h"
#include "print/printfile.h"
#include "report/listing.h"
#include "report/records.h"
#include "text/calendar.h"
#include "text/dateformat.h"
#include "text/numberformat.h"
#include "text/texthelpers.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The sizes measured; ORB_BENCH_SIZES (e.g. "10000,100000") measures fewer.
std::vector<long> Sizes() {
    const char* list = std::getenv("ORB_BENCH_SIZES");
    if (!list || !*list) return {10000, 100000, 1000000};
    std::vector<long> sizes;
    for (const char* p = list; *p;) {
        char* end = nullptr;
        const long n = std::strtol(p, &end, 10);
        if (end == p) break;
        if (n > 0) sizes.push_back(n);
        p = *end == ',' ? end + 1 : end;
    }
    return sizes;
}
const std::string kCompany = "ADMINISTRACI\xE0 DE FINQUES MONTSENY, S.L.";
// Listings of May 2025: the generated data has a third of its contracts expiring before June 2025.
const char* kListingDate = "20250501";

fs::path BuildDir() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

fs::path DataRoot() {
    const char* dir = std::getenv("ORB_BENCH_DIR");
    return dir && *dir ? fs::path(dir) : fs::path("/tmp/orbicade-listing-bench");
}

void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Quoted(const fs::path& p) {
    return "'" + p.string() + "'";
}

void Exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::string text = error ? error : "?";
        sqlite3_free(error);
        throw std::runtime_error(text);
    }
}

int64_t Number(std::string_view packed) {
    return std::atoll(text::UnpackDigits(packed).c_str());
}

// The peer's tables: the same records with their fields as SQL values (codes as numbers, dates
// as ISO texts, texts as their code page 850 bytes).
void LoadPeer(const fs::path& dir) {
    fs::remove(dir / "peer.db");
    sqlite3* db = nullptr;
    sqlite3_open((dir / "peer.db").c_str(), &db);
    Exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
             "CREATE TABLE properties(code INTEGER PRIMARY KEY, address BLOB, kind TEXT);"
             "CREATE TABLE flats(code INTEGER PRIMARY KEY, holder BLOB, name BLOB, address BLOB,"
             " start TEXT, months INTEGER); BEGIN;");
    sqlite3_stmt* property = nullptr;
    sqlite3_stmt* flat = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO properties VALUES(?,?,?)", -1, &property, nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO flats VALUES(?,?,?,?,?,?)", -1, &flat, nullptr);
    const std::string properties = ReadAll(dir / "properties.raw");
    for (size_t at = 0; at + sizeof(report::PropertyRecord) <= properties.size();
         at += sizeof(report::PropertyRecord)) {
        report::PropertyRecord p;
        std::memcpy(&p, properties.data() + at, sizeof p);
        sqlite3_bind_int64(property, 1, Number({p.propertyCode, 2}));
        sqlite3_bind_blob(property, 2, p.propertyAddress, sizeof p.propertyAddress,
                          SQLITE_TRANSIENT);
        sqlite3_bind_text(property, 3, &p.addressKind, 1, SQLITE_TRANSIENT);
        sqlite3_step(property);
        sqlite3_reset(property);
    }
    const std::string flats = ReadAll(dir / "flats.raw");
    for (size_t at = 0; at + sizeof(report::FlatRecord) <= flats.size();
         at += sizeof(report::FlatRecord)) {
        report::FlatRecord f;
        std::memcpy(&f, flats.data() + at, sizeof f);
        sqlite3_bind_int64(flat, 1, Number({f.flatCode, 4}));
        sqlite3_bind_blob(flat, 2, f.holderName, sizeof f.holderName, SQLITE_TRANSIENT);
        sqlite3_bind_blob(flat, 3, f.flatName, sizeof f.flatName, SQLITE_TRANSIENT);
        sqlite3_bind_blob(flat, 4, f.flatAddress, sizeof f.flatAddress, SQLITE_TRANSIENT);
        const std::string start(f.contractStart, 4);
        if (start == text::kZeroDate) {
            sqlite3_bind_null(flat, 5);
        } else {
            const std::string iso = text::FormatDate(start, -1, "dma");
            sqlite3_bind_text(flat, 5, iso.c_str(), -1, SQLITE_TRANSIENT);
        }
        sqlite3_bind_int(flat, 6, report::ContractMonths(f));
        sqlite3_step(flat);
        sqlite3_reset(flat);
    }
    sqlite3_finalize(property);
    sqlite3_finalize(flat);
    Exec(db, "COMMIT;");
    sqlite3_close(db);
}

// Generates the installation of a size once: raw records, the two data files loaded through
// the record manager, the SQLite copy for the peer, Nuvo.ini.
fs::path Installation(long flats) {
    const fs::path dir = DataRoot() / std::to_string(flats);
    if (fs::exists(dir / "ready")) return dir;
    fs::remove_all(dir);
    fs::create_directories(dir / "root" / "DADES");
    fs::create_directories(dir / "root" / "ddf");
    fs::create_directories(dir / "ours");
    fs::create_directories(dir / "peer");
    for (const char* name : {"FinquesV.xdf", "DepartaV.xdf"})
        fs::copy_file(fs::path(ORB_SOURCE_DIR) / "demo" / "ddf" / name,
                      dir / "root" / "ddf" / name);
    const fs::path build = BuildDir();
    std::fprintf(stderr, "generating %ld flats in %s\n", flats, dir.c_str());
    Run(Quoted(build / "orbicade-gendata") + " bench " + std::to_string(flats) + " " +
        Quoted(dir / "properties.raw") + " " + Quoted(dir / "flats.raw"));
    const fs::path recman = build / "recman";
    const struct {
        const char* file;
        const char* raw;
    } files[] = {{"FinquesV", "properties.raw"}, {"DepartaV", "flats.raw"}};
    for (const auto& f : files) {
        const fs::path data = dir / "root" / "DADES" / (std::string(f.file) + ".dat");
        Run(Quoted(recman) + " create " + Quoted(data) + " " +
            Quoted(dir / "root" / "ddf" / (std::string(f.file) + ".xdf")) + " >/dev/null");
        Run(Quoted(recman) + " load " + Quoted(data) + " < " + Quoted(dir / f.raw) + " >/dev/null");
    }
    LoadPeer(dir);
    std::ofstream(dir / "root" / "Nuvo.ini", std::ios::binary)
        << "[Usuari]\r\nDatCaracter=/\r\nDatOrdre=DMA\r\n[Empresa]\r\nNom=" << kCompany << "\r\n";
    std::ofstream(dir / "ready") << "ready\n";
    return dir;
}

void UseInstallation(const fs::path& dir, const char* work) {
    app::SessionSettings = {};
    app::SessionSettings.rootDir = (dir / "root").string() + "/";
    app::SessionSettings.workDir = (dir / work).string() + "/";
    app::SessionSettings.language = "CAT";
    app::SessionSettings.programName = "ORBICADE";
    app::SessionSettings.outputDevice = "LPT1";
    ::setenv("ARXROOT", app::SessionSettings.rootDir.c_str(), 1);
    text::ForgetDateSettings();
    text::ForgetNumberSettings();
    report::ListingDate = text::PackDigits(kListingDate);
    report::FromFlatKey = text::PackDigits("00000000");
    report::ToFlatKey = text::PackDigits("99999999");
}

// Ours: what the print run does for one listing, files opened and closed around it.
void OurListing(const fs::path& dir) {
    UseInstallation(dir, "ours");
    report::OpenReportFiles();
    print::OpenPrintFile(app::SessionSettings.outputDevice);
    report::PrintExpiryListing();
    report::CloseReportFiles();
}

// The peer: one query selects, orders and formats the lines; the program only writes them.
const char* kPeerQuery = R"(
WITH selected AS (
  SELECT f.code, f.holder, f.name, f.start, f.months,
         CASE WHEN p.kind = 'P' THEN f.address ELSE p.address END AS address,
         date(f.start, '+' || f.months || ' months', '-1 day') AS expiry
  FROM flats f JOIN properties p ON p.code = f.code / 10000
  WHERE f.code BETWEEN ?1 AND ?2 AND f.start IS NOT NULL AND f.months > 0)
SELECT printf('%03d%03d', code / 10000 % 1000, code % 1000), address, name, holder,
       printf('%-10s', CAST(strftime('%d', start) AS INTEGER) || '/' ||
                       CAST(strftime('%m', start) AS INTEGER) || '/' || strftime('%Y', start)),
       printf('%4d', months),
       printf('%-10s', CAST(strftime('%d', expiry) AS INTEGER) || '/' ||
                       CAST(strftime('%m', expiry) AS INTEGER) || '/' || strftime('%Y', expiry))
FROM selected WHERE substr(expiry, 1, 7) <= ?3 ORDER BY code)";

void PeerHeader(int16_t page, const std::string& title) {
    print::StartPage(66);
    print::PrintControl("@e");
    print::PrintText(1, kCompany, 0);
    print::SetAlignment("D");
    char pageText[32];
    std::snprintf(pageText, sizeof pageText, "P\xB7GINA%4d", page);
    print::PrintText(85, pageText, 2);
    print::PrintText(static_cast<int16_t>((96 - static_cast<int>(title.size())) / 2), title, 2);
    print::PrintControl("q");
    print::PrintText(1, "REBUT", 0);
    print::PrintText(13,
                     "ADRE\x80"
                     "A",
                     0);
    print::PrintText(48, "DEPART.", 0);
    print::PrintText(64, "TITULAR", 0);
    print::PrintText(100, "CONTRACTE", 0);
    print::SetAlignment("D");
    print::PrintText(116, "DUR.", 0);
    print::SetAlignment("E");
    print::PrintText(126, "VENCIMENT", 1);
    print::PrintText(1, std::string(135, '-'), 1);
}

void PeerListing(const fs::path& dir) {
    UseInstallation(dir, "peer");
    const std::string title = "RELACI\xE0 DE CONTRACTES QUE VENCEN DURANT " +
                              text::FoldCapitals(text::FormatDate(report::ListingDate, 2, "ma"));
    sqlite3* db = nullptr;
    sqlite3_open_v2((dir / "peer.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* query = nullptr;
    sqlite3_prepare_v2(db, kPeerQuery, -1, &query, nullptr);
    sqlite3_bind_int64(query, 1, 0);
    sqlite3_bind_int64(query, 2, 99999999);
    sqlite3_bind_text(query, 3, "2025-05", -1, SQLITE_STATIC);
    print::OpenPrintFile(app::SessionSettings.outputDevice);
    auto column = [&](int i) {
        return std::string_view(static_cast<const char*>(sqlite3_column_blob(query, i)),
                                static_cast<size_t>(sqlite3_column_bytes(query, i)));
    };
    int16_t page = 0;
    int lines = 0;
    while (sqlite3_step(query) == SQLITE_ROW) {
        if (lines++ % 55 == 0) PeerHeader(++page, title);
        print::PrintText(1, column(0), 0);
        print::PrintText(13, column(1), 0);
        print::PrintText(48, column(2), 0);
        print::PrintText(64, column(3), 0);
        print::PrintText(100, column(4), 0);
        print::SetAlignment("D");
        print::PrintText(116, column(5), 0);
        print::SetAlignment("E");
        print::PrintText(126, column(6), 1);
    }
    print::ClosePrintFile();
    sqlite3_finalize(query);
    sqlite3_close(db);
}

std::map<long, fs::path> installations;

void BM_Listing(benchmark::State& state) {
    const fs::path& dir = installations.at(state.range(0));
    for (auto _ : state)
        OurListing(dir);
    state.counters["flats/s"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

void BM_SqlPeer(benchmark::State& state) {
    const fs::path& dir = installations.at(state.range(0));
    for (auto _ : state)
        PeerListing(dir);
    state.counters["flats/s"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

// Collects the time per iteration of each run for the closing ratio table.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                seconds[run.benchmark_name()] =
                    run.real_accumulated_time / static_cast<double>(run.iterations);
                cpuSeconds[run.benchmark_name()] =
                    run.cpu_accumulated_time / static_cast<double>(run.iterations);
            }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds, cpuSeconds;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const std::vector<long> sizes = Sizes();
    for (long size : sizes) {
        installations[size] = Installation(size);
        // Both produce the same print file, or the comparison means nothing.
        OurListing(installations[size]);
        PeerListing(installations[size]);
        const std::string ours = ReadAll(installations[size] / "ours" / "zazirivi.tmp");
        const std::string peer = ReadAll(installations[size] / "peer" / "zazirivi.tmp");
        if (ours != peer || ours.size() < 1000) {
            std::fprintf(stderr,
                         "%ld flats: the listing and the SQL peer differ (%zu and %zu bytes)\n",
                         size, ours.size(), peer.size());
            return 1;
        }
        for (auto* bm : {benchmark::RegisterBenchmark("listing", BM_Listing),
                         benchmark::RegisterBenchmark("sql_peer", BM_SqlPeer)})
            bm->Arg(size)
                ->Unit(benchmark::kMillisecond)
                ->MinTime(size >= 1000000 ? 0.1 : 1.0)
                ->UseRealTime();
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // Rates and ratios by elapsed time, and the ratio by processor time (steadier on a
    // machine shared with other work).
    std::printf("\n%10s %14s %14s %12s %12s\n", "flats", "listing/s", "sql peer/s", "ours/peer",
                "cpu ratio");
    for (long size : sizes) {
        const std::string arg = "/" + std::to_string(size) + "/min_time:";
        double ours = 0, peer = 0, oursCpu = 0, peerCpu = 0;
        for (const auto& [name, s] : reporter.seconds) {
            if (name.rfind("listing" + arg, 0) == 0) ours = s, oursCpu = reporter.cpuSeconds[name];
            if (name.rfind("sql_peer" + arg, 0) == 0) peer = s, peerCpu = reporter.cpuSeconds[name];
        }
        if (ours > 0 && peer > 0)
            std::printf("%10ld %14.0f %14.0f %12.2f %12.2f\n", size, size / ours, size / peer,
                        ours / peer, peerCpu > 0 ? oursCpu / peerCpu : 0.0);
    }
    benchmark::Shutdown();
    return 0;
}
