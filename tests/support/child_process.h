// Child processes with a time limit, so that a test whose child hangs fails instead of waiting
// for ctest's time-out. Statuses: the exit status, or 128 + the signal that ended the child.
#pragma once
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// Seconds since start on the steady clock, for the tests' and measures' time limits.
inline double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Waits up to timeoutMs for the child to end; true with its status if it did.
bool WaitWithin(pid_t pid, int timeoutMs, int* status);

// Ends a child we started: asks with signal, then kills it if it hasn't gone within timeoutMs.
void EndChild(pid_t pid, int signal, int timeoutMs);

// Starts command (found on PATH) with extra environment ("NAME=value", or "NAME" to unset),
// its input from /dev/null and its output in outputFile, in a process group of its own that
// ends with the test's process. Its id, or -1.
pid_t Spawn(const std::vector<std::string>& command, const std::vector<std::string>& environment,
            const std::string& outputFile);

// Runs command as Spawn does; waits up to timeoutMs, then kills the
// group. Its status, or -1 if it had to be killed or didn't start.
int RunWithin(const std::vector<std::string>& command, const std::vector<std::string>& environment,
              int timeoutMs, const std::string& outputFile = "/dev/null");

struct ChildResult {
  int status = -1;     // as above
  std::string output;  // its standard output, byte for byte
};
// Runs body in a forked child with its standard output captured, ended by SIGALRM (status
// 128 + 14) if it runs longer than limitSeconds; the child ends with body's result. body runs
// after the fork: whatever it needs that isn't safe to make there (an exec's arguments) is
// made before.
ChildResult RunInChild(const std::function<int()>& body, unsigned limitSeconds);
