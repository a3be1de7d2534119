#include "platform/terminal.h"

#include <gtest/gtest.h>

#ifndef NCURSES_WIDECHAR
#define NCURSES_WIDECHAR 1
#endif
#include <ncursesw/curses.h>

using namespace platform;

namespace {

struct Want {
    InputKind kind;
    uint8_t value; // character or scan code
    uint16_t modifiers;
};

void Check(const InputEvent& e, const Want& w, const std::string& what) {
    EXPECT_EQ(e.kind, w.kind) << what;
    if (w.kind == InputKind::Character) {
        EXPECT_EQ(e.character, w.value) << what;
    }
    if (w.kind == InputKind::ExtendedKey) {
        EXPECT_EQ(e.scanCode, w.value) << what;
    }
    EXPECT_EQ(e.modifiers, w.modifiers) << what;
}

constexpr InputKind Ch = InputKind::Character, Ex = InputKind::ExtendedKey, No = InputKind::None;

int Own(int key, int m) {
    return kOwnKeyBase + key * 16 + m;
}

TEST(TerminalKeysTest, Characters) {
    const struct {
        uint32_t in;
        Want want;
    } cases[] = {
        {'a', {Ch, 'a', 0}},     {13, {Ch, 13, 0}},      {10, {Ch, 13, 0}},
        {127, {Ch, 8, 0}},       {8, {Ch, 8, 0}},        {9, {Ch, 9, 0}},
        {27, {Ch, 27, 0}},       {3, {Ch, 3, 0}},        {0, {No, 0, 0}},
        {0xE9, {Ch, 0x82, 0}},   {0xC7, {Ch, 0x80, 0}},  {0xB7, {Ch, 0xFA, 0}},
        {0x20AC, {Ch, 0xD5, 0}}, {0x131, {Ch, 0xD5, 0}}, {0x4E2D, {No, 0, 0}},
        {0x2551, {Ch, 0xBA, 0}},
    };
    for (const auto& c : cases)
        Check(DecodeTerminalKey(false, c.in), c.want, std::to_string(c.in));
}

TEST(TerminalKeysTest, CursesKeyCodes) {
    const struct {
        int in;
        Want want;
    } cases[] = {
        {KEY_UP, {Ex, 0x48, 0}},           {KEY_DOWN, {Ex, 0x50, 0}},
        {KEY_LEFT, {Ex, 0x4B, 0}},         {KEY_RIGHT, {Ex, 0x4D, 0}},
        {KEY_HOME, {Ex, 0x47, 0}},         {KEY_END, {Ex, 0x4F, 0}},
        {KEY_PPAGE, {Ex, 0x49, 0}},        {KEY_NPAGE, {Ex, 0x51, 0}},
        {KEY_IC, {Ex, 0x52, 0}},           {KEY_DC, {Ex, 0x53, 0}},
        {KEY_B2, {Ex, 0x4C, 0}},           {KEY_BTAB, {Ex, 0x0F, kShift}},
        {KEY_BACKSPACE, {Ch, 8, 0}},       {KEY_ENTER, {Ch, 13, 0}},
        {KEY_F(1), {Ex, 0x3B, 0}},         {KEY_F(10), {Ex, 0x44, 0}},
        {KEY_F(11), {Ex, 0x57, 0}},        {KEY_F(12), {Ex, 0x58, 0}},
        {KEY_F(13), {Ex, 0x3B, kShift}},   {KEY_F(28), {Ex, 0x3E, kLeftCtrl}},
        {KEY_F(52), {Ex, 0x3E, kLeftAlt}}, {KEY_F(37), {Ex, 0x3B, kLeftCtrl | kShift}},
        {KEY_SLEFT, {Ex, 0x4B, kShift}},   {KEY_SHOME, {Ex, 0x47, kShift}},
        {KEY_MOUSE, {No, 0, 0}},
    };
    for (const auto& c : cases)
        Check(DecodeTerminalKey(true, uint32_t(c.in)), c.want, std::to_string(c.in));
}

TEST(TerminalKeysTest, OwnSequenceCodes) {
    const struct {
        int in;
        Want want;
    } cases[] = {
        {Own(kOwnF1, 1), {Ex, 0x3B, 0}},
        {Own(kOwnF1 + 3, 3), {Ex, 0x3E, kLeftAlt}},  // Alt+F4
        {Own(kOwnF1 + 3, 5), {Ex, 0x3E, kLeftCtrl}}, // Ctrl+F4
        {Own(kOwnF1 + 9, 2), {Ex, 0x44, kShift}},    // Shift+F10
        {Own(kOwnLeft, 5), {Ex, 0x4B, kLeftCtrl}},   // Ctrl+Left
        {Own(kOwnRight, 5), {Ex, 0x4D, kLeftCtrl}},
        {Own(kOwnHome, 5), {Ex, 0x47, kLeftCtrl}},
        {Own(kOwnHome, 8), {Ex, 0x47, kLeftCtrl | kLeftAlt | kShift}},
        {Own(kOwnPageDown, 1), {Ex, 0x51, 0}},
        {Own(kOwnKeypadCentre, 1), {Ex, 0x4C, 0}},
        {Own(kOwnBackTab, 1), {Ex, 0x0F, kShift}},
        {Own(kOwnKeypad0 + 7, 1), {Ch, '7', 0}},
        {Own(kOwnKeypadEnter, 1), {Ch, 13, 0}},
        {Own(kOwnKeypadMinus, 1), {Ch, '-', 0}},
    };
    for (const auto& c : cases)
        Check(DecodeTerminalKey(true, uint32_t(c.in)), c.want, std::to_string(c.in));
}

TEST(TerminalKeysTest, EscapeThenKeyIsAlt) {
    Check(WithAlt(DecodeTerminalKey(false, 'x')), {Ex, 0x2D, kLeftAlt}, "Alt+x");
    Check(WithAlt(DecodeTerminalKey(false, 'C')), {Ex, 0x2E, kLeftAlt}, "Alt+C");
    Check(WithAlt(DecodeTerminalKey(false, 'f')), {Ex, 0x21, kLeftAlt}, "Alt+f");
    Check(WithAlt(DecodeTerminalKey(false, 'e')), {Ex, 0x12, kLeftAlt}, "Alt+e");
    Check(WithAlt(DecodeTerminalKey(false, 'q')), {Ex, 0x10, kLeftAlt}, "Alt+q");
    Check(WithAlt(DecodeTerminalKey(false, 'm')), {Ex, 0x32, kLeftAlt}, "Alt+m");
    Check(WithAlt(DecodeTerminalKey(false, '6')), {Ch, '6', kLeftAlt}, "Alt+6");
    Check(WithAlt(DecodeTerminalKey(true, KEY_F(4))), {Ex, 0x3E, kLeftAlt}, "Esc F4");
    Check(WithAlt(InputEvent{}), {No, 0, 0}, "nothing");
}

} // namespace
