#include "app/run.h"

#include "app/session.h"
#include "forms/formdef.h"
#include "forms/formloop.h"
#include "platform/console.h"
#include "platform/system.h"
#include "platform/terminal.h"
#include "screen/colours.h"
#include "screen/keys.h"

#include <cstdio>

namespace app {

void MakeRootAbsolute() {
    std::string& root = SessionSettings.rootDir;
    if (!root.empty() && !platform::IsAbsolutePath(root))
        root = platform::CurrentDirectory() + root;
}

int RunOrbicade() {
    // The program shows everything on the terminal; it is given back at the end (and when the
    // process is ended by a signal).
    if (!platform::StartTerminal()) {
        std::fputs("ORBICADE: standard input and output must be a terminal\n", stderr);
        return 0;
    }
    // 1. The cursor stays hidden until a field is edited.
    platform::SetCursorSize(0);
    // 2. The session settings; nothing before this reads a setting.
    LoadSession();
    // 3. The installation root becomes the current directory; a failure is ignored.
    if (!SessionSettings.rootDir.empty()) {
        MakeRootAbsolute();
        platform::ChangeDirectory(SessionSettings.rootDir);
    }
    // 4. The program's name forms the paths of its form definition and language files.
    SessionSettings.programName = "ORBICADE";
    // 5. The form definition; the program cannot run without it (the operator has been told).
    if (forms::LoadFormDefinition() != 0) {
        platform::EndTerminal();
        return 0;
    }
    // 6. Data files.
    // 7. The print loop goes here. Until it is built, the parameter form runs until Esc.
    screen::SetColour("n");
    platform::ClearScreen();
    screen::KeyCode key = 0;
    do {
        forms::RunForm(1, key);
    } while (key != screen::kKeyEsc);
    // 8. Closing.
    platform::EndTerminal();
    return 0;
}

} // namespace app
