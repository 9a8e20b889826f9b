// Locks on Windows: critical sections, which the thread holding one may enter again.
#include <windows.h>

#include "runtime/platform/platform.h"

namespace platform {

static_assert(sizeof(CRITICAL_SECTION) <= sizeof(Lock::storage));

static CRITICAL_SECTION* SectionOf(Lock* lock) {
  return reinterpret_cast<CRITICAL_SECTION*>(lock->storage);
}

void InitializeLock(Lock* lock) {
  ::InitializeCriticalSection(SectionOf(lock));
}
void EnterLock(Lock* lock) {
  ::EnterCriticalSection(SectionOf(lock));
}
void LeaveLock(Lock* lock) {
  ::LeaveCriticalSection(SectionOf(lock));
}

}  // namespace platform
