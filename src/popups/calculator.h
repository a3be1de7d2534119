// The adding machine behind Alt+X: its state (kept between uses in ARXCALC.TMP of the
// terminal directory), the keys that change it, the paper tape, the display pictures and the
// text it hands back in hundredths.
#pragma once

#include "screen/keys.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace popups {

inline constexpr int16_t kTapeLines = 22;
// The calculator is 26 columns wide; its left column wraps between 1 and 55.
inline constexpr int16_t kCalculatorWidth = 26;
inline constexpr int16_t kLastCalculatorColumn = 80 - kCalculatorWidth + 1;

struct TapeLine {
    double value = 0;
    int16_t point = 0;    // -1: shown with a decimal point
    int16_t decimals = 0; // decimals shown
    std::string marker;   // the key that recorded the line, blank for a result, empty unused
};

struct CalculatorState {
    int16_t column = 1;     // left column on the screen, 1..55
    int16_t firstLine = 23; // tape lines firstLine..22 are shown; 23 shows none
    double value = 0;       // V: the number being typed or shown
    double total = 0;       // T: the running result
    int16_t clearArmed = -1;
    int16_t typing = 0;
    int16_t point = 0;
    int16_t decimals = 0;
    std::string lastKey;                         // O
    std::string pending;                         // P: "+", "-", "*", "/" or empty
    std::array<TapeLine, kTapeLines + 1> tape{}; // 1..22, 22 the newest; [0] unused
};

// The state as the file holds it, read value by value whatever the line breaks: a value that
// is missing, unreadable, not finite or out of range keeps its start value. Only the first
// kMaxStateBytes of the text are looked at.
inline constexpr size_t kMaxStateBytes = 64 * 1024;
CalculatorState ParseCalculatorState(std::string_view text);

// The file text of a state: 25 lines ending with CR LF.
std::string CalculatorStateText(const CalculatorState& state);

// ARXCALC.TMP in the session's terminal directory.
std::string CalculatorStatePath();

// The 22-character picture a value is shown through, by its point flag and decimals.
std::string DisplayPicture(int16_t point, int16_t decimals);

// What a key did to the state.
enum class CalculatorAction : uint8_t {
    None,    // nothing changed, or only V and the tape: redraw in place
    Moved,   // the column changed or the tape was hidden: the window is put back and redrawn
    Refused, // the result would not be a finite number: the state is as it was, beep
    Finish,  // F or Alt+F: leave with the result text
    Cancel,  // Esc: leave with the empty text
};

// Applies one key code as the key reader gives it (characters below 256 in absolute value,
// key codes above) to the state.
CalculatorAction ApplyCalculatorKey(CalculatorState& state, screen::KeyCode key);

// The value handed to the field, in hundredths and without sign (12.5 gives "1250"): V while
// typing, otherwise T. False when that many digits cannot be formed (a value beyond the range
// of the arithmetic once scaled).
bool CalculatorResult(const CalculatorState& state, std::string& result);

} // namespace popups
