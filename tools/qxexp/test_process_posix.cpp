#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "test_process.h"

extern char** environ;

namespace {

std::string ToolPath() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "qxexp";
  std::string self(path, static_cast<size_t>(n));
  return self.substr(0, self.rfind('/') + 1) + "qxexp";
}

}  // namespace

ToolRun RunTool(const std::vector<std::string>& args, const std::string& input) {
  ToolRun run;
  const std::string tool = ToolPath();
  const std::string out_path = "qxexp_test_stdout.txt";
  const std::string err_path = "qxexp_test_stderr.txt";
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(tool.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input.empty() ? "/dev/null" : input.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return run;
  int wait_status = 0;
  if (waitpid(pid, &wait_status, 0) != pid || !WIFEXITED(wait_status)) return run;
  run.status = WEXITSTATUS(wait_status);
  run.out = WithoutCarriageReturns(ReadFileBytes(out_path));
  run.err = WithoutCarriageReturns(ReadFileBytes(err_path));
  return run;
}
