#include "tests/support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

int StatusOf(int raw) { return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw); }

void ApplyEnvironment(const std::vector<std::string>& environment) {
  for (const std::string& setting : environment) {
    size_t equals = setting.find('=');
    if (equals == std::string::npos)
      unsetenv(setting.c_str());
    else
      setenv(setting.substr(0, equals).c_str(), setting.substr(equals + 1).c_str(), 1);
  }
}

}  // namespace

bool WaitWithin(pid_t pid, int timeoutMs, int* status) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int raw = 0;
    if (waitpid(pid, &raw, WNOHANG) == pid) {
      *status = StatusOf(raw);
      return true;
    }
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void EndChild(pid_t pid, int signal, int timeoutMs) {
  if (pid <= 0) return;
  kill(pid, signal);
  int status;
  if (!WaitWithin(pid, timeoutMs, &status)) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
}

pid_t Spawn(const std::vector<std::string>& command, const std::vector<std::string>& environment,
            const std::string& outputFile) {
  std::vector<char*> arguments;
  for (const std::string& argument : command) arguments.push_back(const_cast<char*>(argument.c_str()));
  arguments.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    // A test killed at its time limit takes its servers and recorder with it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    int input = open("/dev/null", O_RDONLY);
    int output = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (input < 0 || output < 0) _exit(126);
    dup2(input, 0);
    dup2(output, 1);
    dup2(output, 2);
    ApplyEnvironment(environment);
    execvp(arguments[0], arguments.data());
    _exit(127);
  }
  return pid;
}

int RunWithin(const std::vector<std::string>& command, const std::vector<std::string>& environment,
              int timeoutMs, const std::string& outputFile) {
  pid_t pid = Spawn(command, environment, outputFile);
  if (pid < 0) return -1;
  int status = -1;
  if (WaitWithin(pid, timeoutMs, &status)) return status;
  kill(-pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

ChildResult RunInChild(const std::function<int()>& body, unsigned limitSeconds) {
  ChildResult result;
  int output[2];
  if (pipe(output) != 0) return result;
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) {
    close(output[0]);
    close(output[1]);
    return result;
  }
  if (child == 0) {
    dup2(output[1], STDOUT_FILENO);
    close(output[0]);
    close(output[1]);
    // The alarm survives an exec, so a child that blocks is ended either way.
    alarm(limitSeconds);
    _exit(body());
  }
  close(output[1]);
  char buffer[256];
  ssize_t got;
  while ((got = read(output[0], buffer, sizeof buffer)) > 0)
    result.output.append(buffer, static_cast<size_t>(got));
  close(output[0]);
  int raw = 0;
  waitpid(child, &raw, 0);
  result.status = StatusOf(raw);
  return result;
}
