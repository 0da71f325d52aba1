#include <windows.h>

#include <string>

#include "test_process.h"

namespace {

// One argument as the C runtime's command-line parser reads it back:
// quoted when it holds blanks or quotes, backslashes before a quote doubled.
std::string Quote(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) return arg;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      quoted.append(2 * backslashes + 1, '\\');
    } else {
      quoted.append(backslashes, '\\');
    }
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, '\\');
  return quoted + "\"";
}

HANDLE OpenInherited(const std::string& path, bool write) {
  SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     &security, write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

std::string ToolPath() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string self(path, n);
  return self.substr(0, self.find_last_of("\\/") + 1) + "qxexp.exe";
}

int RunProcess(const std::string& program, const std::vector<std::string>& args, const std::string& in_path,
               const std::string& out_path, const std::string& err_path) {
  std::string command_line = Quote(program);
  for (const std::string& arg : args) command_line += " " + Quote(arg);
  HANDLE in = OpenInherited(in_path.empty() ? "NUL" : in_path, false);
  HANDLE out = OpenInherited(out_path, true);
  HANDLE err = OpenInherited(err_path, true);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  BOOL started = CreateProcessA(program.c_str(), command_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                &startup, &process);
  DWORD exit_code = 0;
  if (started) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &exit_code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  for (HANDLE handle : {in, out, err}) {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  return started ? static_cast<int>(exit_code) : -1;
}

// No console events: wine delivers at most one to the processes a test starts.
std::vector<Interruption> InterruptionsOfThisSystem() { return {}; }
bool InterruptTool(const std::vector<std::string>&, const std::string&, Interruption, const std::function<bool()>&) {
  return false;
}
bool MakeFifo(const std::string&) { return false; }
