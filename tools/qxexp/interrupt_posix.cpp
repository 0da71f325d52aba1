#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>

#include "interrupt.h"

namespace {

// What the handler reads: a copy of the name it may not allocate, and
// whether it holds a file of the tool's.
char g_path[PATH_MAX];
volatile sig_atomic_t g_armed = 0;
bool g_installed = false;

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

void OnSignal(int signal_number) {
  const int saved_errno = errno;
  if (g_armed != 0) unlink(g_path);
  // The signal's own action, once this handler returns: the tool ends the
  // way it would have without the handler.
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigaction(signal_number, &action, nullptr);
  raise(signal_number);
  errno = saved_errno;
}

void Install() {
  g_installed = true;
  for (int signal_number : kSignals) {
    struct sigaction previous {};
    // A signal the tool was started to ignore stays ignored.
    if (sigaction(signal_number, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int blocked : kSignals) sigaddset(&action.sa_mask, blocked);
    sigaction(signal_number, &action, nullptr);
  }
}

}  // namespace

void RemoveOnInterrupt(const std::string& path) {
  g_armed = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  // Longer names name no file the system can make.
  if (path.size() >= sizeof g_path) return;
  std::memcpy(g_path, path.c_str(), path.size() + 1);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  g_armed = 1;
  if (!g_installed) Install();
}

void KeepOnInterrupt() { g_armed = 0; }
