#include "screen/windows.h"

#include "app/session.h"
#include "platform/console.h"
#include "platform/system.h"
#include "screen/colours.h"
#include "text/calendar.h"

#include <cstdio>
#include <limits>

namespace screen {

namespace {

// Fixed part of a record: ten two-digit numbers and the five-digit length.
constexpr long kRecordOverhead = 25;
constexpr long kEmptyEnd = 5; // the end position of an empty stack

long CellCount(const WindowRect& r) {
    const long rows = r.bottom - r.top + 1, columns = r.right - r.left + 1;
    // A rectangle given upside down holds no cells (rows top..bottom run zero times).
    return rows > 0 && columns > 0 ? rows * columns : 0;
}

bool InsideConsole(int16_t row, int16_t column) {
    return row >= 1 && row <= ConsoleHeight() && column >= 1 && column <= ConsoleWidth();
}

long FileSize(std::FILE* f) {
    if (std::fseek(f, 0, SEEK_END) != 0) return -1;
    return std::ftell(f);
}

bool ReadAt(std::FILE* f, long offset, void* buf, size_t n) {
    return std::fseek(f, offset, SEEK_SET) == 0 && std::fread(buf, 1, n, f) == n;
}

bool WriteAt(std::FILE* f, long offset, const void* buf, size_t n) {
    return std::fseek(f, offset, SEEK_SET) == 0 && std::fwrite(buf, 1, n, f) == n;
}

// The end position in bytes 1..4 (signed 32-bit little-endian).
bool ReadEnd(std::FILE* f, long& end) {
    unsigned char b[4];
    if (!ReadAt(f, 0, b, 4)) return false;
    const uint32_t u = b[0] | (b[1] << 8) | (b[2] << 16) | (uint32_t(b[3]) << 24);
    end = static_cast<int32_t>(u);
    return true;
}

bool WriteEnd(std::FILE* f, long end) {
    const uint32_t u = static_cast<uint32_t>(end);
    const unsigned char b[4] = {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8),
                                static_cast<unsigned char>(u >> 16),
                                static_cast<unsigned char>(u >> 24)};
    return WriteAt(f, 0, b, 4);
}

void AppendNumber(std::string& out, long value, int16_t width) {
    out += text::ZeroPadNumber(static_cast<double>(value), width);
}

// The value of a run of decimal digits; -1 when any byte is not a digit.
long Digits(const char* p, int n) {
    long v = 0;
    for (int i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9') return -1;
        v = v * 10 + (p[i] - '0');
    }
    return v;
}

bool SameRect(const WindowRect& a, const WindowRect& b) {
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

} // namespace

std::string WindowStackPath() {
    return app::SessionSettings.workDir + "WinPush.tmp";
}

void PushWindow(int16_t top, int16_t left, int16_t bottom, int16_t right) {
    PushEntry entry;
    entry.rect = {top, left, bottom, right};
    entry.enclosing = Windows.current;
    if (!InsideConsole(top, left) || !InsideConsole(bottom, right)) {
        entry.refused = true;
        Windows.pushes.push_back(entry);
        return;
    }

    std::string record;
    AppendNumber(record, platform::CursorRow(), 2);
    AppendNumber(record, platform::CursorColumn(), 2);
    for (int16_t v : {Windows.current.top, Windows.current.left, Windows.current.bottom,
                      Windows.current.right, top, left, bottom, right})
        AppendNumber(record, v, 2);
    for (int16_t row = top; row <= bottom; ++row) {
        for (int16_t column = left; column <= right; ++column) {
            const platform::Cell cell = platform::ReadCell(row, column);
            record += static_cast<char>(cell.character);
            record += static_cast<char>(cell.attribute);
        }
    }
    AppendNumber(record, kRecordOverhead + 2 * CellCount(entry.rect), 5);

    if (platform::FileHandle f = platform::OpenOrCreate(WindowStackPath())) {
        const long size = FileSize(f.get());
        long start = kEmptyEnd;
        long end;
        // An end position that does not lie within the file cannot be trusted: start afresh.
        if (size > 3 && ReadEnd(f.get(), end) && end >= kEmptyEnd && end <= size + 1) start = end;
        const long next = start + static_cast<long>(record.size());
        if (next <= std::numeric_limits<int32_t>::max() &&
            WriteAt(f.get(), start - 1, record.data(), record.size()) && WriteEnd(f.get(), next) &&
            std::fflush(f.get()) == 0)
            entry.saved = true;
    }
    // Even when the record could not be kept, the window is open for its caller.
    Windows.current = entry.rect;
    ++Windows.depth;
    Windows.pushes.push_back(entry);
}

void PopWindow() {
    // Only this program's own pushes are popped.
    if (Windows.pushes.empty()) return;
    const PushEntry entry = Windows.pushes.back();
    Windows.pushes.pop_back();
    if (entry.refused) return;
    --Windows.depth;
    Windows.current = entry.enclosing;
    if (!entry.saved) return;

    const std::string path = WindowStackPath();
    platform::FileHandle f = platform::OpenReadWrite(path);
    if (!f) {
        platform::RemoveFile(path);
        return;
    }
    std::FILE* file = f.get();
    const long size = FileSize(file);
    long end = 0;
    auto distrust = [&] {
        f.reset();
        platform::RemoveFile(path);
        // The records below ours went with the file.
        for (PushEntry& e : Windows.pushes)
            e.saved = false;
    };
    if (size < 4 || !ReadEnd(file, end) || end < kEmptyEnd + kRecordOverhead || end > size + 1)
        return distrust();
    char lengthText[5];
    if (!ReadAt(file, end - 6, lengthText, 5)) return distrust();
    const long length = Digits(lengthText, 5);
    const long start = end - length;
    if (length < kRecordOverhead || start < kEmptyEnd) return distrust();
    char head[20];
    if (!ReadAt(file, start - 1, head, 20)) return distrust();
    long v[10];
    for (int i = 0; i < 10; ++i)
        if ((v[i] = Digits(head + 2 * i, 2)) < 0) return distrust();
    const WindowRect enclosing{int16_t(v[2]), int16_t(v[3]), int16_t(v[4]), int16_t(v[5])};
    const WindowRect rect{int16_t(v[6]), int16_t(v[7]), int16_t(v[8]), int16_t(v[9])};
    // The record must be the one this program pushed last, and its length must match.
    if (!SameRect(rect, entry.rect) || !SameRect(enclosing, entry.enclosing) ||
        length != kRecordOverhead + 2 * CellCount(rect) ||
        !InsideConsole(int16_t(v[0]), int16_t(v[1])))
        return distrust();
    std::string cells(static_cast<size_t>(length - kRecordOverhead), '\0');
    if (!cells.empty() && !ReadAt(file, start - 1 + 20, cells.data(), cells.size()))
        return distrust();

    size_t i = 0;
    for (int16_t row = rect.top; row <= rect.bottom; ++row) {
        for (int16_t column = rect.left; column <= rect.right; ++column) {
            const uint8_t attribute = static_cast<uint8_t>(cells[i + 1]);
            platform::SetAttribute(attribute % 16, attribute / 16);
            platform::SetCursorPosition(row, column);
            platform::WriteText(std::string_view(&cells[i], 1));
            i += 2;
        }
    }
    platform::SetCursorPosition(int16_t(v[0]), int16_t(v[1]));

    WriteEnd(file, start);
    f.reset();
    if (start < 6) platform::RemoveFile(path);
}

void PlaceCursor(int16_t row, int16_t column) {
    if (Windows.depth == 0) {
        platform::SetCursorPosition(row, column);
        return;
    }
    platform::SetCursorPosition(static_cast<int16_t>(row + Windows.current.top),
                                static_cast<int16_t>(column + Windows.current.left));
}

void DrawFrame(int16_t style) {
    if (Windows.depth == 0) return;
    static const char kSingle[] = "\xDA\xBF\xC0\xD9\xC4\xB3";
    static const char kDouble[] = "\xC9\xBB\xC8\xBC\xCD\xBA";
    const char* set = style == 1 ? kSingle : style == 2 ? kDouble : "      ";
    const WindowRect& w = Windows.current;
    const int16_t inner = static_cast<int16_t>(w.right - w.left - 1);
    const std::string horizontal(inner > 0 ? static_cast<size_t>(inner) : 0, set[4]);
    auto edge = [&](int16_t row, char first, const std::string& middle, char last) {
        platform::SetCursorPosition(row, w.left);
        platform::WriteText(std::string(1, first) + middle + std::string(1, last));
    };
    edge(w.top, set[0], horizontal, set[1]);
    const std::string blanks(horizontal.size(), ' ');
    for (int16_t row = static_cast<int16_t>(w.top + 1); row <= w.bottom - 1; ++row)
        edge(row, set[5], blanks, set[5]);
    edge(w.bottom, set[2], horizontal, set[3]);
}

int16_t InteriorTop() {
    return Windows.depth == 0 ? 1 : static_cast<int16_t>(Windows.current.top + 1);
}
int16_t InteriorLeft() {
    return Windows.depth == 0 ? 1 : static_cast<int16_t>(Windows.current.left + 1);
}
int16_t InteriorRight() {
    return Windows.depth == 0 ? ConsoleWidth() : static_cast<int16_t>(Windows.current.right - 1);
}

void ResetWindowsForTests() {
    Windows = WindowStack{};
}

} // namespace screen
