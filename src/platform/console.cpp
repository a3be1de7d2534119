#include "platform/console.h"

#include "platform/codepage.h"
#include "platform/console_backend.h"
#include "platform/system.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <deque>
#include <vector>

namespace platform {

namespace {

constexpr int kRows = kConsoleRows;
constexpr int kColumns = kConsoleColumns;

struct ConsoleState {
    std::array<Cell, kRows * kColumns> cells;
    int16_t row = 1, column = 1;
    bool cursorVisible = true;
    int16_t cursorSize = 25;
    uint8_t attribute = 7;
    int beeps = 0;
    std::deque<InputEvent> input;
    bool mouseReporting = false;
    int16_t mouseButtons = 3;
    void (*idleHandler)() = nullptr;
    std::string terminalDir;
    bool insertToggle = false; // kept here while no terminal directory is known
    std::string clipboard;     // likewise
};

ConsoleState& State() {
    static ConsoleState state = [] {
        ConsoleState s;
        s.cells.fill(Cell{});
        return s;
    }();
    return state;
}

const ConsoleBackend* backend = nullptr;

Cell& At(int row, int column) {
    return State().cells[(row - 1) * kColumns + (column - 1)];
}

void PutBytes(std::string_view bytes) {
    ConsoleState& s = State();
    int column = s.column;
    for (char c : bytes) {
        if (column > kColumns) break;
        At(s.row, column) = Cell{static_cast<uint8_t>(c), s.attribute};
        ++column;
    }
    const long moved = static_cast<long>(s.column) + static_cast<long>(bytes.size());
    s.column = static_cast<int16_t>(std::min<long>(moved, kColumns));
}

// Reads pending terminal input into the queue, waiting at most waitMs.
void Pump(int waitMs) {
    if (backend) backend->readInput(waitMs);
}

} // namespace

void SetConsoleBackend(const ConsoleBackend* b) {
    backend = b;
}
const Cell* ConsoleCells() {
    return State().cells.data();
}

// ---- Output ----

void WriteText(std::string_view text) {
    PutBytes(text);
}

void WriteBlanks(int16_t n) {
    if (n > 0) PutBytes(std::string(static_cast<size_t>(std::min<int>(n, kColumns)), ' '));
}

void NewLine() {
    ConsoleState& s = State();
    if (s.row >= kRows) {
        ScrollRectangle(1, 1, kRows, kColumns, 1);
        s.row = kRows;
    } else {
        ++s.row;
    }
    s.column = 1;
}

void SetCursorPosition(int16_t row, int16_t column) {
    ConsoleState& s = State();
    if (row >= 1 && row <= kRows) s.row = row;
    if (column >= 1 && column <= kColumns) s.column = column;
}

int16_t CursorRow() {
    return State().row;
}
int16_t CursorColumn() {
    return State().column;
}

void SetAttribute(int16_t foreground, int16_t background) {
    ConsoleState& s = State();
    uint8_t fg = s.attribute & 0x0F, bg = s.attribute >> 4;
    if (foreground >= 0 && foreground < 16) fg = static_cast<uint8_t>(foreground);
    if (background >= 0 && background < 16) bg = static_cast<uint8_t>(background);
    s.attribute = static_cast<uint8_t>(fg | (bg << 4));
}

uint8_t CurrentAttribute() {
    return State().attribute;
}

Cell ReadCell(int16_t row, int16_t column) {
    if (row < 1 || row > kRows || column < 1 || column > kColumns) return Cell{' ', 0};
    return At(row, column);
}

std::string RowText(int16_t row) {
    if (row < 1 || row > kRows) return {};
    std::string text;
    for (int c = 1; c <= kColumns; ++c)
        text += static_cast<char>(At(row, c).character);
    return text;
}

void ScrollRectangle(int16_t top, int16_t left, int16_t bottom, int16_t right, int16_t lines) {
    const int t = std::max<int>(top, 1), l = std::max<int>(left, 1);
    const int b = std::min<int>(bottom, kRows), r = std::min<int>(right, kColumns);
    if (t > b || l > r || lines == 0) return;
    const Cell blank{' ', State().attribute};
    if (lines > 0) {
        for (int row = t; row <= b; ++row)
            for (int c = l; c <= r; ++c)
                At(row, c) = row + lines <= b ? At(row + lines, c) : blank;
    } else {
        const int down = -static_cast<int>(lines);
        for (int row = b; row >= t; --row)
            for (int c = l; c <= r; ++c)
                At(row, c) = row - down >= t ? At(row - down, c) : blank;
    }
}

void ClearScreen() {
    ConsoleState& s = State();
    s.cells.fill(Cell{' ', s.attribute});
    s.row = 1;
    s.column = 1;
}

void SetCursorSize(int16_t size) {
    ConsoleState& s = State();
    if (size == 0) {
        s.cursorVisible = false;
    } else {
        s.cursorVisible = true;
        if (size > 0) s.cursorSize = std::clamp<int16_t>(size, 10, 99);
    }
}

bool CursorVisible() {
    return State().cursorVisible;
}
int16_t CursorSize() {
    return State().cursorSize;
}
int16_t ConsoleRows() {
    return kConsoleRows;
}
int16_t ConsoleColumns() {
    return kConsoleColumns;
}

void Beep() {
    ++State().beeps;
    if (backend) backend->beep();
}

int BeepCount() {
    return State().beeps;
}

void FlushConsole() {
    if (backend) backend->flush();
}

// ---- Input ----

InputEvent CharacterEvent(uint8_t character, uint16_t modifiers) {
    InputEvent e;
    e.kind = InputKind::Character;
    e.character = character;
    e.modifiers = modifiers;
    return e;
}

InputEvent ExtendedKeyEvent(uint8_t scanCode, uint16_t modifiers) {
    InputEvent e;
    e.kind = InputKind::ExtendedKey;
    e.scanCode = scanCode;
    e.modifiers = modifiers;
    return e;
}

InputEvent MousePressEvent(uint8_t buttons, int16_t row, int16_t column, uint16_t modifiers) {
    InputEvent e;
    e.kind = InputKind::Mouse;
    e.mouseEvent = kMousePressed;
    e.buttons = buttons;
    e.row = row;
    e.column = column;
    e.modifiers = modifiers;
    return e;
}

std::string EventKeyText(const InputEvent& event) {
    switch (event.kind) {
    case InputKind::Character:
        return std::string(1, static_cast<char>(event.character));
    case InputKind::ExtendedKey:
        return std::string{'\0', static_cast<char>(event.scanCode)};
    case InputKind::Mouse:
        return std::string{'\xFF', '\xFF', static_cast<char>(event.mouseEvent),
                           static_cast<char>(event.buttons)};
    case InputKind::None:
        break;
    }
    return {};
}

namespace {

bool TakeQueued(InputEvent& event) {
    auto& queue = State().input;
    while (!queue.empty()) {
        event = queue.front();
        queue.pop_front();
        // Mouse events count only while reporting is on.
        if (event.kind == InputKind::Mouse && !State().mouseReporting) continue;
        if (event.kind != InputKind::None) return true;
    }
    return false;
}

} // namespace

bool PollInput(InputEvent& event) {
    event = InputEvent{};
    if (TakeQueued(event)) return true;
    if (backend) {
        backend->flush();
        Pump(0);
        if (TakeQueued(event)) return true;
        Pump(20); // waits in poll(2) for the terminal: no busy loop
        return TakeQueued(event);
    }
    if (State().idleHandler) {
        State().idleHandler();
        return TakeQueued(event);
    }
    PauseMs(20);
    return false;
}

bool PeekInput() {
    auto& queue = State().input;
    auto pending = [&] {
        return std::any_of(queue.begin(), queue.end(), [](const InputEvent& e) {
            return e.kind != InputKind::None &&
                   (e.kind != InputKind::Mouse || State().mouseReporting);
        });
    };
    if (pending()) return true;
    if (backend) {
        backend->flush();
        Pump(0);
    }
    return pending();
}

void InjectInput(const InputEvent& event) {
    State().input.push_back(event);
}

void InjectText(std::string_view text) {
    for (char c : text)
        InjectInput(CharacterEvent(static_cast<uint8_t>(c)));
}

void SetIdleHandler(void (*handler)()) {
    State().idleHandler = handler;
}

void SetMouseReporting(bool on) {
    State().mouseReporting = on;
}
bool MouseReporting() {
    return State().mouseReporting;
}
int16_t MouseButtonCount() {
    return State().mouseButtons;
}
void SetMouseButtonCount(int16_t count) {
    State().mouseButtons = count;
}

// ---- Keyboard state and clipboard ----

namespace {

const char* const kInsertFile = "Teclat.tmp";
const char* const kClipboardFile = "PortaRet.tmp";

std::string ReadWholeFile(const std::string& path) {
    FileHandle f = OpenShared(path);
    std::string data;
    if (!f) return data;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0)
        data.append(buf, n);
    return data;
}

void WriteWholeFile(const std::string& path, std::string_view data) {
    FileHandle f = OpenCreate(path);
    if (f) std::fwrite(data.data(), 1, data.size(), f.get());
}

} // namespace

void SetTerminalDirectory(std::string_view dir) {
    State().terminalDir = std::string(dir);
}

bool InsertToggle() {
    const ConsoleState& s = State();
    if (s.terminalDir.empty()) return s.insertToggle;
    const std::string data = ReadWholeFile(s.terminalDir + kInsertFile);
    return !data.empty() && data[0] == '1';
}

void SetInsertToggle(bool on) {
    ConsoleState& s = State();
    s.insertToggle = on;
    if (!s.terminalDir.empty()) WriteWholeFile(s.terminalDir + kInsertFile, on ? "1" : "0");
}

std::string ClipboardText() {
    const ConsoleState& s = State();
    if (s.terminalDir.empty()) return s.clipboard;
    // The file holds UTF-8, so other programs of the desktop can read and write it too.
    return Utf8ToCp850(ReadWholeFile(s.terminalDir + kClipboardFile));
}

void SetClipboardText(std::string_view cp850) {
    ConsoleState& s = State();
    s.clipboard = std::string(cp850);
    const std::string utf8 = Cp850ToUtf8(cp850);
    if (!s.terminalDir.empty()) WriteWholeFile(s.terminalDir + kClipboardFile, utf8);
    if (backend) backend->offerClipboard(utf8);
}

void ResetConsoleForTests() {
    ConsoleState& s = State();
    s.cells.fill(Cell{});
    s.row = s.column = 1;
    s.cursorVisible = true;
    s.cursorSize = 25;
    s.attribute = 7;
    s.beeps = 0;
    s.input.clear();
    s.mouseReporting = false;
    s.mouseButtons = 3;
    s.idleHandler = nullptr;
    s.terminalDir.clear();
    s.insertToggle = false;
    s.clipboard.clear();
}

} // namespace platform
