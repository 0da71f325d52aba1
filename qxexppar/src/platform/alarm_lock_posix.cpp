#include "platform/alarm_lock.h"

#include <pthread.h>

namespace {

pthread_once_t g_once = PTHREAD_ONCE_INIT;
pthread_mutex_t g_lock;

void Initialise() { pthread_mutex_init(&g_lock, nullptr); }

}  // namespace

void QxAlarmLockInit() { pthread_once(&g_once, Initialise); }

void QxAlarmLockEnter() { pthread_mutex_lock(&g_lock); }

void QxAlarmLockLeave() { pthread_mutex_unlock(&g_lock); }
