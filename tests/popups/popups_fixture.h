// The pop-ups on the headless console: the forms fixture (session, colours, windows, key
// reader, a read past the queued keys fails the test) with the terminal directory in the
// scratch directory, where the calculator keeps ARXCALC.TMP.
#pragma once

#include "forms/forms_fixture.h"
#include "popups/calculator.h"
#include "popups/popups.h"

#include <string>
#include <vector>

namespace popupstest {

using formstest::Key;

class PopupsTest : public formstest::FormsTest {
  protected:
    void SetUp() override {
        FormsTest::SetUp();
        app::SessionSettings.terminalDir = dir_.Path();
    }

    // The whole screen, characters and attributes.
    static std::vector<platform::Cell> Screen() {
        std::vector<platform::Cell> cells;
        for (int16_t r = 1; r <= 25; ++r)
            for (int16_t c = 1; c <= 80; ++c)
                cells.push_back(platform::ReadCell(r, c));
        return cells;
    }

    // Fills the screen with a pattern of characters and attributes that no pop-up draws.
    static void FillScreen() {
        for (int16_t r = 1; r <= 25; ++r) {
            platform::SetAttribute(static_cast<int16_t>(r % 7 + 1), 0);
            platform::SetCursorPosition(r, 1);
            std::string row;
            for (int c = 0; c < 80; ++c)
                row += static_cast<char>('a' + (r + c) % 26);
            platform::WriteText(row);
        }
        platform::SetCursorPosition(5, 10);
    }

    static bool SameScreen(const std::vector<platform::Cell>& a,
                           const std::vector<platform::Cell>& b) {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (a[i].character != b[i].character || a[i].attribute != b[i].attribute) return false;
        return true;
    }

    // Events for a text of calculator keys: each character as typed.
    static void TypeKeys(std::string_view keys) {
        for (char c : keys)
            platform::InjectInput(Key(static_cast<uint8_t>(c)));
    }
};

} // namespace popupstest
