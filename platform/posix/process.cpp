#include "process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

extern char** environ;

namespace klm::platform {

namespace {

int statusCode(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

StartResult startProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workingFolder)
{
    StartResult r;
    const bool searchPath = program.find('/') == std::string::npos;
    std::string path = program;
    if (!searchPath) {
        // The child enters workingFolder before it runs the program.
        std::error_code ec;
        const std::filesystem::path abs = std::filesystem::absolute(program, ec);
        if (!ec)
            path = abs.string();
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    if (!workingFolder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
    // The emulator starts with no signal blocked and none ignored, whatever
    // the program that starts it does with its own.
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int s : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGCHLD, SIGQUIT})
        sigaddset(&defaults, s);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    const int rc = searchPath ? posix_spawnp(&pid, path.c_str(), &actions, &attr, argv.data(), environ)
                              : posix_spawn(&pid, path.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        r.error = rc;
        r.reason = program + ": " + std::strerror(rc);
        return r;
    }
    r.started = true;
    r.pid = pid;
    return r;
}

bool processEnded(int pid, int* exitCode)
{
    int status = 0;
    const pid_t got = ::waitpid(pid, &status, WNOHANG);
    if (got == 0)
        return false;
    if (exitCode)
        *exitCode = got == pid ? statusCode(status) : -1;
    return true;
}

void reapEndedPrograms(std::vector<int>& pids)
{
    std::erase_if(pids, [](int pid) { return processEnded(pid); });
}

int waitForProcess(int pid)
{
    int status = 0;
    pid_t got;
    do {
        got = ::waitpid(pid, &status, 0);
    } while (got < 0 && errno == EINTR);
    return got == pid ? statusCode(status) : -1;
}

}  // namespace klm::platform
