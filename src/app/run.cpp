#include "app/run.h"

#include "app/session.h"
#include "platform/system.h"

namespace app {

void MakeRootAbsolute() {
    std::string& root = SessionSettings.rootDir;
    if (!root.empty() && !platform::IsAbsolutePath(root))
        root = platform::CurrentDirectory() + root;
}

int RunOrbicade() {
    // 1. The cursor stays hidden until a field is edited.
    // 2. The session settings; nothing before this reads a setting.
    LoadSession();
    // 3. The installation root becomes the current directory; a failure is ignored.
    if (!SessionSettings.rootDir.empty()) {
        MakeRootAbsolute();
        platform::ChangeDirectory(SessionSettings.rootDir);
    }
    // 4. The program's name forms the paths of its form definition and language files.
    SessionSettings.programName = "ORBICADE";
    // 5. Form definition, 6. data files, 7. print loop, 8. closing.
    return 0;
}

} // namespace app
