#include "print/preview.h"

#include "platform/console.h"
#include "platform/terminal.h"
#include "print/previewview.h"
#include "print/printdevices.h"
#include "print/printmessages.h"
#include "screen/colours.h"
#include "screen/keys.h"

#include <cstdio>

namespace print {

namespace {

void DrawPreview(const PreviewState& state, const std::vector<LaidOutPage>& pages,
                 std::string_view language) {
    const std::vector<std::string> rows = PreviewScreen(state, pages, language);
    for (size_t r = 0; r < rows.size(); ++r) {
        // The page in the normal colour, the indicator line below it in reverse.
        screen::SetColour(r + 1 < rows.size() ? "n" : "r");
        platform::SetCursorPosition(static_cast<int16_t>(r + 1), 1);
        platform::WriteText(rows[r]);
    }
    platform::FlushConsole();
}

// Without a terminal to hold the viewer, the pages go out as text.
void WritePagesAsText(const std::vector<LaidOutPage>& pages, std::string_view language) {
    const std::string text = RenderText(pages);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    ShowAndWait(MessageText(PrintMessage::Pages, language, std::to_string(pages.size())), language);
}

} // namespace

void RunPreview(const std::vector<LaidOutPage>& pages, std::string_view language) {
    const bool started = !platform::TerminalActive() && platform::StartTerminal();
    if (!platform::TerminalActive()) {
        WritePagesAsText(pages, language);
        return;
    }
    const int16_t cursorSize = platform::CursorSize();
    const bool cursorShown = platform::CursorVisible();
    platform::SetCursorSize(0);
    screen::SetColour("+");

    PreviewState state;
    DrawPreview(state, pages, language);
    while (!state.done) {
        // TakeKeyCode rests between polls, so waiting for a key keeps no processor busy.
        const screen::KeyCode key = screen::TakeKeyCode();
        if (key == screen::kKeyNone || key == screen::kKeyMouse) continue;
        const PreviewState before = state;
        PreviewKey(state, pages, key);
        if (state.page != before.page || state.top != before.top || state.left != before.left)
            DrawPreview(state, pages, language);
    }

    screen::SetColour("-");
    platform::SetCursorSize(cursorShown ? cursorSize : 0);
    if (started) platform::EndTerminal();
}

} // namespace print
