// What the preview shows and how its keys move it: a window of the console's size over one
// laid-out page, with an indicator line at the bottom. Kept apart from the console so the
// viewer's behaviour is the same whatever draws it.
#pragma once

#include "print/printlayout.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace print {

inline constexpr int32_t kPreviewRows = 24; // rows of page text; row 25 is the indicator
inline constexpr int32_t kPreviewColumns = 80;
inline constexpr int32_t kPreviewSideStep = 10; // columns moved by Left and Right

// Key codes the preview answers (code page 850 characters, or 256 x the key's scan code).
inline constexpr int16_t kKeyEsc = 0x001B;
inline constexpr int16_t kKeyHome = 0x4700;
inline constexpr int16_t kKeyUp = 0x4800;
inline constexpr int16_t kKeyPgUp = 0x4900;
inline constexpr int16_t kKeyLeft = 0x4B00;
inline constexpr int16_t kKeyRight = 0x4D00;
inline constexpr int16_t kKeyEnd = 0x4F00;
inline constexpr int16_t kKeyDown = 0x5000;
inline constexpr int16_t kKeyPgDn = 0x5100;
inline constexpr int16_t kKeyCtrlEnd = 0x7500;
inline constexpr int16_t kKeyCtrlHome = 0x7700;

struct PreviewState {
    size_t page = 0;   // index of the page shown
    int32_t top = 0;   // first page line shown
    int32_t left = 0;  // first page column shown, from 0
    bool done = false; // the operator left with Esc
};

// Applies one key: Up/Down one line, Left/Right kPreviewSideStep columns, PgDn/PgUp the next
// or previous page (from its top), Home the top of the page, End its last screenful,
// Ctrl+Home/Ctrl+End the first/last page, Esc leaves. Other keys change nothing.
void PreviewKey(PreviewState& state, const std::vector<LaidOutPage>& pages, int16_t key);

// The 25 rows of 80 code page 850 characters the preview shows in its state.
std::vector<std::string> PreviewScreen(const PreviewState& state,
                                       const std::vector<LaidOutPage>& pages,
                                       std::string_view language);

} // namespace print
