// Text colours chosen by short colour codes from the session's colour table, with a stack so
// that a pop-up puts back the colour it found; the console size; scrolling a rectangle.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace screen {

// Index 0..4 into the session's ColourTable: 0 highlight, 1 normal, 2 reverse, 3 normal and
// reverse, 4 underline.
using ColourIndex = int16_t;

// The current colour index (0 at start) and the stack of indexes pushed by "+" codes.
inline ColourIndex CurrentColourIndex = 0;
inline std::vector<ColourIndex> ColourStack;

// Selects a colour by its code, read without regard to case: "+" pushes the current index;
// "-" pops one (index 0 when the stack is empty); otherwise "U" selects 4, else "N" adds 1
// and "R" adds 2. An empty or blank code changes nothing.
void SetColour(std::string_view code);

// The size of the visible console, asked of the console on every call.
int16_t ConsoleWidth();
int16_t ConsoleHeight();

// Moves the content of rows top..bottom, columns left..right (inclusive, from 1) up by lines
// (down when negative); the vacant rows become blanks in the current colour.
void ScrollArea(int16_t top, int16_t left, int16_t bottom, int16_t right, int16_t lines);

// Tests: index 0 and an empty stack.
void ResetColoursForTests();

} // namespace screen
