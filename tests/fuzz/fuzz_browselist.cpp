// A browse list without a data file over arbitrary Browse.tmp contents: the list shows what the
// file holds. Byte 0 gives the number of keys (up to 15) that follow it, each one of Up, Down,
// Page Up, Page Down, Left, Right; the next byte chooses the window; the rest is the list file.
// Previous-line links that point anywhere, negative or huge lengths and cut records must neither
// read outside the file nor loop, and the list must give back its window, colour and key table.
#include "app/session.h"
#include "forms/browse.h"
#include "forms/editor.h"
#include "forms/formdef.h"
#include "platform/console.h"
#include "platform/system.h"
#include "screen/colours.h"
#include "screen/keys.h"
#include "screen/windows.h"

#include "fuzz_workdir.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string WorkDir() { return fuzzsupport::WorkDir("browselist"); }

// When the queued keys run out the operator presses Esc.
void PressEsc() {
    platform::InjectInput(platform::CharacterEvent(27));
}

const uint8_t kScanCodes[] = {0x48, 0x50, 0x49, 0x51, 0x4B, 0x4D};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    app::SessionSettings.workDir = WorkDir();
    app::SessionSettings.colours = app::ParseColourText(app::kDefaultColourText);
    platform::ResetConsoleForTests();
    platform::SetIdleHandler(PressEsc);
    screen::ResetWindowsForTests();
    screen::ResetColoursForTests();
    forms::ResetEditorForTests();

    size_t at = 0;
    const size_t keys = size > 0 ? data[at++] % 16 : 0;
    for (size_t i = 0; i < keys && at < size; ++i, ++at)
        platform::InjectInput(platform::ExtendedKeyEvent(kScanCodes[data[at] % sizeof kScanCodes]));
    const uint8_t shape = at < size ? data[at++] : 0;

    forms::FormDefinition = forms::FormDefinitionRecord{};
    forms::FormDefinition.browses.resize(2);
    forms::BrowseRecord& list = forms::FormDefinition.browses[1];
    list.file = 0;
    list.top = static_cast<int16_t>(2 + (shape & 3));
    list.bottom = static_cast<int16_t>(list.top + 2 + ((shape >> 2) & 7));
    list.left = 3;
    list.right = static_cast<int16_t>(list.left + 2 + ((shape >> 5) * 9));
    list.heading = "Num_Nom";

    const std::string path = app::SessionSettings.workDir + "Browse.tmp";
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size > at) std::fwrite(data + at, 1, size - at, f);
        std::fclose(f);
    }
    forms::RunBrowse(1);

    if (screen::Windows.depth != 0 || !screen::ColourStack.empty() ||
        !forms::KeyTable.saves.empty() || platform::FileExists(path))
        std::abort();
    platform::SetIdleHandler(nullptr);
    return 0;
}
