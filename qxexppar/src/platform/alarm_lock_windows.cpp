#include "platform/alarm_lock.h"

#include <windows.h>

namespace {

INIT_ONCE g_once = INIT_ONCE_STATIC_INIT;
CRITICAL_SECTION g_lock;

BOOL CALLBACK Initialise(PINIT_ONCE, PVOID, PVOID*) {
  InitializeCriticalSection(&g_lock);
  return TRUE;
}

}  // namespace

void QxAlarmLockInit() { InitOnceExecuteOnce(&g_once, Initialise, nullptr, nullptr); }

void QxAlarmLockEnter() { EnterCriticalSection(&g_lock); }

void QxAlarmLockLeave() { LeaveCriticalSection(&g_lock); }
