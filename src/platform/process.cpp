#include "platform/process.h"

#include "platform/codepage.h"
#include "platform/system.h"
#include "platform/terminal.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

bool RunProcess(const std::vector<std::string>& args) {
    if (args.empty() || args[0].empty()) return false;
    std::vector<std::string> native;
    const std::string& program = args[0];
    const bool isPath = program.find_first_of("\\/") != std::string::npos;
    native.push_back(isPath ? NativePath(program) : Cp850ToUtf8(program));
    for (size_t i = 1; i < args.size(); ++i)
        native.push_back(Cp850ToUtf8(args[i]));
    std::vector<char*> argv;
    for (std::string& a : native)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    // The child reports a failed exec through a pipe that closes on a successful one.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return false;

    SuspendTerminal();
    // While the child runs, the terminal's interrupt keys are the child's business.
    struct sigaction ignore {
    }, oldInt{}, oldQuit{};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGINT, &ignore, &oldInt);
    sigaction(SIGQUIT, &ignore, &oldQuit);

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGINT, SIG_DFL);
        ::signal(SIGQUIT, SIG_DFL);
        ::signal(SIGTERM, SIG_DFL);
        ::signal(SIGHUP, SIG_DFL);
        ::close(report[0]);
        ::execvp(argv[0], argv.data());
        const int err = errno;
        (void)!::write(report[1], &err, sizeof err);
        ::_exit(127);
    }
    ::close(report[1]);
    bool started = false;
    if (pid > 0) {
        int err = 0;
        ssize_t n;
        do {
            n = ::read(report[0], &err, sizeof err);
        } while (n < 0 && errno == EINTR);
        started = n == 0; // closed by the exec
        int status;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    ::close(report[0]);
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGQUIT, &oldQuit, nullptr);
    ResumeTerminal();
    return started;
}

} // namespace platform
