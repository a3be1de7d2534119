// The calculator over arbitrary ARXCALC.TMP contents. It is opened on the headless console
// with the input as its state file; once it has drawn itself it must cover one 26-column strip
// within the screen and nothing else, and it is closed at once (F when the input's first
// byte is odd, then Esc). Afterwards the screen, colours, windows and key table are as they were,
// and the file it wrote holds only finite numbers and reads back to itself. The input's last
// bytes are then pressed as keys on the state read: no key may leave a value that is not a
// number.
#include "app/session.h"
#include "forms/editor.h"
#include "platform/console.h"
#include "popups/calculator.h"
#include "popups/popups.h"
#include "screen/colours.h"
#include "screen/windows.h"

#include <cmath>
#include "fuzz_workdir.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string WorkDir() { return fuzzsupport::WorkDir("calcstate"); }

std::vector<platform::Cell> Screen() {
    std::vector<platform::Cell> cells;
    for (int16_t r = 1; r <= 25; ++r)
        for (int16_t c = 1; c <= 80; ++c)
            cells.push_back(platform::ReadCell(r, c));
    return cells;
}

bool Same(const platform::Cell& a, const platform::Cell& b) {
    return a.character == b.character && a.attribute == b.attribute;
}

std::vector<platform::Cell> before;
bool closeWithF = false;

// Called when the calculator waits for a key: checks what it drew, then closes it.
void LookAndClose() {
    const std::vector<platform::Cell> now = Screen();
    int16_t left = 81, right = 0;
    for (int16_t r = 1; r <= 25; ++r)
        for (int16_t c = 1; c <= 80; ++c)
            if (!Same(now[static_cast<size_t>((r - 1) * 80 + c - 1)],
                      before[static_cast<size_t>((r - 1) * 80 + c - 1)])) {
                left = std::min(left, c);
                right = std::max(right, c);
            }
    // The bottom rows are always drawn, so the strip is always seen.
    if (right - left + 1 != popups::kCalculatorWidth) std::abort();
    // F is refused (with a beep) when the value cannot be given in hundredths: Esc follows.
    if (closeWithF) platform::InjectInput(platform::CharacterEvent('F'));
    platform::InjectInput(platform::CharacterEvent(27));
    platform::SetIdleHandler(nullptr);
}

bool Finite(const popups::CalculatorState& s) {
    if (!std::isfinite(s.value) || !std::isfinite(s.total)) return false;
    for (const popups::TapeLine& t : s.tape)
        if (!std::isfinite(t.value)) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string dir = WorkDir();
    app::SessionSettings.workDir = dir;
    app::SessionSettings.terminalDir = dir;
    app::SessionSettings.colours = app::ParseColourText(app::kDefaultColourText);
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string path = dir + "ARXCALC.TMP";
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(input.data(), input.size());

    platform::ResetConsoleForTests();
    screen::ResetColoursForTests();
    screen::ResetWindowsForTests();
    forms::ResetEditorForTests();
    for (int16_t r = 1; r <= 25; ++r) {
        platform::SetCursorPosition(r, 1);
        platform::SetAttribute(static_cast<int16_t>(r % 15 + 1), 0);
        platform::WriteText(std::string(80, static_cast<char>('A' + r)));
    }
    platform::SetCursorPosition(3, 4);
    before = Screen();
    closeWithF = size > 0 && (data[0] & 1);

    platform::SetIdleHandler(LookAndClose);
    popups::RunCalculator();
    platform::SetIdleHandler(nullptr);

    const std::vector<platform::Cell> after = Screen();
    for (size_t i = 0; i < after.size(); ++i)
        if (!Same(after[i], before[i])) std::abort();
    if (platform::CursorRow() != 3 || platform::CursorColumn() != 4) std::abort();
    if (screen::Windows.depth != 0 || !screen::ColourStack.empty() ||
        !forms::KeyTable.saves.empty())
        std::abort();

    std::ifstream in(path, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    popups::CalculatorState s = popups::ParseCalculatorState(written);
    if (!Finite(s) || popups::CalculatorStateText(s) != written) std::abort();

    // The last bytes as keys on the state read from the input.
    s = popups::ParseCalculatorState(input);
    const size_t keys = std::min<size_t>(size, 24);
    for (size_t i = size - keys; i < size; ++i) {
        popups::ApplyCalculatorKey(s, static_cast<screen::KeyCode>(data[i]));
        if (!Finite(s) || s.column < 1 || s.column > popups::kLastCalculatorColumn ||
            s.firstLine < 2 || s.firstLine > popups::kTapeLines + 1)
            std::abort();
        std::string result;
        popups::CalculatorResult(s, result);
    }
    std::filesystem::remove(path);
    return 0;
}
