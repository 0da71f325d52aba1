#include "test_child.h"

#include <windows.h>

namespace qxldra_test {

namespace {
constexpr UINT kKilledCode = 0xDEAD;
}

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::string& role) {
  char program[MAX_PATH];
  const DWORD size = GetModuleFileNameA(nullptr, program, MAX_PATH);
  if (size == 0 || size >= MAX_PATH) return nullptr;
  std::string command = std::string("\"") + program + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  // The child inherits the environment as it is at this moment.
  SetEnvironmentVariableA(kChildRoleVariable, role.c_str());
  const BOOL started = CreateProcessA(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                      &startup, &process);
  SetEnvironmentVariableA(kChildRoleVariable, nullptr);
  if (!started) return nullptr;
  CloseHandle(process.hThread);
  return std::unique_ptr<ChildProcess>(new ChildProcess(reinterpret_cast<intptr_t>(process.hProcess)));
}

ChildProcess::~ChildProcess() {
  if (!ended_) {
    Kill();
    Wait();
  }
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

void ChildProcess::Kill() { TerminateProcess(reinterpret_cast<HANDLE>(handle_), kKilledCode); }

int ChildProcess::Wait() {
  HANDLE process = reinterpret_cast<HANDLE>(handle_);
  WaitForSingleObject(process, INFINITE);
  ended_ = true;
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  return code == kKilledCode ? -1 : static_cast<int>(code);
}

int RunForked(int (*)()) { return kCannotFork; }

// Windows gives out handles until memory runs out.
bool WithoutFreeFileHandles(const std::function<void()>&) { return false; }

}  // namespace qxldra_test
