#include "forms_fixture.h"

#include "forms/fields.h"

using namespace formstest;

namespace {

class FieldsTest : public FormsTest {};

TEST_F(FieldsTest, DisplayByType) {
    forms::FieldRecord choice = MakeField(4, 1, "C:", 1);
    choice.choices = "|A,Anual|M,Mensual";
    choice.trailer = 6;
    forms::FieldRecord lines = MakeField(6, 1, "T:", 10);
    lines.width = 4;
    PutForm(3, {MakeField(1, 1, "Data: ", 8, forms::kDateField),
                MakeField(2, 1, "N: ", 3, forms::kNumberField), MakeField(3, 1, "Text: ", 5),
                choice, lines, MakeField(10, 1, "M: ", 4, 0, forms::kMasked)});
    struct Case {
        int16_t field;
        const char* value;
        int16_t row, column;
        const char* shown;
    };
    const Case cases[] = {
        {1, "150324", 1, 7, "15/3/2024 #"},
        {1, "", 1, 7, "          #"},
        {2, "7", 2, 4, "  7#"},
        {2, "", 2, 4, "  0#"},
        {3, "ab", 3, 7, "ab   #"},
        {4, "M", 4, 3, "Mensual#"}, // padded to length + trailer
        {4, "A", 4, 3, "Anual  #"},
        {4, "X", 4, 3, "########"}, // no entry: nothing written
    };
    for (const Case& c : cases) {
        platform::SetCursorPosition(c.row, c.column);
        platform::WriteText("###########");
        forms::SetFieldValue(forms::Field(3, c.field), c.value);
        forms::DisplayField(3, c.field);
        const std::string shown = c.shown;
        EXPECT_EQ(TextAt(c.row, c.column, shown.size()), shown) << c.field << " " << c.value;
    }
    forms::SetFieldValue(forms::Field(3, 5), "abcdefghij");
    forms::DisplayField(3, 5);
    EXPECT_EQ(TextAt(6, 3, 5), "abcd ");
    EXPECT_EQ(TextAt(7, 3, 5), "efgh ");
    EXPECT_EQ(TextAt(8, 3, 5), "ij   ");
}

TEST_F(FieldsTest, StoreChecksByType) {
    PutForm(3, {MakeField(1, 1, "Data: ", 8, forms::kDateField),
                MakeField(2, 1, "N: ", 3, forms::kNumberField), MakeField(3, 1, "T: ", 4),
                MakeField(4, 1, "M: ", 4, 0, forms::kMasked)});
    struct Case {
        int16_t field;
        const char* typed;
        int16_t result;
        const char* value; // the stored value afterwards
    };
    const Case cases[] = {
        {1, "150324  ", 0, "150324  "},
        {1, "        ", 0, "150324  "}, // blank: the working date
        {1, "310224  ", -1, "150324  "},
        {1, "15/3/202", -1, "150324  "}, // a three-digit year
        {2, "12 ", 0, "12 "},
        {2, "1a ", -1, "12 "},
        {3, "toolong", 0, "tool"},
        {4, "pass", 0, "pass"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(forms::StoreField(3, c.typed, c.field), c.result) << c.typed;
        EXPECT_EQ(forms::Field(3, c.field).value, c.value) << c.typed;
    }
    EXPECT_EQ(TextAt(1, 7, 10), "15/3/2024 ");
    EXPECT_EQ(TextAt(2, 4, 3), " 12");
    EXPECT_EQ(TextAt(4, 4, 4), "    "); // a masked value is never shown
}

} // namespace
