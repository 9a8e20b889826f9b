// ObjectTables: the objects of one kind, fixed-size zero-filled ProgramHeap blocks
// named either by a number of the program's choosing (a slot) or by the handle
// that the table hands out for AnyNumber (a dynamic object, kept in a list).
//
// An identifier is a number below the table's capacity, or the handle of a
// dynamic object that the table holds; any other value names no object. An object
// is live while its first 64-bit word is non-zero.
#pragma once

#include <cstdint>

// Asks AcquireObject for a new dynamic object rather than a numbered one.
inline constexpr std::int64_t AnyNumber = -1;

// Releases whatever the object named by `identifier` holds. Given by the owner of
// the kind when the table is created.
using DestroyCallback = void (*)(std::int64_t identifier);

// The header in front of every dynamic object; the object's bytes follow it
// directly in the same block.
struct ObjectLink {
  ObjectLink* next;  // the next (older) dynamic object
  ObjectLink* prev;  // the previous (newer) one; null at the head
};

struct ObjectTable {
  std::int32_t objectSize;          // bytes of one object, at least 8
  std::int32_t growBy;              // growth step of the slot array; also its first capacity
  std::int64_t capacity;            // number of slots
  void** slots;                     // slot n: null, or the block of numbered object n
  ObjectLink* dynamicObjects;       // the dynamic objects, the most recently acquired first
  DestroyCallback destroyCallback;  // null, or called to release what an object holds
  std::int64_t cursor;              // the next slot that NextObject examines
};
static_assert(sizeof(ObjectTable) == 48, "the fields of an ObjectTable are packed as listed");

// The handle of a dynamic object, or the identifier form of any object pointer.
inline std::int64_t HandleOf(const void* object) {
  return static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(object));
}

// A new table with `growBy` empty slots and no dynamic objects. Null, with
// nothing allocated, when `objectSize` is below 8 (the liveness mark) or too
// large to carry an ObjectLink in 32 bits, or `growBy` is below 1. Ends the
// process when the ProgramHeap cannot supply the table.
ObjectTable* CreateObjectTable(std::int32_t objectSize, std::int32_t growBy,
                               DestroyCallback destroyCallback);

// For AnyNumber: a new zero-filled dynamic object, whose address is its handle.
// For a number: the block of that slot, growing the table to number + growBy
// slots when needed; a slot that holds a block already is handed to the destroy
// callback first and its block is returned as the callback left it. Null when a
// block cannot be allocated, and for a number below AnyNumber.
void* AcquireObject(ObjectTable* table, std::int64_t number);

// The live object named by `identifier`, or null.
void* LookupObject(ObjectTable* table, std::int64_t identifier);

// Clears a numbered object (its block stays in the slot) or unlinks and frees a
// dynamic one. Does not call the destroy callback; an unknown identifier is ignored.
void ReleaseObject(ObjectTable* table, std::int64_t identifier);

// Hands every live numbered object, in ascending order, and then every dynamic
// object, newest first, to the destroy callback, which is expected to release it;
// each at most once, in one walk, whatever else the callback releases (it may
// not start another DestroyAllObjects on the table). A dynamic object that the
// callback leaves in place is passed over, and the older ones follow. Does
// nothing at all without a destroy callback.
void DestroyAllObjects(ObjectTable* table);

// Sets the cursor of NextObject back to slot 0.
void RewindObjects(ObjectTable* table);

// The next live numbered object from the cursor on, or when the slots are
// exhausted the newest dynamic object (live or not, again on every call), or null.
// Its number or handle goes to `identifier`.
void* NextObject(ObjectTable* table, std::int64_t* identifier);

// A zero-filled block of `size` bytes (ObjectLink included) linked at the head of
// the list at `head`; returns the handle, the address behind the link, or null
// when the block cannot be allocated or has no room for the link (the list is
// unchanged then).
void* AllocateDynamicObject(ObjectLink** head, std::int32_t size);

// Unlinks the object with `handle` from the list at `head` and frees its block.
// A handle that the list does not hold is ignored.
void FreeDynamicObject(ObjectLink** head, void* handle);
