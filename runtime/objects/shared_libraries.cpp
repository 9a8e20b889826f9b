// The LibraryTable and its lock. Every operation holds the lock for its whole
// length, so a release on the control thread never frees a module or an object
// block that the main thread is working on; the lock is re-entrant because the
// table's destroy callback is ReleaseSharedLibrary itself.
#include "runtime/objects/shared_libraries.h"

#include <utility>

ObjectTable* LibraryTable;

namespace {

constexpr std::int32_t kLibraryObjectSize = sizeof(LibraryObject);
constexpr std::int32_t kLibraryGrowBy = 16;

// The lock is made on first use, which start-up makes sure happens in
// InitSharedLibraries, before the console's control thread can call ProgramEnd;
// the static's own guard covers any earlier call from elsewhere.
platform::Lock* LibraryLock() {
  static platform::Lock* const lock = [] {
    static platform::Lock made;
    platform::InitializeLock(&made);
    return &made;
  }();
  return lock;
}

class LibraryTableGuard {
 public:
  LibraryTableGuard() { LockSharedLibraries(); }
  ~LibraryTableGuard() { UnlockSharedLibraries(); }
  LibraryTableGuard(const LibraryTableGuard&) = delete;
  LibraryTableGuard& operator=(const LibraryTableGuard&) = delete;
};

}  // namespace

void LockSharedLibraries() {
  platform::EnterLock(LibraryLock());
}

void UnlockSharedLibraries() {
  platform::LeaveLock(LibraryLock());
}

void InitSharedLibraries() {
  LibraryTableGuard guard;
  LibraryTable = CreateObjectTable(kLibraryObjectSize, kLibraryGrowBy, ReleaseSharedLibrary);
}

std::int64_t LoadSharedLibrary(std::int64_t identifier, const char16_t* path) {
  LibraryTableGuard guard;
  if (LibraryTable == nullptr) return 0;
  auto* object = static_cast<LibraryObject*>(AcquireObject(LibraryTable, identifier));
  if (object == nullptr) return 0;
  const std::int64_t objectIdentifier = identifier == AnyNumber ? HandleOf(object) : identifier;
  platform::ModuleHandle module = path != nullptr ? platform::OpenModule(path) : nullptr;
  // The start of a library loading here (one that then failed, too) may have
  // loaded another into this number: this load replaces it, as it replaces one
  // loaded before. The number holds its new module, or none, before the old
  // one's end runs, which may release it.
  const platform::ModuleHandle replaced = std::exchange(object->module, module);
  if (module == nullptr) {
    ReleaseObject(LibraryTable, objectIdentifier);
    if (replaced != nullptr) platform::CloseModule(replaced);
    return 0;
  }
  if (replaced != nullptr) platform::CloseModule(replaced);
  return identifier == AnyNumber ? objectIdentifier : HandleOf(module);
}

void* FindLibraryFunction(std::int64_t identifier, const char16_t* name) {
  if (name == nullptr) return nullptr;
  LibraryTableGuard guard;
  if (LibraryTable == nullptr) return nullptr;
  auto* object = static_cast<LibraryObject*>(LookupObject(LibraryTable, identifier));
  if (object == nullptr) return nullptr;
  // A name that does not fit would reach the lookup without its NUL.
  char narrow[platform::FunctionNameBytes];
  if (!platform::NarrowFunctionName(name, narrow)) return nullptr;
  return platform::FindModuleSymbol(object->module, narrow);
}

void ReleaseSharedLibrary(std::int64_t identifier) {
  LibraryTableGuard guard;
  if (LibraryTable == nullptr) return;
  if (identifier == AnyNumber) {
    DestroyAllObjects(LibraryTable);
    return;
  }
  auto* object = static_cast<LibraryObject*>(LookupObject(LibraryTable, identifier));
  if (object == nullptr) return;
  // The object goes first, so that a library whose end releases libraries
  // does not find its own module to close again.
  const platform::ModuleHandle module = object->module;
  ReleaseObject(LibraryTable, identifier);
  platform::CloseModule(module);
}

void ReleaseAllSharedLibraries() {
  LibraryTableGuard guard;
  if (LibraryTable != nullptr) DestroyAllObjects(LibraryTable);
}

void DetachSharedLibraries() {
  LibraryTableGuard guard;
  LibraryTable = nullptr;
}
