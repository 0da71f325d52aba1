#include <windows.h>

#include <atomic>
#include <cstring>

#include "interrupt.h"

namespace {

// The console runs the handler on a thread of its own. The file stays open
// on the main thread: it was opened for deletion, so deleting it here
// removes it when the process ends and its handles close.
char g_path[MAX_PATH];
std::atomic<bool> g_armed{false};
bool g_installed = false;

BOOL WINAPI OnControlEvent(DWORD) {
  if (g_armed.load()) DeleteFileA(g_path);
  return FALSE;  // and on to the next handler, which ends the process
}

}  // namespace

void RemoveOnInterrupt(const std::string& path) {
  g_armed.store(false);
  // Longer names name no file the system can make.
  if (path.size() >= sizeof g_path) return;
  std::memcpy(g_path, path.c_str(), path.size() + 1);
  g_armed.store(true);
  if (!g_installed) g_installed = SetConsoleCtrlHandler(OnControlEvent, TRUE) != 0;
}

void KeepOnInterrupt() { g_armed.store(false); }
