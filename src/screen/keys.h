// Key codes: one signed 16-bit number per key press. A key with a character is the character's
// CP850 code; a key without one (function and cursor keys, Alt with a letter) is its PC keyboard
// scan code times 256; 0 is no key, -1 a mouse event.
#pragma once

#include <cstdint>
#include <string_view>

namespace screen {

using KeyCode = int16_t;

inline constexpr KeyCode kKeyNone = 0;
inline constexpr KeyCode kKeyMouse = -1;
inline constexpr KeyCode kKeyBackspace = 0x0008;
inline constexpr KeyCode kKeyTab = 0x0009;
inline constexpr KeyCode kKeyEnter = 0x000D;
inline constexpr KeyCode kKeyEsc = 0x001B;
inline constexpr KeyCode kKeyShiftTab = 0x0F00;
inline constexpr KeyCode kKeyAltE = 0x1200; // AltGr+E too
inline constexpr KeyCode kKeyAltF = 0x2100;
inline constexpr KeyCode kKeyAltX = 0x2D00;
inline constexpr KeyCode kKeyAltC = 0x2E00;
inline constexpr KeyCode kKeyF1 = 0x3B00; // F1..F10 follow in order
inline constexpr KeyCode kKeyF2 = 0x3C00;
inline constexpr KeyCode kKeyF3 = 0x3D00;
inline constexpr KeyCode kKeyF4 = 0x3E00;
inline constexpr KeyCode kKeyF5 = 0x3F00;
inline constexpr KeyCode kKeyF6 = 0x4000;
inline constexpr KeyCode kKeyF7 = 0x4100;
inline constexpr KeyCode kKeyF8 = 0x4200;
inline constexpr KeyCode kKeyF9 = 0x4300;
inline constexpr KeyCode kKeyF10 = 0x4400;
inline constexpr KeyCode kKeyHome = 0x4700;
inline constexpr KeyCode kKeyUp = 0x4800;
inline constexpr KeyCode kKeyPgUp = 0x4900;
inline constexpr KeyCode kKeyLeft = 0x4B00;
inline constexpr KeyCode kKeyKeypad5 = 0x4C00;
inline constexpr KeyCode kKeyRight = 0x4D00;
inline constexpr KeyCode kKeyEnd = 0x4F00;
inline constexpr KeyCode kKeyDown = 0x5000;
inline constexpr KeyCode kKeyPgDn = 0x5100;
inline constexpr KeyCode kKeyIns = 0x5200;
inline constexpr KeyCode kKeyDel = 0x5300;
inline constexpr KeyCode kKeyCtrlF4 = 0x6100;
inline constexpr KeyCode kKeyAltF4 = 0x6B00;
inline constexpr KeyCode kKeyCtrlLeft = 0x7300;
inline constexpr KeyCode kKeyCtrlRight = 0x7400;
inline constexpr KeyCode kKeyCtrlHome = 0x7700;

// The key code of a key text as the console delivers it (platform::EventKeyText): its first
// two bytes, padded with zero bytes, read as a little-endian 16-bit number.
KeyCode KeyCodeOf(std::string_view keyText);

// Takes one console input event without waiting and gives its key code: 0 when nothing was
// pending, -1 for a mouse event. No modifier remapping and no hot keys (the field editor's key
// reader adds those).
KeyCode TakeKeyCode();

} // namespace screen
