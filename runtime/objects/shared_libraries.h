// Shared libraries loaded at run time: each is a LibraryObject in the LibraryTable,
// named by a number of the program's choosing or by the handle that a load with
// AnyNumber returns. Functions are found in them by name.
//
// One lock guards the table: ProgramEnd may release every library from the
// console's control thread while the main thread loads, looks up or releases one.
#pragma once

#include <cstdint>

#include "runtime/objects/object_table.h"
#include "runtime/platform/platform.h"

struct LibraryObject {
  platform::ModuleHandle module;  // non-zero while loaded: the object's liveness mark
};

// The table of loaded libraries (objectSize 8, growBy 16, destroy callback
// ReleaseSharedLibrary); null before InitSharedLibraries and after
// DetachSharedLibraries.
extern ObjectTable* LibraryTable;

// Creates the LibraryTable. Start-up, before any other thread can enter the program.
void InitSharedLibraries();

// Loads the library at `path` under `identifier`: for AnyNumber as a new dynamic
// object, whose handle is returned; for a number, replacing (and freeing) a
// library loaded under it before, and returning the module handle. 0 when the
// object cannot be allocated, `path` is null, the library cannot be loaded, or
// the number is below AnyNumber; a failed load leaves no library under the number
// and no dynamic object behind.
std::int64_t LoadSharedLibrary(std::int64_t identifier, const char16_t* path);

// The address of the function `name` exports in the library named by
// `identifier`; null for a null name, an identifier without a loaded library, a
// name whose narrow form is too long, and a name the library does not export.
void* FindLibraryFunction(std::int64_t identifier, const char16_t* name);

// Frees the library named by `identifier` and releases its object; AnyNumber
// releases every library. An identifier without a loaded library is ignored.
void ReleaseSharedLibrary(std::int64_t identifier);

// Frees every loaded library: the numbered ones in ascending order, then the
// dynamic ones, newest first. The table stays usable.
void ReleaseAllSharedLibraries();

// Keeps every other thread away from the libraries until the matching
// UnlockSharedLibraries: hold it from FindLibraryFunction until the function
// found has returned, so that no release can unload its module in between.
// Re-entrant; the library operations may be called while holding it.
void LockSharedLibraries();
void UnlockSharedLibraries();

// Forgets the LibraryTable before the ProgramHeap that holds it is destroyed; a
// release in progress on another thread is waited for, and a later ProgramEnd
// finds nothing to release.
void DetachSharedLibraries();
