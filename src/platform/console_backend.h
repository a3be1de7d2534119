// What the console needs of a terminal backend, and what the backend reads of the console.
// Only the terminal backend includes this.
#pragma once

#include "platform/console.h"

#include <string_view>

namespace platform {

struct ConsoleBackend {
    // Sends the changed cells, the cursor and its shape to the terminal.
    void (*flush)();
    // Decodes the terminal's pending input into the input queue, waiting at most waitMs for
    // some to arrive (0: no wait).
    void (*readInput)(int waitMs);
    void (*beep)();
    // Offers a text (UTF-8) to the desktop clipboard.
    void (*offerClipboard)(std::string_view utf8);
};

// Installs the backend (null: headless).
void SetConsoleBackend(const ConsoleBackend* backend);

// The number of mouse buttons the console reports (3 until a backend says otherwise).
void SetMouseButtonCount(int16_t count);

// The grid, row by row, kConsoleRows x kConsoleColumns cells.
const Cell* ConsoleCells();

} // namespace platform
