// Other processes for tests: this test program started again with a role
// in its environment, which it takes up before any test runs, or a forked
// copy of it; and this process without free file handles.
#ifndef QXLDRA_TEST_CHILD_H
#define QXLDRA_TEST_CHILD_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace qxldra_test {

constexpr char kChildRoleVariable[] = "QXLDRA_TEST_CHILD_ROLE";

class ChildProcess {
 public:
  // Starts this program with kChildRoleVariable set to `role`; nullptr
  // when it cannot be started.
  static std::unique_ptr<ChildProcess> Start(const std::string& role);

  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  // Kills a child still running.
  ~ChildProcess();

  // Ends the child at once, as a crash would (SIGKILL; TerminateProcess).
  void Kill();
  // Waits for the child to end: its exit code, or -1 when it was killed.
  int Wait();

 private:
  explicit ChildProcess(intptr_t handle) : handle_(handle) {}
  intptr_t handle_;  // process id or process handle
  bool ended_ = false;
};

// Runs `body` in a forked copy of this process and returns its exit code
// (-1 when it was killed), or kCannotFork where there is no fork.
constexpr int kCannotFork = -2;
int RunForked(int (*body)());

// Runs `body` while this process can open no further file, and returns
// true; false, without running it, where a test cannot bring that about.
bool WithoutFreeFileHandles(const std::function<void()>& body);

}  // namespace qxldra_test

#endif
