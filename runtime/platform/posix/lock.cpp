// Locks on Linux: recursive pthread mutexes, the counterpart of a critical section.
#include <pthread.h>

#include "runtime/platform/platform.h"

namespace platform {

static_assert(sizeof(pthread_mutex_t) <= sizeof(Lock::storage));

static pthread_mutex_t* MutexOf(Lock* lock) {
  return reinterpret_cast<pthread_mutex_t*>(lock->storage);
}

void InitializeLock(Lock* lock) {
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(MutexOf(lock), &attributes);
  pthread_mutexattr_destroy(&attributes);
}

void EnterLock(Lock* lock) {
  pthread_mutex_lock(MutexOf(lock));
}
void LeaveLock(Lock* lock) {
  pthread_mutex_unlock(MutexOf(lock));
}

}  // namespace platform
