// Starting another program: an argument list, never a command line, so no
// shell ever reads a file name.
#pragma once

#include <string>
#include <vector>

namespace klm::platform {

struct StartResult {
    bool started = false;
    int pid = -1;
    int error = 0;       // errno of the failure
    std::string reason;  // "program: reason" when not started
};

// Starts program with args as its argv[1..] and workingFolder (empty: ours)
// as its current folder. A program name without a '/' is looked up on the
// search path; a relative path is taken from our folder, not from
// workingFolder. The child keeps our environment and standard streams, with
// the default signal handling. "Not started" covers a missing or
// non-executable program and a working folder that cannot be entered.
StartResult startProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workingFolder);

// Without blocking: true once the process has ended (it is reaped, and
// *exitCode set: the exit status, or 128 + the signal). Also true for a pid
// that is not our child.
bool processEnded(int pid, int* exitCode = nullptr);

// Reaps the listed processes that have ended and drops them from the list.
// A program started and then left alone stays a zombie until its starter
// reaps it: the window keeps its started pids and calls this now and then.
void reapEndedPrograms(std::vector<int>& pids);

// Waits until the process ends; its exit status, or 128 + the signal, or −1.
int waitForProcess(int pid);

}  // namespace klm::platform
