// PopWindow (and PushWindow) over arbitrary WinPush.tmp contents. The first four bytes choose
// the window pushed (outside the screen too); the rest is the stack file. The window state must
// come back balanced, the cursor on the screen, and nothing may be read or written outside the
// grid or the file.
#include "app/session.h"
#include "platform/console.h"
#include "screen/colours.h"
#include "screen/windows.h"

#include "fuzz_workdir.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string WorkDir() { return fuzzsupport::WorkDir("popwindow"); }

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
}

void CheckBalanced() {
    if (screen::Windows.depth != 0 || !screen::Windows.pushes.empty() ||
        screen::Windows.current.top != 0)
        std::abort();
    const int16_t row = platform::CursorRow(), column = platform::CursorColumn();
    if (row < 1 || row > 25 || column < 1 || column > 80) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    app::SessionSettings.workDir = WorkDir();
    app::SessionSettings.colours = app::ParseColourText(app::kDefaultColourText);
    const std::string path = screen::WindowStackPath();
    uint8_t rect[4] = {3, 3, 6, 9};
    for (size_t i = 0; i < 4 && i < size; ++i)
        rect[i] = data[i];
    const uint8_t* payload = size > 4 ? data + 4 : data;
    const size_t payloadSize = size > 4 ? size - 4 : 0;
    const int16_t top = rect[0] % 28, left = rect[1] % 84, bottom = rect[2] % 28,
                  right = rect[3] % 84;

    // A pop over whatever the file holds.
    screen::ResetWindowsForTests();
    std::filesystem::remove(path);
    screen::PushWindow(top, left, bottom, right);
    screen::DrawFrame(2);
    WriteFile(path, payload, payloadSize);
    screen::PopWindow();
    screen::PushWindow(2, 2, 5, 5); // the screen stays usable
    screen::DrawFrame(1);
    screen::PopWindow();
    CheckBalanced();

    // A push on top of whatever the file holds, then its pop.
    screen::ResetWindowsForTests();
    WriteFile(path, payload, payloadSize);
    screen::PushWindow(top, left, bottom, right);
    screen::PushWindow(1, 1, 25, 80);
    screen::PopWindow();
    screen::PopWindow();
    CheckBalanced();
    std::filesystem::remove(path);
    return 0;
}
