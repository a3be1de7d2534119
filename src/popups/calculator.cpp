// The pop-up adding machine: a 26-column strip at the bottom of the screen with the value row,
// above it a paper tape of the last entries that grows upward, moved along the screen with
// Left and Right. Its whole state is written to ARXCALC.TMP on leaving and read back on the
// next opening, from this program or another one of the same terminal.
#include "popups/calculator.h"

#include "app/session.h"
#include "forms/editor.h"
#include "platform/console.h"
#include "platform/system.h"
#include "popups/popups.h"
#include "screen/colours.h"
#include "screen/windows.h"
#include "text/numberformat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <vector>

namespace popups {

namespace {

using screen::KeyCode;

constexpr int16_t kMaxDecimals = 15; // significant digits the calculator keeps
constexpr size_t kStateValues = 10 + 4 * kTapeLines;

// Exact powers of ten for the decimals the calculator deals with.
double PowerOfTen(int n) {
    static const double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                     1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                     1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (n >= 0 && n <= 22) return kPowers[n];
    return std::pow(10.0, n);
}

// ---- The state file ----

// A value as written: blanks around it do not count; a value in double quotes is the text
// between them, blanks included.
std::string ValueOf(std::string_view raw) {
    const size_t a = raw.find_first_not_of(" \t");
    if (a == std::string_view::npos) return {};
    raw = raw.substr(a, raw.find_last_not_of(" \t") - a + 1);
    if (raw.front() != '"') return std::string(raw);
    raw.remove_prefix(1);
    return std::string(raw.substr(0, raw.find('"')));
}

// The values of the file in order, each line split at commas outside double quotes. A line
// holding nothing is no value.
std::vector<std::string> StateValues(std::string_view text) {
    std::vector<std::string> values;
    if (text.size() > kMaxStateBytes) text = text.substr(0, kMaxStateBytes);
    size_t p = 0;
    while (p < text.size() && values.size() < kStateValues) {
        size_t end = text.find_first_of("\r\n", p);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(p, end - p);
        p = end + 1;
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        bool quoted = false;
        size_t start = 0;
        for (size_t i = 0; i <= line.size() && values.size() < kStateValues; ++i) {
            if (i < line.size() && line[i] == '"') quoted = !quoted;
            if (i == line.size() || (line[i] == ',' && !quoted)) {
                values.push_back(ValueOf(line.substr(start, i - start)));
                start = i + 1;
            }
        }
    }
    return values;
}

// A number written in decimal ("." as the point, an optional sign, an exponent allowed); false
// for anything else, and for values that are not finite.
bool ReadNumber(const std::string& text, double& value) {
    std::string_view s(text);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    double v = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (error != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return false;
    value = v;
    return true;
}

// A whole number within [low, high]; otherwise the item keeps what it holds.
void ReadWhole(const std::string& text, int16_t low, int16_t high, int16_t& item) {
    double v;
    if (ReadNumber(text, v) && v == std::trunc(v) && v >= low && v <= high)
        item = static_cast<int16_t>(v);
}

void ReadFlag(const std::string& text, int16_t& item) {
    ReadWhole(text, -1, 0, item);
}

void ReadValue(const std::string& text, double& item) {
    double v;
    if (ReadNumber(text, v)) item = v == 0 ? 0 : v;
}

// A one-character text among the allowed ones (the empty text is always allowed).
void ReadText(const std::string& text, std::string_view allowed, std::string& item) {
    if (text.empty() || (text.size() == 1 && allowed.find(text[0]) != std::string_view::npos))
        item = text;
}

std::string NumberText(double v) {
    if (v == 0) return "0";
    char buffer[64];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 15);
    return error == std::errc() ? std::string(buffer, end) : std::string("0");
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// ---- Arithmetic ----

// V brought to at most 15 significant digits and shown with the decimals it needs.
void NormaliseValue(CalculatorState& s) {
    const double magnitude = std::fabs(s.value);
    int n = 0; // digits before the point
    if (magnitude >= 1) {
        char buffer[400];
        n = std::snprintf(buffer, sizeof buffer, "%.0f", std::trunc(magnitude));
    }
    double x = s.value;
    int decimals = 0;
    while (x != std::trunc(x) && decimals + n < kMaxDecimals) {
        x *= 10;
        ++decimals;
    }
    x = std::round(x);
    while (decimals > 0 && std::fmod(x, 10.0) == 0) {
        x /= 10;
        --decimals;
    }
    s.value = x == 0 ? 0 : x / PowerOfTen(decimals);
    s.point = decimals > 0 ? -1 : 0;
    s.decimals = static_cast<int16_t>(decimals);
}

void RecordOnTape(CalculatorState& s, std::string marker) {
    if (s.firstLine > 2) --s.firstLine;
    for (int i = 1; i < kTapeLines; ++i)
        s.tape[i] = s.tape[i + 1];
    s.tape[kTapeLines] = {s.value, s.point, s.decimals, std::move(marker)};
}

// Whole cents, halves to the even cent; negative values are cut toward zero.
void RoundToCents(CalculatorState& s) {
    const double hundreds = 100 * s.value;
    const double fraction = hundreds - std::trunc(hundreds);
    double v = std::trunc(hundreds);
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(v, 2.0) != 0)) v += 1;
    s.value = v / 100;
    // R while an operand is being typed for a pending operator rounds the operand only.
    if (!s.typing || s.pending.empty()) s.total = s.value;
    s.point = -1;
    s.decimals = 2;
    RecordOnTape(s, "R");
}

void OperatorStep(CalculatorState& s, char key) {
    s.lastKey = std::string(1, key);
    switch (key) {
    case 'C':
        if (s.typing) {
            // The typed number is dropped and the running result shown again, with its decimals.
            s.typing = 0;
            s.value = s.total;
            NormaliseValue(s);
            s.lastKey = s.pending;
        } else if (s.clearArmed == 0) {
            s.value = s.total = 0;
            s.point = s.decimals = 0;
            s.lastKey.clear();
            s.pending.clear();
            s.clearArmed = -1;
        } else {
            s.firstLine = kTapeLines + 1; // the tape lines stay, out of view
            s.clearArmed = -1;
        }
        break;
    case 'R':
        RoundToCents(s);
        break;
    case '%':
        RecordOnTape(s, "%");
        s.value = (s.pending == "+" || s.pending == "-") ? s.total / 100 * s.value : s.value / 100;
        NormaliseValue(s);
        break;
    default: // + - * / =
        if (s.pending == "+")
            s.total += s.value;
        else if (s.pending == "-")
            s.total -= s.value;
        else if (s.pending == "*")
            s.total *= s.value;
        else if (s.pending == "/")
            s.total /= s.value;
        else
            s.total = s.value;
        RecordOnTape(s, s.lastKey);
        s.value = s.total;
        NormaliseValue(s);
        if (key == '=') {
            RecordOnTape(s, " ");
            s.lastKey.clear();
        }
        s.typing = 0;
        s.clearArmed = 0;
        s.pending = s.lastKey;
        break;
    }
}

// A digit typed: it extends the number the operator sees, whatever its sign.
bool TypeDigit(CalculatorState& s, int digit) {
    if (!s.typing) {
        s.value = 0;
        s.point = s.decimals = 0;
    }
    const double sign = std::signbit(s.value) ? -1 : 1;
    if (!s.point) {
        s.value = s.value * 10 + sign * digit;
    } else {
        if (s.decimals >= kMaxDecimals) return false;
        ++s.decimals;
        s.value += sign * digit / PowerOfTen(s.decimals);
    }
    s.typing = -1;
    return true;
}

void RubOut(CalculatorState& s) {
    if (!s.point) {
        s.value = std::trunc(s.value / 10);
    } else if (--s.decimals < 0) {
        s.point = s.decimals = 0;
    } else {
        // A typed 0.29 is 28.999... hundredths in binary: a whole number within a rounding
        // error counts as that number before the last digit is dropped.
        double x = s.value * PowerOfTen(s.decimals);
        const double nearest = std::round(x);
        if (std::fabs(x - nearest) <= 1e-9 * std::fmax(1.0, std::fabs(x))) x = nearest;
        s.value = std::trunc(x) / PowerOfTen(s.decimals);
    }
    if (s.value == 0) {
        s.value = 0;
        s.typing = 0;
    }
}

// ---- Drawing ----

std::string Rule(const char* left, const char* right) {
    return left + std::string(kCalculatorWidth - 2, '\xC4') + right;
}

void WriteAt(int16_t row, int16_t column, const std::string& text) {
    platform::SetCursorPosition(row, column);
    platform::WriteText(text);
}

void DrawValueRow(const CalculatorState& s) {
    WriteAt(24, s.column,
            "\xB3" + text::FormatNumber(DisplayPicture(s.point, s.decimals), s.value) + "  \xB3");
}

void DrawCalculator(const CalculatorState& s) {
    const bool tapeShown = s.firstLine <= kTapeLines;
    if (tapeShown) WriteAt(static_cast<int16_t>(s.firstLine - 1), s.column, Rule("\xDA", "\xBF"));
    for (int16_t i = s.firstLine; i <= kTapeLines; ++i) {
        const TapeLine& line = s.tape[i];
        WriteAt(i, s.column,
                "\xB3" + text::FormatNumber(DisplayPicture(line.point, line.decimals), line.value) +
                    " " + (line.marker.empty() ? std::string(" ") : line.marker.substr(0, 1)) +
                    "\xB3");
    }
    WriteAt(23, s.column, tapeShown ? Rule("\xC3", "\xB4") : Rule("\xDA", "\xBF"));
    DrawValueRow(s);
    WriteAt(25, s.column, Rule("\xC0", "\xD9"));
}

void PushCalculator(const CalculatorState& s) {
    screen::PushWindow(1, s.column, 25, static_cast<int16_t>(s.column + kCalculatorWidth - 1));
}

std::string ReadStateFile() {
    std::string text;
    if (platform::FileHandle f = platform::OpenOrCreate(CalculatorStatePath())) {
        text.resize(kMaxStateBytes);
        text.resize(std::fread(text.data(), 1, text.size(), f.get()));
    }
    return text;
}

void WriteStateFile(const CalculatorState& s) {
    const std::string text = CalculatorStateText(s);
    if (platform::FileHandle f = platform::OpenCreate(CalculatorStatePath()))
        std::fwrite(text.data(), 1, text.size(), f.get());
}

} // namespace

CalculatorState ParseCalculatorState(std::string_view text) {
    CalculatorState s;
    const std::vector<std::string> v = StateValues(text);
    auto at = [&](size_t i) { return i < v.size() ? v[i] : std::string(); };
    if (v.empty()) return s;
    ReadWhole(at(0), 1, kLastCalculatorColumn, s.column);
    ReadWhole(at(1), 2, kTapeLines + 1, s.firstLine);
    ReadValue(at(2), s.value);
    ReadValue(at(3), s.total);
    ReadFlag(at(4), s.clearArmed);
    ReadFlag(at(5), s.typing);
    ReadFlag(at(6), s.point);
    ReadWhole(at(7), 0, kMaxDecimals, s.decimals);
    ReadText(at(8), "+-*/=%RC", s.lastKey);
    ReadText(at(9), "+-*/", s.pending);
    for (int i = 1; i <= kTapeLines; ++i) {
        const size_t g = 10 + 4 * static_cast<size_t>(i - 1);
        if (g >= v.size()) break;
        TapeLine& line = s.tape[i];
        ReadValue(at(g), line.value);
        ReadFlag(at(g + 1), line.point);
        ReadWhole(at(g + 2), 0, kMaxDecimals, line.decimals);
        ReadText(at(g + 3), "+-*/=%R ", line.marker);
    }
    return s;
}

std::string CalculatorStateText(const CalculatorState& s) {
    std::string out;
    auto line = [&out](std::initializer_list<std::string> values) {
        bool first = true;
        for (const std::string& value : values) {
            if (!first) out += ',';
            out += value;
            first = false;
        }
        out += "\r\n";
    };
    line({NumberText(s.column), NumberText(s.firstLine), NumberText(s.value), NumberText(s.total)});
    line({NumberText(s.clearArmed ? -1 : 0), NumberText(s.typing ? -1 : 0),
          NumberText(s.point ? -1 : 0), NumberText(s.decimals)});
    line({Quoted(s.lastKey), Quoted(s.pending)});
    for (int i = 1; i <= kTapeLines; ++i) {
        const TapeLine& t = s.tape[i];
        line({NumberText(t.value), NumberText(t.point ? -1 : 0), NumberText(t.decimals),
              Quoted(t.marker)});
    }
    return out;
}

std::string CalculatorStatePath() {
    return app::SessionSettings.terminalDir + "ARXCALC.TMP";
}

std::string DisplayPicture(int16_t point, int16_t decimals) {
    std::string tail = "Z,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9";
    if (point) tail += '.';
    tail.append(static_cast<size_t>(std::max<int16_t>(decimals, 0)), '9');
    return "-" + tail.substr(tail.size() - 21);
}

CalculatorAction ApplyCalculatorKey(CalculatorState& state, KeyCode key) {
    const int code = key;
    int ch = -1; // the key's character in capitals, or -1 for a key code
    if (code > 0 && code <= 255) ch = (code >= 'a' && code <= 'z') ? code - 32 : code;

    if (ch == 'F' || code == screen::kKeyAltF) return CalculatorAction::Finish;
    if (ch == screen::kKeyEsc) return CalculatorAction::Cancel;

    CalculatorState s = state;
    if (ch >= '0' && ch <= '9') {
        if (!TypeDigit(s, ch - '0')) return CalculatorAction::Refused;
    } else if (ch == '.') {
        if (!s.typing) {
            s.value = 0;
            s.point = s.decimals = 0;
        }
        if (!s.point) {
            s.point = -1;
            s.decimals = 0;
        }
        s.typing = -1;
    } else if (ch == screen::kKeyBackspace) {
        RubOut(s);
    } else if (ch == '+' || ch == '-' || ch == '*' || ch == '/' || ch == '%' || ch == 'R' ||
               ch == 'C') {
        OperatorStep(s, static_cast<char>(ch));
    } else if (ch == '=' || ch == screen::kKeyEnter) {
        if (s.typing) OperatorStep(s, '=');
    } else if (ch == 'T') {
        s.value = -s.value;
    } else if (code == screen::kKeyLeft || code == screen::kKeyCtrlLeft) {
        s.column = s.column <= 1 ? kLastCalculatorColumn : static_cast<int16_t>(s.column - 1);
    } else if (code == screen::kKeyRight || code == screen::kKeyCtrlRight) {
        s.column = s.column >= kLastCalculatorColumn ? 1 : static_cast<int16_t>(s.column + 1);
    } else {
        return CalculatorAction::None;
    }
    // A result that is no number (5 / 0, an overflow) would stay in the file and in every later
    // use: the key is refused instead.
    if (!std::isfinite(s.value) || !std::isfinite(s.total)) return CalculatorAction::Refused;
    state = std::move(s);
    return CalculatorAction::None;
}

bool CalculatorResult(const CalculatorState& s, std::string& result) {
    const int e = std::max<int>(s.decimals, 2);
    const double x = std::round(PowerOfTen(e) * std::fabs(s.typing ? s.value : s.total));
    if (!std::isfinite(x)) return false;
    char buffer[400];
    std::string digits(buffer,
                       static_cast<size_t>(std::snprintf(buffer, sizeof buffer, "%.0f", x)));
    // At least the decimals beyond the hundredths, so that 0.0001 gives ".01".
    if (digits.size() < static_cast<size_t>(e - 2))
        digits.insert(0, static_cast<size_t>(e - 2) - digits.size(), '0');
    const size_t whole = digits.size() - static_cast<size_t>(e - 2);
    result = digits.substr(0, whole);
    if (e > 2) result += "." + digits.substr(whole);
    return true;
}

std::string RunCalculator() {
    forms::SetKeyTable("+e", "");
    screen::SetColour("+n");
    const bool cursorShown = platform::CursorVisible();
    platform::SetCursorSize(0);

    CalculatorState state = ParseCalculatorState(ReadStateFile());
    PushCalculator(state);
    DrawCalculator(state);

    std::string result;
    for (;;) {
        DrawValueRow(state);
        const KeyCode key = forms::ReadKeyOrClick();
        const CalculatorState before = state;
        const CalculatorAction action = ApplyCalculatorKey(state, key);
        if (action == CalculatorAction::Cancel) break;
        if (action == CalculatorAction::Finish) {
            if (CalculatorResult(state, result)) break;
            platform::Beep();
            continue;
        }
        if (action == CalculatorAction::Refused) {
            platform::Beep();
            continue;
        }
        // Moving, or hiding the tape, gives back what the old place covered.
        if (state.column != before.column || state.firstLine > before.firstLine) {
            screen::PopWindow();
            PushCalculator(state);
        }
        DrawCalculator(state);
    }

    screen::PopWindow();
    WriteStateFile(state);
    if (cursorShown) platform::SetCursorSize(-1);
    screen::SetColour("-");
    forms::SetKeyTable("-", "");
    return result;
}

} // namespace popups
