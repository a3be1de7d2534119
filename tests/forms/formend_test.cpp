#include "forms_fixture.h"

#include "forms/formloop.h"
#include "forms/hooks.h"
#include "report/listing.h"

using namespace formstest;
using screen::KeyCode;

namespace {

// Form 1 with the five fields of the parameter form, and the confirmation form 2.
class FormEndTest : public FormsTest {
  protected:
    void SetUp() override {
        FormsTest::SetUp();
        PutForm(1, {MakeField(2, 1, "Mes: ", 8, 1), MakeField(4, 1, "Des de: ", 3, 2),
                    MakeField(4, 20, "pis: ", 3, 2), MakeField(6, 1, "Fins a: ", 3, 2),
                    MakeField(6, 20, "pis: ", 3, 2)});
        PutForm(2, {MakeField(1, 1, "Confirmeu (S/N): ", 1)}, "d,1b");
        Set(1, "010325", 2, "1", 3, "0", 4, "999", 5, "999");
    }
    static void Set(int16_t a, const char* va, int16_t b, const char* vb, int16_t c, const char* vc,
                    int16_t d, const char* vd, int16_t e, const char* ve) {
        forms::SetFieldValue(forms::Field(1, a), va);
        forms::SetFieldValue(forms::Field(1, b), vb);
        forms::SetFieldValue(forms::Field(1, c), vc);
        forms::SetFieldValue(forms::Field(1, d), vd);
        forms::SetFieldValue(forms::Field(1, e), ve);
    }
};

TEST_F(FormEndTest, ConfirmedRangeBecomesTheReportParameters) {
    Queue({Key('S'), Key(13)});
    EXPECT_EQ(forms::CheckFormEnd(1, 13), 0);
    EXPECT_FALSE(platform::PeekInput());
    EXPECT_EQ(text::UnpackDigits(report::ListingDate), "20250301");
    EXPECT_EQ(text::UnpackDigits(report::FromFlatKey), "00010000");
    EXPECT_EQ(text::UnpackDigits(report::ToFlatKey), "09990999");
}

TEST_F(FormEndTest, EmptyRangeOrAnotherAnswerRestartsTheForm) {
    // Property 12 to 5: no confirmation is asked (no key is read at all).
    Set(1, "010325", 2, "12", 3, "0", 4, "5", 5, "999");
    EXPECT_EQ(forms::CheckFormEnd(1, 13), -1);
    Set(1, "010325", 2, "1", 3, "0", 4, "999", 5, "999");
    struct {
        const char* what;
        std::vector<platform::InputEvent> keys;
    } cases[] = {{"N", {Key('N'), Key(13)}}, {"small s", {Key('s'), Key(13)}}, {"Esc", {Key(27)}}};
    for (const auto& c : cases) {
        for (const auto& k : c.keys) platform::InjectInput(k);
        EXPECT_EQ(forms::CheckFormEnd(1, 13), -1) << c.what;
        EXPECT_FALSE(platform::PeekInput()) << c.what;
    }
}

TEST_F(FormEndTest, OnlyFormOneLeftWithoutEscIsChecked) {
    EXPECT_EQ(forms::CheckFormEnd(1, 27), 0);
    EXPECT_EQ(forms::CheckFormEnd(3, 13), 0);
}

} // namespace
