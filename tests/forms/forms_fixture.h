// A headless console, a fresh installation directory and session, and the editor's state
// reset; keys are queued before the code under test runs, and a read past the last queued key
// fails the test instead of waiting for ever.
#pragma once

#include "app/session.h"
#include "forms/editor.h"
#include "forms/formdef.h"
#include "platform/console.h"
#include "platform/system.h"
#include "screen/colours.h"
#include "screen/keys.h"
#include "screen/windows.h"
#include "support/tempdir.h"
#include "text/calendar.h"
#include "text/dateformat.h"
#include "text/numberformat.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

namespace formstest {

struct InputRanOut : std::runtime_error {
    InputRanOut() : std::runtime_error("the code under test read past the queued keys") {}
};

inline void NoMoreInput() {
    throw InputRanOut();
}

// A key as the console delivers it: characters by their code, extended keys by scan code
// times 256 (forms::kKey... and screen::kKey... constants).
inline platform::InputEvent Key(screen::KeyCode code, uint16_t modifiers = 0) {
    if (code > 0 && code < 256)
        return platform::CharacterEvent(static_cast<uint8_t>(code), modifiers);
    return platform::ExtendedKeyEvent(static_cast<uint8_t>(static_cast<uint16_t>(code) >> 8),
                                      modifiers);
}
inline platform::InputEvent Click(int16_t row, int16_t column) {
    return platform::MousePressEvent(platform::kLeftButton, row, column);
}

class FormsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::ResetConsoleForTests();
        platform::SetTerminalDirectory("");
        platform::SetInsertToggle(true);
        platform::SetClipboardText("");
        platform::SetTodayForTests({2024, 3, 20});
        screen::ResetColoursForTests();
        screen::ResetWindowsForTests();
        forms::ResetEditorForTests();
        text::ForgetDateSettings();
        text::ForgetNumberSettings();
        app::SessionSettings = app::SessionRecord{};
        app::SessionSettings.rootDir = dir_.Path();
        app::SessionSettings.workDir = dir_.Path();
        app::SessionSettings.colours = app::ParseColourText(app::kDefaultColourText);
        app::SessionSettings.outputMode = "DOS";
        app::SessionSettings.language = "CAT";
        app::SessionSettings.programName = "ORBICADE";
        app::SessionSettings.title = " LLISTAT ";
        app::SessionSettings.workingDate = text::MakeDate(2024, 3, 15);
        forms::FormDefinition = forms::FormDefinitionRecord{};
        platform::SetIdleHandler(NoMoreInput);
    }
    void TearDown() override {
        platform::SetIdleHandler(nullptr);
        platform::SetTodayForTests({0, 0, 0});
        platform::ResetConsoleForTests();
        screen::ResetWindowsForTests();
        forms::ResetEditorForTests();
    }

    static void Queue(std::initializer_list<platform::InputEvent> events) {
        for (const platform::InputEvent& e : events)
            platform::InjectInput(e);
    }
    static void Type(std::string_view text) { platform::InjectText(text); }

    // The text of a screen row from a column, n characters.
    static std::string TextAt(int16_t row, int16_t column, size_t n) {
        return platform::RowText(row).substr(static_cast<size_t>(column - 1), n);
    }

    // Reads a definition from text (CR LF added to each line) without translation.
    static forms::FormFileError Read(const std::vector<std::string>& lines,
                                     forms::FormDefinitionRecord& def) {
        std::string bytes;
        for (const std::string& l : lines)
            bytes += l + "\r\n";
        forms::FormFileError error;
        forms::ReadFormDefinition(
            bytes, [](std::string_view t) { return std::string(t); }, def, error);
        return error;
    }

    testsupport::TempDir dir_;
};

} // namespace formstest

namespace formstest {

// A field for definitions built in a test: row, column, label, length; the rest by name.
inline forms::FieldRecord MakeField(int16_t row, int16_t column, std::string label, int16_t length,
                                    int16_t type = 0, int16_t flags = 0) {
    forms::FieldRecord f;
    f.row = row;
    f.column = column;
    f.label = std::move(label);
    f.length = length;
    f.type = type;
    f.flags = flags;
    f.value.assign(static_cast<size_t>(length), ' ');
    return f;
}

// Puts a form with these fields into FormDefinition as form number n (forms before it are
// left empty).
inline forms::FormRecord& PutForm(int16_t n, std::vector<forms::FieldRecord> fields,
                                  std::string keys = "d,1b,4800,5000,4900,5100,2,3e00") {
    auto& forms_ = forms::FormDefinition.forms;
    if (forms_.size() <= static_cast<size_t>(n)) forms_.resize(static_cast<size_t>(n) + 1);
    forms::FormRecord& form = forms_[static_cast<size_t>(n)];
    form = forms::FormRecord{};
    form.keys = std::move(keys);
    form.fieldCount = static_cast<int16_t>(fields.size());
    form.fields.push_back({});
    for (auto& f : fields)
        form.fields.push_back(std::move(f));
    if (forms::FormDefinition.maxFields < form.fieldCount)
        forms::FormDefinition.maxFields = form.fieldCount;
    return form;
}

} // namespace formstest
