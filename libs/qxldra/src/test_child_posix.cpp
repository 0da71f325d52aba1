#include "test_child.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

extern char** environ;

namespace qxldra_test {

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::string& role) {
  std::vector<std::string> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) variables.emplace_back(*entry);
  variables.push_back(std::string(kChildRoleVariable) + "=" + role);
  std::vector<char*> environment;
  for (std::string& variable : variables) environment.push_back(variable.data());
  environment.push_back(nullptr);
  std::string program = "/proc/self/exe";
  char* arguments[] = {program.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, arguments, environment.data()) != 0) return nullptr;
  return std::unique_ptr<ChildProcess>(new ChildProcess(pid));
}

ChildProcess::~ChildProcess() {
  if (!ended_) {
    Kill();
    Wait();
  }
}

void ChildProcess::Kill() { kill(static_cast<pid_t>(handle_), SIGKILL); }

namespace {

int WaitFor(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int ChildProcess::Wait() {
  ended_ = true;
  return WaitFor(static_cast<pid_t>(handle_));
}

int RunForked(int (*body)()) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  return pid < 0 ? kCannotFork : WaitFor(pid);
}

bool WithoutFreeFileHandles(const std::function<void()>& body) {
  rlimit previous{};
  if (getrlimit(RLIMIT_NOFILE, &previous) != 0) return false;
  // The lowest free descriptor becomes the limit: none below it is free.
  const int lowest_free = open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (lowest_free < 0) return false;
  close(lowest_free);
  rlimit limited = previous;
  limited.rlim_cur = static_cast<rlim_t>(lowest_free);
  if (setrlimit(RLIMIT_NOFILE, &limited) != 0) return false;
  body();
  setrlimit(RLIMIT_NOFILE, &previous);
  return true;
}

}  // namespace qxldra_test
