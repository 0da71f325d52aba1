#include "test_child.h"

#include <signal.h>
#include <spawn.h>
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

int ChildProcess::Wait() {
  int status = 0;
  while (waitpid(static_cast<pid_t>(handle_), &status, 0) < 0) {
  }
  ended_ = true;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace qxldra_test
