#include "app/run.h"

#include "app/session.h"
#include "forms/formdef.h"
#include "platform/console.h"
#include "platform/system.h"
#include "platform/terminal.h"
#include "print/printrun.h"
#include "report/listing.h"

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
    // 6. The property and flat files (a file that cannot be opened ends the program there,
    // after its message).
    report::OpenReportFiles();
    // 7. Listings until the operator leaves the parameter form with Esc.
    print::RunPrintLoop();
    // 8. Closing, 9. exit code 0.
    report::CloseReportFiles();
    platform::EndTerminal();
    return 0;
}

} // namespace app
