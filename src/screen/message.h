// The message box, and the word-wrapping paragraph formatter it lays its text out with.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace screen {

// Shows the text in a single-line box in the reverse colour, centred on the screen and placed
// near the row. The box stays open: the caller removes it with PopWindow once. An empty text
// opens nothing, but its pop is still owed and does nothing; a text longer than the screen
// shows the lines that fit.
void ShowMessage(int16_t row, std::string_view text);

// Lays the text out in lines of the width: indent q > 0 indents the first line, q < 0 every
// later line; control characters (below 32) take no room. Each line is aligned by the code:
// "E" "L" "I" left with blanks, "N" left with "-", "D" "R" right, "C" centred, "A" "B"
// justified; any other code leaves the lines as cut. The text becomes the lines joined.
void FormatParagraph(std::string& text, int16_t indent, int16_t width, std::string_view alignment);

// The same layout, as the list of lines.
std::vector<std::string> FormatParagraphLines(std::string_view text, int16_t indent, int16_t width,
                                              std::string_view alignment);

} // namespace screen

namespace screen {

// Drops the keys typed before, then waits for one key press (mouse events do not count).
void WaitForKeyPress();

// A message the operator must acknowledge: the box with a beep, a key press, the box removed.
void ShowMessageUntilKey(int16_t row, std::string_view text);

} // namespace screen
