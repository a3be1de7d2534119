#include "forms_fixture.h"

#include "forms/fields.h"
#include "forms/formloop.h"

using namespace formstest;
using screen::KeyCode;

namespace {

class FormLoopTest : public FormsTest {
  protected:
    // Form 3: A, a display-only B, C; no window, no continuation.
    void SetUp() override {
        FormsTest::SetUp();
        PutForm(3, {MakeField(2, 1, "A: ", 3), MakeField(3, 1, "B: ", 3, 0, forms::kDisplayOnly),
                    MakeField(4, 1, "C: ", 3)});
        forms::SetFieldValue(forms::Field(3, 2), "bbb");
    }
    static KeyCode Run(int16_t form, std::initializer_list<platform::InputEvent> keys) {
        Queue(keys);
        KeyCode key = 0;
        forms::RunForm(form, key);
        EXPECT_FALSE(platform::PeekInput()) << "keys left over";
        return key;
    }
    static std::string Value(int16_t form, int16_t field) {
        return forms::Field(form, field).value;
    }
};

TEST_F(FormLoopTest, Movement) {
    struct Case {
        const char* what;
        std::vector<platform::InputEvent> keys;
        KeyCode expected;
        const char* a;
        const char* c;
    };
    const platform::InputEvent enter = Key(13), esc = Key(27), down = Key(screen::kKeyDown),
                               up = Key(screen::kKeyUp);
    const Case cases[] = {
        {"Esc on the first field ends the form", {esc}, 27, "   ", "   "},
        {"Esc on a later field goes back to the first",
         {down, esc, Key('z'), enter, esc, esc},
         27,
         "z  ",
         "   "},
        {"Enter on the last field ends the form", {enter, Key('q'), enter}, 13, "   ", "q  "},
        {"Down on the last field stays", {down, down, Key('q'), enter}, 13, "   ", "q  "},
        {"Up and Down pass over the display-only field",
         {down, up, Key('u'), enter, enter},
         13,
         "u  ",
         "   "},
        {"Page Down and Page Up",
         {Key(screen::kKeyPgDn), Key('p'), Key(screen::kKeyPgUp), Key('a'), enter, esc, esc},
         27,
         "a  ",
         "p  "},
        {"Ctrl-B ends at once", {Key('k'), Key(2)}, 2, "k  ", "   "},
        {"F4 without a list visits the field again",
         {Key(screen::kKeyF4), Key('f'), Key(2)},
         2,
         "f  ",
         "   "},
        {"F1 drops what was typed", {Key('h'), Key(screen::kKeyF1), Key(2)}, 2, "   ", "   "},
        {"Tab moves on like Enter", {Key(9), Key('t'), Key(9)}, 13, "   ", "t  "},
    };
    for (const Case& c : cases) {
        PutForm(3,
                {MakeField(2, 1, "A: ", 3), MakeField(3, 1, "B: ", 3, 0, forms::kDisplayOnly),
                 MakeField(4, 1, "C: ", 3)},
                "d,1b,4800,5000,4900,5100,2,3e00,9");
        forms::SetFieldValue(forms::Field(3, 2), "bbb");
        for (const platform::InputEvent& e : c.keys)
            platform::InjectInput(e);
        const KeyCode key = Run(3, {});
        EXPECT_EQ(key, c.expected) << c.what;
        EXPECT_EQ(Value(3, 1), c.a) << c.what;
        EXPECT_EQ(Value(3, 3), c.c) << c.what;
        EXPECT_EQ(Value(3, 2), "bbb") << c.what;
        EXPECT_TRUE(forms::KeyTable.saves.empty()) << c.what;
        EXPECT_EQ(platform::BeepCount(), 0) << c.what;
    }
}

TEST_F(FormLoopTest, EnterReportedAsEndFinishesAtOnce) {
    PutForm(3, {MakeField(2, 1, "A: ", 3), MakeField(4, 1, "C: ", 3)}, "d,1b,4f00");
    EXPECT_EQ(Run(3, {Key('e'), Key(13)}), screen::kKeyEnd);
    EXPECT_EQ(Value(3, 1), "e  ");
}

TEST_F(FormLoopTest, StartBlankAndMasked) {
    PutForm(3, {MakeField(2, 1, "S: ", 3, 0, forms::kStartBlank),
                MakeField(3, 1, "M: ", 4, 0, forms::kMasked), MakeField(4, 1, "T: ", 3)});
    forms::SetFieldValue(forms::Field(3, 1), "abc");
    forms::SetFieldValue(forms::Field(3, 2), "pw");
    // Left blank: the stored values stay; the masked value is not drawn with the form.
    static bool checked;
    checked = false;
    forms::CalculatorPopup = [] {
        // While the masked field is edited it shows one X per position.
        EXPECT_EQ(platform::RowText(3).substr(3, 5), "XXXX ");
        checked = true;
        return std::string();
    };
    EXPECT_EQ(
        Run(3, {Key(13), Key(screen::kKeyAltX, platform::kLeftAlt), Key(13), Key(27), Key(27)}),
        27);
    EXPECT_TRUE(checked);
    EXPECT_EQ(Value(3, 1), "abc");
    EXPECT_EQ(Value(3, 2), "pw  ");
    EXPECT_EQ(TextAt(2, 4, 3), "abc");
    // Typed values replace them; the masked one is never shown in clear.
    EXPECT_EQ(Run(3, {Key('x'), Key(13), Key('n'), Key('e'), Key('w'), Key(13), Key(27), Key(27)}),
              27);
    EXPECT_EQ(Value(3, 1), "x  ");
    EXPECT_EQ(Value(3, 2), "new ");
    EXPECT_EQ(platform::RowText(3).find("new"), std::string::npos);
    EXPECT_EQ(forms::MaskCharacter, 0);
}

TEST_F(FormLoopTest, InvalidDateBeepsAndStays) {
    PutForm(3, {MakeField(2, 1, "D: ", 8, forms::kDateField), MakeField(4, 1, "C: ", 3)});
    forms::SetFieldValue(forms::Field(3, 1), "150324");
    const KeyCode key =
        Run(3, {Key(forms::kKeyCtrlY), Key('3'), Key('1'), Key('0'), Key('2'), Key('2'), Key('4'),
                Key(13), Key(forms::kKeyCtrlY), Key(13), Key(2)});
    EXPECT_EQ(key, 2);
    EXPECT_EQ(platform::BeepCount(), 1);
    // Left blank the second time: the working date.
    EXPECT_EQ(Value(3, 1), "150324  ");
    EXPECT_EQ(TextAt(2, 4, 10), "15/3/2024 ");
}

TEST_F(FormLoopTest, ContinuationForm) {
    forms::Form(3).nextForm = 4;
    PutForm(4, {MakeField(6, 1, "E: ", 3), MakeField(7, 1, "F: ", 3)});
    // Up from the continuation's first field comes back to the last field of form 3.
    EXPECT_EQ(Run(3, {Key(13), Key(13), Key(screen::kKeyUp), Key('w'), Key(2)}), 2);
    EXPECT_EQ(Value(3, 3), "w  ");
    // Enter through the continuation's last field ends both.
    EXPECT_EQ(Run(3, {Key(13), Key(13), Key('e'), Key(13), Key('f'), Key(13)}), 13);
    EXPECT_EQ(Value(4, 1), "e  ");
    EXPECT_EQ(Value(4, 2), "f  ");
    // Esc in the continuation stays on the calling form's field.
    EXPECT_EQ(Run(3, {Key(13), Key(13), Key(27), Key(2)}), 2);
}

TEST_F(FormLoopTest, WindowClicksAndDrawing) {
    app::SessionSettings.title = " LLISTAT 2024 "; // 14 characters: column 34
    forms::FormRecord& form = PutForm(3, {MakeField(2, 3, "Primer: ", 3),
                                          MakeField(3, 3, "Ocult: ", 3, 0, forms::kDisplayOnly),
                                          MakeField(4, 3, "Segon: ", 3)});
    form.top = 5;
    form.left = 10;
    form.bottom = 12;
    form.right = 50;
    forms::Field(3, 3).trailer = 4;
    forms::Field(3, 2).value = "ddd";
    const auto before = platform::RowText(7);
    static std::string drawn;
    forms::CalculatorPopup = [] {
        drawn = platform::RowText(1) + "|" + platform::RowText(5) + "|" + platform::RowText(7);
        return std::string();
    };
    // Click on the second field's trailer, type; click on the display-only field (nothing);
    // click on the first field's label, type; leave.
    const KeyCode key =
        Run(3, {Key(screen::kKeyAltX, platform::kLeftAlt), Click(9, 10 + 3 + 7 + 3 + 2), Key('s'),
                Click(8, 15), Key('t'), Click(7, 14), Key('p'), Key(2)});
    EXPECT_EQ(key, 2);
    EXPECT_EQ(Value(3, 1), "p  ");
    EXPECT_EQ(Value(3, 3), "ts "); // visited again after the click that selected nothing
    EXPECT_EQ(drawn.substr(33, 14), " LLISTAT 2024 ");
    EXPECT_EQ(drawn.substr(81 + 9, 3), "\xC9\xCD\xCD"); // the double frame's corner
    EXPECT_EQ(drawn.substr(162 + 12, 11), "Primer:    ");
    // The window is gone afterwards.
    EXPECT_EQ(platform::RowText(7), before);
    EXPECT_EQ(screen::Windows.depth, 0);
    EXPECT_EQ(forms::TitleColumn(11), 36);
    EXPECT_EQ(forms::TitleColumn(13), 34);
}

TEST_F(FormLoopTest, FormWithoutEditableFieldsReturnsTheKeyAsGiven) {
    PutForm(3, {MakeField(2, 1, "B: ", 3, 0, forms::kDisplayOnly)});
    KeyCode key = 1234;
    forms::RunForm(3, key);
    EXPECT_EQ(key, 1234);
    forms::RunForm(9, key); // no such form: nothing happens
    EXPECT_EQ(key, 1234);
}

} // namespace
