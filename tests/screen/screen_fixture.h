// A headless console with the default colours and a fresh work directory for the window stack.
#pragma once

#include "app/session.h"
#include "platform/console.h"
#include "screen/colours.h"
#include "screen/windows.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

class ScreenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/orb-screen-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        platform::ResetConsoleForTests();
        screen::ResetColoursForTests();
        screen::ResetWindowsForTests();
        app::SessionSettings = app::SessionRecord{};
        app::SessionSettings.workDir = dir_ + "/";
        app::SessionSettings.colours = app::ParseColourText(app::kDefaultColourText);
        app::SessionSettings.outputMode = "DOS";
    }
    void TearDown() override {
        platform::ResetConsoleForTests();
        std::filesystem::remove_all(dir_);
    }

    std::string StackFile() const { return dir_ + "/WinPush.tmp"; }
    bool StackFileExists() const { return std::filesystem::exists(StackFile()); }

    // Every cell of the grid, for before/after comparisons.
    static std::vector<platform::Cell> Snapshot() {
        std::vector<platform::Cell> cells;
        for (int16_t r = 1; r <= platform::kConsoleRows; ++r)
            for (int16_t c = 1; c <= platform::kConsoleColumns; ++c)
                cells.push_back(platform::ReadCell(r, c));
        return cells;
    }
    static bool SameCells(const std::vector<platform::Cell>& a,
                          const std::vector<platform::Cell>& b) {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (a[i].character != b[i].character || a[i].attribute != b[i].attribute) return false;
        return true;
    }
    // Fills the screen with a pattern of characters and attributes, so that any cell put back
    // wrongly shows.
    static void FillPattern() {
        for (int16_t r = 1; r <= platform::kConsoleRows; ++r) {
            for (int16_t c = 1; c <= platform::kConsoleColumns; ++c) {
                platform::SetAttribute((r + c) % 16, (r * 3 + c) % 16);
                platform::SetCursorPosition(r, c);
                const char ch = static_cast<char>('!' + (r * 7 + c) % 90);
                platform::WriteText(std::string_view(&ch, 1));
            }
        }
    }
    // The text of a row from a column, n characters.
    static std::string TextAt(int16_t row, int16_t column, size_t n) {
        return platform::RowText(row).substr(static_cast<size_t>(column - 1), n);
    }

    std::string dir_;
};
