// The window stack: every pop-up saves the screen area it covers, the cursor and the enclosing
// window in the stack file WinPush.tmp of the work directory, and puts them back when it
// closes. Window-relative cursor placement, frames and interior bounds of the current window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace screen {

// A window rectangle in screen coordinates, frame included; all 0 for "no window".
struct WindowRect {
    int16_t top = 0, left = 0, bottom = 0, right = 0;
};

// One push of this program, as remembered in memory beside its record in the file.
struct PushEntry {
    bool refused = false; // the rectangle was outside the screen: nothing was saved
    bool saved = false;   // the record reached the stack file
    WindowRect rect;      // the window pushed
    WindowRect enclosing; // the window that was current before
};

struct WindowStack {
    int16_t depth = 0;             // windows pushed by this program and not yet popped
    WindowRect current;            // the innermost open window
    std::vector<PushEntry> pushes; // this program's pushes, refused ones included, oldest first
};

// The window state of this program; its depth starts at 0 whatever the file holds.
inline WindowStack Windows;

// The stack file: WinPush.tmp in the session's work directory.
std::string WindowStackPath();

// Saves the cells of the rectangle, the cursor and the current window, and makes the
// rectangle the current window. A corner outside the console saves nothing and changes
// nothing; the pop that pairs with such a push does nothing either.
void PushWindow(int16_t top, int16_t left, int16_t bottom, int16_t right);
// Puts back the cells, the enclosing window and the cursor of this program's last push. A
// stack file that cannot be trusted (missing, cut short, garbage) is removed and counts as
// empty: nothing is drawn, and the enclosing window comes back all the same. Records below
// this program's own (those of the program that started it) are never touched.
void PopWindow();
// Places the cursor relative to the current window: (1, 1) is its first interior cell. With
// no window open, screen coordinates.
void PlaceCursor(int16_t row, int16_t column);
// Draws the current window's frame in the current colour and blanks its interior: style 0
// blanks, 1 single line, 2 double line. Nothing with no window open.
void DrawFrame(int16_t style);
int16_t InteriorTop();
int16_t InteriorLeft();
int16_t InteriorRight();

// Tests: no window open, no pushes remembered (the file is left alone).
void ResetWindowsForTests();

} // namespace screen
