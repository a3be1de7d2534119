#include "platform/terminal.h"

#include "platform/codepage.h"
#include "platform/console_backend.h"

#ifndef NCURSES_WIDECHAR
#define NCURSES_WIDECHAR 1
#endif
#include <ncursesw/curses.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace platform {

// ---- Key decoding ----

namespace {

// Scan codes of the keys without character.
constexpr uint8_t kScanF1 = 0x3B, kScanF11 = 0x57, kScanF12 = 0x58;
constexpr uint8_t kScanUp = 0x48, kScanDown = 0x50, kScanLeft = 0x4B, kScanRight = 0x4D;
constexpr uint8_t kScanHome = 0x47, kScanEnd = 0x4F, kScanPageUp = 0x49, kScanPageDown = 0x51;
constexpr uint8_t kScanInsert = 0x52, kScanDelete = 0x53, kScanKeypadCentre = 0x4C;
constexpr uint8_t kScanTab = 0x0F;

uint8_t FunctionKeyScan(int n) { // n = 1..12
    if (n <= 10) return static_cast<uint8_t>(kScanF1 + n - 1);
    return n == 11 ? kScanF11 : kScanF12;
}

// The modifier state of an xterm modifier parameter (1 + Shift 1 + Alt 2 + Ctrl 4).
uint16_t ModifiersOf(int m) {
    const int bits = m - 1;
    uint16_t mods = 0;
    if (bits & 1) mods |= kShift;
    if (bits & 2) mods |= kLeftAlt;
    if (bits & 4) mods |= kLeftCtrl;
    return mods;
}

InputEvent OwnKeyEvent(int key, uint16_t mods) {
    if (key >= kOwnF1 && key < kOwnF1 + 12) return ExtendedKeyEvent(FunctionKeyScan(key), mods);
    if (key >= kOwnKeypad0 && key < kOwnKeypad0 + 10)
        return CharacterEvent(static_cast<uint8_t>('0' + key - kOwnKeypad0), mods);
    switch (key) {
    case kOwnUp:
        return ExtendedKeyEvent(kScanUp, mods);
    case kOwnDown:
        return ExtendedKeyEvent(kScanDown, mods);
    case kOwnRight:
        return ExtendedKeyEvent(kScanRight, mods);
    case kOwnLeft:
        return ExtendedKeyEvent(kScanLeft, mods);
    case kOwnHome:
        return ExtendedKeyEvent(kScanHome, mods);
    case kOwnEnd:
        return ExtendedKeyEvent(kScanEnd, mods);
    case kOwnInsert:
        return ExtendedKeyEvent(kScanInsert, mods);
    case kOwnDelete:
        return ExtendedKeyEvent(kScanDelete, mods);
    case kOwnPageUp:
        return ExtendedKeyEvent(kScanPageUp, mods);
    case kOwnPageDown:
        return ExtendedKeyEvent(kScanPageDown, mods);
    case kOwnKeypadCentre:
        return ExtendedKeyEvent(kScanKeypadCentre, mods);
    case kOwnBackTab:
        return ExtendedKeyEvent(kScanTab, mods | kShift);
    case kOwnKeypadPoint:
        return CharacterEvent('.', mods);
    case kOwnKeypadPlus:
        return CharacterEvent('+', mods);
    case kOwnKeypadMinus:
        return CharacterEvent('-', mods);
    case kOwnKeypadTimes:
        return CharacterEvent('*', mods);
    case kOwnKeypadDivide:
        return CharacterEvent('/', mods);
    case kOwnKeypadEnter:
        return CharacterEvent(13, mods);
    default:
        return InputEvent{};
    }
}

// Scan codes of the letter keys a..z on the PC keyboard.
constexpr std::array<uint8_t, 26> kLetterScan = {
    0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
    0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};

} // namespace

InputEvent DecodeTerminalKey(bool isKeyCode, uint32_t value) {
    if (!isKeyCode) {
        switch (value) {
        case 0:
            return InputEvent{}; // Ctrl+Space: no key
        case 10:
            return CharacterEvent(13); // Ctrl+J, keypad Enter without keypad mode
        case 127:
            return CharacterEvent(8);
        case 0x131:
            return CharacterEvent(0xD5); // the byte's character before the euro
        default:
            break;
        }
        if (value < 128) return CharacterEvent(static_cast<uint8_t>(value));
        const int byte = UnicodeToCp850(static_cast<char32_t>(value));
        return byte < 0 ? InputEvent{} : CharacterEvent(static_cast<uint8_t>(byte));
    }
    const int code = static_cast<int>(value);
    if (code >= kOwnKeyBase && code < kOwnKeyBase + 0x1000) {
        const int rest = code - kOwnKeyBase;
        return OwnKeyEvent(rest / 16, ModifiersOf(rest % 16 == 0 ? 1 : rest % 16));
    }
    if (code >= KEY_F(1) && code <= KEY_F(63)) {
        // ncurses numbers modified function keys in groups of twelve.
        static constexpr uint16_t kGroups[] = {
            0, kShift, kLeftCtrl, kLeftCtrl | kShift, kLeftAlt, kLeftAlt | kShift};
        const int n = code - KEY_F(0) - 1;
        return ExtendedKeyEvent(FunctionKeyScan(n % 12 + 1), kGroups[n / 12]);
    }
    switch (code) {
    case KEY_UP:
        return ExtendedKeyEvent(kScanUp);
    case KEY_DOWN:
        return ExtendedKeyEvent(kScanDown);
    case KEY_LEFT:
        return ExtendedKeyEvent(kScanLeft);
    case KEY_RIGHT:
        return ExtendedKeyEvent(kScanRight);
    case KEY_HOME:
        return ExtendedKeyEvent(kScanHome);
    case KEY_END:
        return ExtendedKeyEvent(kScanEnd);
    case KEY_PPAGE:
        return ExtendedKeyEvent(kScanPageUp);
    case KEY_NPAGE:
        return ExtendedKeyEvent(kScanPageDown);
    case KEY_IC:
        return ExtendedKeyEvent(kScanInsert);
    case KEY_DC:
        return ExtendedKeyEvent(kScanDelete);
    case KEY_B2:
    case KEY_BEG:
        return ExtendedKeyEvent(kScanKeypadCentre);
    case KEY_BTAB:
        return ExtendedKeyEvent(kScanTab, kShift);
    case KEY_SR:
        return ExtendedKeyEvent(kScanUp, kShift);
    case KEY_SF:
        return ExtendedKeyEvent(kScanDown, kShift);
    case KEY_SLEFT:
        return ExtendedKeyEvent(kScanLeft, kShift);
    case KEY_SRIGHT:
        return ExtendedKeyEvent(kScanRight, kShift);
    case KEY_SHOME:
        return ExtendedKeyEvent(kScanHome, kShift);
    case KEY_SEND:
        return ExtendedKeyEvent(kScanEnd, kShift);
    case KEY_SPREVIOUS:
        return ExtendedKeyEvent(kScanPageUp, kShift);
    case KEY_SNEXT:
        return ExtendedKeyEvent(kScanPageDown, kShift);
    case KEY_SIC:
        return ExtendedKeyEvent(kScanInsert, kShift);
    case KEY_SDC:
        return ExtendedKeyEvent(kScanDelete, kShift);
    case KEY_BACKSPACE:
        return CharacterEvent(8);
    case KEY_ENTER:
        return CharacterEvent(13);
    default:
        return InputEvent{};
    }
}

InputEvent WithAlt(InputEvent event) {
    if (event.kind == InputKind::Character) {
        const uint8_t c = event.character;
        const int letter = (c >= 'a' && c <= 'z') ? c - 'a' : (c >= 'A' && c <= 'Z') ? c - 'A' : -1;
        if (letter >= 0) return ExtendedKeyEvent(kLetterScan[letter], event.modifiers | kLeftAlt);
    }
    if (event.kind != InputKind::None) event.modifiers |= kLeftAlt;
    return event;
}

// ---- The terminal ----

namespace {

struct Terminal {
    SCREEN* screen = nullptr;
    bool active = false;
    bool suspended = false;
    bool tooSmall = false;
    bool linuxConsole = false;
    enum { kMono, kEight, kSixteen } colourMode = kMono;
    std::array<Cell, kConsoleRows * kConsoleColumns> shown{};
    bool repaintAll = true;
    std::array<bool, 256> pairReady{};
    int shownShape = -1; // 0 underline, 1 block; -1 not yet sent
};

Terminal term;

// Console colour numbers order blue and red the other way round from curses.
short CursesColour(int console) {
    return static_cast<short>((console & 0xA) | ((console & 1) << 2) | ((console & 4) >> 2));
}

// The curses pair and attributes that show a console attribute.
void PairFor(uint8_t attribute, short& pair, attr_t& attrs) {
    const int fg = attribute & 0x0F, bg = attribute >> 4;
    attrs = A_NORMAL;
    pair = 0;
    switch (term.colourMode) {
    case Terminal::kSixteen:
        pair = static_cast<short>(attribute + 1);
        if (!term.pairReady[attribute]) {
            init_pair(pair, CursesColour(fg), CursesColour(bg));
            term.pairReady[attribute] = true;
        }
        return;
    case Terminal::kEight: {
        // Bright foregrounds are shown bold; there is no bright background.
        const short f = CursesColour(fg) & 7, b = CursesColour(bg) & 7;
        if (fg >= 8) attrs |= A_BOLD;
        int p = b * 8 + f;
        if (p == 7) return; // pair 0 is white on black
        if (p == 0) p = 7;
        pair = static_cast<short>(p);
        if (!term.pairReady[p]) {
            init_pair(pair, f, b);
            term.pairReady[p] = true;
        }
        return;
    }
    case Terminal::kMono:
        if (bg == 7 || bg >= 8) attrs |= A_REVERSE;
        if (fg >= 8) attrs |= A_BOLD;
        return;
    }
}

void WriteRaw(const std::string& bytes) {
    std::fflush(stdout);
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(STDOUT_FILENO, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
}

void ShowTooSmallNotice() {
    erase();
    // The notice is CP850 text like every other text of the system.
    const std::string lines[] = {"El terminal ha de tenir almenys 80 columnes i 25 files.",
                                 "Ara en t\x82 " + std::to_string(COLS) + " x " +
                                     std::to_string(LINES) + ".",
                                 "Engrandiu-lo per continuar."};
    for (int i = 0; i < 3; ++i)
        mvaddstr(i, 0, Cp850ToUtf8(lines[i]).c_str());
    curs_set(0);
    refresh();
}

void Flush() {
    if (!term.active || term.suspended) return;
    if (term.tooSmall) return;
    const Cell* cells = ConsoleCells();
    for (int r = 0; r < kConsoleRows; ++r) {
        for (int c = 0; c < kConsoleColumns; ++c) {
            const Cell& cell = cells[r * kConsoleColumns + c];
            Cell& shown = term.shown[r * kConsoleColumns + c];
            if (!term.repaintAll && shown.character == cell.character &&
                shown.attribute == cell.attribute)
                continue;
            short pair;
            attr_t attrs;
            PairFor(cell.attribute, pair, attrs);
            wchar_t wc[2] = {static_cast<wchar_t>(Cp850Glyph(cell.character)), L'\0'};
            cchar_t cc;
            setcchar(&cc, wc, attrs, pair, nullptr);
            mvadd_wch(r, c, &cc); // the bottom-right cell reports ERR but is drawn
            shown = cell;
        }
    }
    term.repaintAll = false;
    move(CursorRow() - 1, CursorColumn() - 1);
    curs_set(CursorVisible() ? 1 : 0);
    refresh();
    const int shape = CursorSize() >= 75 ? 1 : 0;
    if (CursorVisible() && shape != term.shownShape) {
        if (term.linuxConsole)
            WriteRaw(shape ? "\033[?6c" : "\033[?2c");
        else
            WriteRaw(shape ? "\033[2 q" : "\033[4 q");
        term.shownShape = shape;
    }
}

void CheckSize() {
    const bool small = LINES < kConsoleRows || COLS < kConsoleColumns;
    if (small) {
        term.tooSmall = true;
        ShowTooSmallNotice();
        return;
    }
    term.tooSmall = false;
    clearok(curscr, TRUE);
    erase();
    term.repaintAll = true;
    Flush();
}

void QueueMouse() {
    std::vector<MEVENT> events;
    MEVENT m;
    while (getmouse(&m) == OK)
        events.push_back(m);
    // ncurses hands out a burst of reports newest first.
    std::reverse(events.begin(), events.end());
    for (const MEVENT& e : events) {
        uint8_t buttons = 0;
        if (e.bstate & (BUTTON1_PRESSED | BUTTON1_CLICKED | BUTTON1_DOUBLE_CLICKED))
            buttons |= kLeftButton;
        if (e.bstate & (BUTTON3_PRESSED | BUTTON3_CLICKED | BUTTON3_DOUBLE_CLICKED))
            buttons |= kRightButton;
        if (e.bstate & (BUTTON2_PRESSED | BUTTON2_CLICKED | BUTTON2_DOUBLE_CLICKED))
            buttons |= kMiddleButton;
        if (!buttons) continue; // releases and the wheel
        uint16_t mods = 0;
        if (e.bstate & BUTTON_SHIFT) mods |= kShift;
        if (e.bstate & BUTTON_CTRL) mods |= kLeftCtrl;
        if (e.bstate & BUTTON_ALT) mods |= kLeftAlt;
        InjectInput(MousePressEvent(buttons, static_cast<int16_t>(e.y + 1),
                                    static_cast<int16_t>(e.x + 1), mods));
    }
}

// Handles a key code that is not a key; true when it was one of those.
bool HandleSpecial(int code) {
    if (code == KEY_RESIZE) {
        CheckSize();
        return true;
    }
    if (code == KEY_MOUSE) {
        QueueMouse();
        return true;
    }
    return false;
}

void ReadInput(int waitMs) {
    if (!term.active || term.suspended) return;
    if (waitMs > 0) {
        pollfd pfd{STDIN_FILENO, POLLIN, 0};
        if (::poll(&pfd, 1, waitMs) <= 0) return;
    }
    for (;;) {
        wint_t wc;
        int r = wget_wch(stdscr, &wc);
        if (r == ERR) break;
        const bool isKey = r == KEY_CODE_YES;
        if (isKey && HandleSpecial(static_cast<int>(wc))) continue;
        if (!isKey && wc == 27) {
            // ncurses has waited its short escape delay already: a key in the same burst is
            // that key with Alt; nothing means a lone Esc.
            wint_t next;
            int r2 = wget_wch(stdscr, &next);
            if (r2 == ERR) {
                InjectInput(CharacterEvent(27));
                break;
            }
            const bool nextIsKey = r2 == KEY_CODE_YES;
            if (!nextIsKey && next == 27) {
                // Two Esc presses in one burst: the first is Esc, the second starts afresh.
                InjectInput(CharacterEvent(27));
                unget_wch(27);
                continue;
            }
            if (nextIsKey && (next == KEY_RESIZE || next == KEY_MOUSE)) {
                InjectInput(CharacterEvent(27));
                HandleSpecial(static_cast<int>(next));
                continue;
            }
            const InputEvent e = WithAlt(DecodeTerminalKey(nextIsKey, next));
            if (e.kind != InputKind::None) InjectInput(e);
            continue;
        }
        const InputEvent e = DecodeTerminalKey(isKey, wc);
        if (e.kind != InputKind::None) InjectInput(e);
    }
}

void SoundBeep() {
    if (term.active && !term.suspended) beep();
}

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64(std::string_view data) {
    std::string out;
    size_t i = 0;
    for (; i + 2 < data.size(); i += 3) {
        const uint32_t v =
            (uint8_t(data[i]) << 16) | (uint8_t(data[i + 1]) << 8) | uint8_t(data[i + 2]);
        out += kBase64[v >> 18];
        out += kBase64[(v >> 12) & 63];
        out += kBase64[(v >> 6) & 63];
        out += kBase64[v & 63];
    }
    if (i < data.size()) {
        uint32_t v = uint8_t(data[i]) << 16;
        if (i + 1 < data.size()) v |= uint8_t(data[i + 1]) << 8;
        out += kBase64[v >> 18];
        out += kBase64[(v >> 12) & 63];
        out += i + 1 < data.size() ? kBase64[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

void OfferClipboard(std::string_view utf8) {
    if (!term.active || term.suspended) return;
    Flush();
    WriteRaw("\033]52;c;" + Base64(utf8) + "\a");
}

const ConsoleBackend kBackend{Flush, ReadInput, SoundBeep, OfferClipboard};

// Escape sequences decoded by the backend itself, whatever the terminal type says.
void DefineOwnKeys() {
    auto def = [](const std::string& seq, int key, int m) {
        define_key(seq.c_str(), kOwnKeyBase + key * 16 + m);
    };
    const std::string esc = "\033";
    const char* ss3Fn = "PQRS";
    for (int i = 0; i < 4; ++i) {
        def(esc + "O" + ss3Fn[i], kOwnF1 + i, 1);
        for (int m = 2; m <= 8; ++m)
            def(esc + "[1;" + std::to_string(m) + ss3Fn[i], kOwnF1 + i, m);
    }
    for (int i = 0; i < 5; ++i)
        def(esc + "[[" + char('A' + i), kOwnF1 + i, 1);     // Linux console
    const int tildeFn[] = {15, 17, 18, 19, 20, 21, 23, 24}; // F5..F12
    for (int i = 0; i < 8; ++i) {
        const std::string n = std::to_string(tildeFn[i]);
        def(esc + "[" + n + "~", kOwnF1 + 4 + i, 1);
        for (int m = 2; m <= 8; ++m)
            def(esc + "[" + n + ";" + std::to_string(m) + "~", kOwnF1 + 4 + i, m);
    }
    const struct {
        char final;
        int key;
    } arrows[] = {{'A', kOwnUp},   {'B', kOwnDown}, {'C', kOwnRight},
                  {'D', kOwnLeft}, {'H', kOwnHome}, {'F', kOwnEnd}};
    for (const auto& a : arrows) {
        def(esc + "[" + a.final, a.key, 1);
        def(esc + "O" + a.final, a.key, 1);
        for (int m = 2; m <= 8; ++m)
            def(esc + "[1;" + std::to_string(m) + a.final, a.key, m);
    }
    const struct {
        int n;
        int key;
    } tildes[] = {{1, kOwnHome},   {7, kOwnHome},   {4, kOwnEnd},    {8, kOwnEnd},
                  {2, kOwnInsert}, {3, kOwnDelete}, {5, kOwnPageUp}, {6, kOwnPageDown}};
    for (const auto& t : tildes) {
        const std::string n = std::to_string(t.n);
        def(esc + "[" + n + "~", t.key, 1);
        for (int m = 2; m <= 8; ++m)
            def(esc + "[" + n + ";" + std::to_string(m) + "~", t.key, m);
    }
    // The keypad's centre key without NumLock. (ESC O u is the application keypad's 5, below.)
    for (const char* seq : {"[E", "OE", "[G"})
        def(esc + seq, kOwnKeypadCentre, 1);
    for (int d = 0; d < 10; ++d)
        def(esc + "O" + char('p' + d), kOwnKeypad0 + d, 1);
    def(esc + "On", kOwnKeypadPoint, 1);
    def(esc + "Ok", kOwnKeypadPlus, 1);
    def(esc + "Om", kOwnKeypadMinus, 1);
    def(esc + "Oj", kOwnKeypadTimes, 1);
    def(esc + "Oo", kOwnKeypadDivide, 1);
    def(esc + "OM", kOwnKeypadEnter, 1);
    def(esc + "[Z", kOwnBackTab, 1);
}

void RestoreCursorShape() {
    if (term.shownShape >= 0) WriteRaw(term.linuxConsole ? "\033[?0c" : "\033[0 q");
    term.shownShape = -1;
}

void OnSignal(int sig) {
    if (term.active) {
        RestoreCursorShape();
        endwin();
        term.active = false;
    }
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void EndAtExit() {
    EndTerminal();
}

} // namespace

bool StartTerminal() {
    if (term.active) return true;
    if (!::isatty(STDIN_FILENO) || !::isatty(STDOUT_FILENO)) return false;
    // Wide characters need a UTF-8 character type; box characters do not show otherwise.
    std::setlocale(LC_ALL, "");
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) std::setlocale(LC_CTYPE, "C.UTF-8");
    if (!std::getenv("ESCDELAY")) set_escdelay(25);
    term.screen = newterm(nullptr, stdout, stdin); // unlike initscr, a failure returns
    if (!term.screen) return false;
    const char* type = std::getenv("TERM");
    term.linuxConsole = type && std::strncmp(type, "linux", 5) == 0;
    raw(); // Ctrl+C, Ctrl+V, Ctrl+S ... arrive as keys
    noecho();
    nonl(); // Enter arrives as 13
    keypad(stdscr, TRUE);
    nodelay(stdscr, TRUE);
    scrollok(stdscr, FALSE);
    leaveok(stdscr, FALSE);
    if (has_colors()) {
        start_color();
        if (COLORS >= 16 && COLOR_PAIRS > 256)
            term.colourMode = Terminal::kSixteen;
        else if (COLORS >= 8 && COLOR_PAIRS >= 64)
            term.colourMode = Terminal::kEight;
    }
    // Releases are asked for too: without them ncurses blocks after a release report.
    mousemask(BUTTON1_PRESSED | BUTTON1_RELEASED | BUTTON2_PRESSED | BUTTON2_RELEASED |
                  BUTTON3_PRESSED | BUTTON3_RELEASED | BUTTON4_PRESSED | BUTTON5_PRESSED,
              nullptr);
    mouseinterval(0);
    SetMouseButtonCount(has_mouse() ? 3 : 0); // the terminal cannot tell how many: 3
    DefineOwnKeys();
    term.active = true;
    term.suspended = false;
    term.pairReady.fill(false);
    term.shownShape = -1;
    term.repaintAll = true;

    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGTERM, SIGHUP, SIGINT, SIGQUIT})
        sigaction(sig, &sa, nullptr);
    static bool registered = false;
    if (!registered) {
        std::atexit(EndAtExit);
        registered = true;
    }
    SetConsoleBackend(&kBackend);
    clear();
    CheckSize();
    return true;
}

void EndTerminal() {
    if (!term.active) return;
    SetConsoleBackend(nullptr);
    SetMouseButtonCount(3);
    if (!term.suspended) {
        RestoreCursorShape();
        curs_set(1);
        endwin();
    }
    delscreen(term.screen);
    term.screen = nullptr;
    term.active = false;
    term.suspended = false;
    for (int sig : {SIGTERM, SIGHUP, SIGINT, SIGQUIT})
        std::signal(sig, SIG_DFL);
}

bool TerminalActive() {
    return term.active;
}

void SuspendTerminal() {
    if (!term.active || term.suspended) return;
    Flush();
    RestoreCursorShape();
    def_prog_mode();
    endwin();
    term.suspended = true;
}

void ResumeTerminal() {
    if (!term.active || !term.suspended) return;
    term.suspended = false;
    reset_prog_mode();
    clearok(curscr, TRUE);
    term.repaintAll = true;
    // The terminal may have been resized meanwhile.
    CheckSize();
}

} // namespace platform
