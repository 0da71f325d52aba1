#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>

#include "test_process.h"

extern char** environ;

namespace {

// Starts `program` with the file actions given, which it destroys; SIGINT
// and SIGTERM act as by default in it, whatever this process ignores. The
// process id, or -1.
pid_t Spawn(const std::string& program, const std::vector<std::string>& args, posix_spawn_file_actions_t* actions) {
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(actions);
  posix_spawnattr_destroy(&attributes);
  return spawned == 0 ? pid : -1;
}

}  // namespace

std::string ToolPath() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "qxexp";
  std::string self(path, static_cast<size_t>(n));
  return self.substr(0, self.rfind('/') + 1) + "qxexp";
}

int RunProcess(const std::string& program, const std::vector<std::string>& args, const std::string& in,
               const std::string& out, const std::string& err) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in.empty() ? "/dev/null" : in.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const pid_t pid = Spawn(program, args, &actions);
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

std::vector<Interruption> InterruptionsOfThisSystem() { return {Interruption::kInterrupt, Interruption::kTerminate}; }

bool InterruptTool(const std::vector<std::string>& args, const std::string& input, Interruption how,
                   const std::function<bool()>& started) {
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[0], 0);
  posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
  posix_spawn_file_actions_addclose(&actions, pipe_ends[1]);
  const pid_t pid = Spawn(ToolPath(), args, &actions);
  close(pipe_ends[0]);
  signal(SIGPIPE, SIG_IGN);  // the tool may stop reading early
  // A blocking write to a pipe writes it all, unless the reader has gone.
  const bool fed = pid > 0 && write(pipe_ends[1], input.data(), input.size()) == static_cast<ssize_t>(input.size());
  const int signal_number = how == Interruption::kInterrupt ? SIGINT : SIGTERM;
  bool ready = false;
  for (int tries = 0; fed && !ready && tries < 3000; ++tries) {
    ready = started();
    if (!ready) usleep(10000);
  }
  if (pid > 0) kill(pid, ready ? signal_number : SIGKILL);
  close(pipe_ends[1]);
  int status = 0;
  return pid > 0 && waitpid(pid, &status, 0) == pid && ready && WIFSIGNALED(status) &&
         WTERMSIG(status) == signal_number;
}

bool MakeFifo(const std::string& path) { return mkfifo(path.c_str(), 0600) == 0; }
