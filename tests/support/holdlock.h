// Another program of the suite holding a lock: the recman tool run as a child process.
#pragma once

#include <string>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace testsupport {

// Runs `recman` with the arguments (a "lock" command); returns its process id once it holds
// the lock, -1 when it could not be started.
inline pid_t HoldLock(const std::vector<std::string>& args) {
    int out[2];
    if (pipe(out) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        std::vector<char*> argv;
        std::string tool = std::string(ORB_BINARY_DIR) + "/recman";
        argv.push_back(tool.data());
        std::vector<std::string> copy = args;
        for (std::string& a : copy)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(tool.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    char c[16];
    (void)read(out[0], c, sizeof c); // "locked"
    close(out[0]);
    return pid;
}

} // namespace testsupport
