// The alarm lock: the one process-wide lock under which alarm threads run
// their actions, one thread at a time. The platform's own lock (a critical
// section on Windows, a mutex elsewhere); never destroyed.
#ifndef QXEXPPAR_PLATFORM_ALARM_LOCK_H
#define QXEXPPAR_PLATFORM_ALARM_LOCK_H

// Initialises the lock on the first call; later calls do nothing. Calls
// that race are safe: exactly one initialises it and the others return
// once it is ready.
void QxAlarmLockInit();

// Takes and releases the lock; QxAlarmLockInit has returned before.
void QxAlarmLockEnter();
void QxAlarmLockLeave();

#endif
