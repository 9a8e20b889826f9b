// ObjectTables on the ProgramHeap. A handle is trusted only once it has been
// found in the table's list of dynamic objects: any other value that is not a
// slot number names no object and is never read as an address.
#include "runtime/objects/object_table.h"

#include <climits>
#include <cstddef>
#include <cstring>

#include "runtime/memory/heaps.h"
#include "runtime/memory/out_of_memory.h"

namespace {

void* ObjectBehind(ObjectLink* link) {
  return link + 1;
}

bool IsLive(const void* object) {
  std::int64_t mark;
  std::memcpy(&mark, object, sizeof mark);
  return mark != 0;
}

bool IsSlotNumber(const ObjectTable* table, std::int64_t identifier) {
  return identifier >= 0 && identifier < table->capacity;
}

// The link of the dynamic object whose handle is `identifier`, or null when the
// list does not hold one.
ObjectLink* FindDynamicLink(ObjectLink* head, std::int64_t identifier) {
  for (ObjectLink* link = head; link != nullptr; link = link->next) {
    if (HandleOf(ObjectBehind(link)) == identifier) return link;
  }
  return nullptr;
}

// Takes `link` out of the list at `head`, joining its neighbours.
void Unlink(ObjectLink** head, ObjectLink* link) {
  if (link == *head) {
    *head = link->next;
  } else {
    link->prev->next = link->next;
  }
  if (link->next != nullptr) link->next->prev = link->prev;
}

// Links `added` into a list directly behind (older than) `link`.
void LinkBehind(ObjectLink* link, ObjectLink* added) {
  added->prev = link;
  added->next = link->next;
  if (link->next != nullptr) link->next->prev = added;
  link->next = added;
}

// DestroyAllObjects' place in the dynamic list, with a liveness mark of 0.
struct PlaceMarker {
  ObjectLink link;
  std::int64_t mark;
};

// Grows the slot array to `number` + growBy zero slots. False, with the table
// unchanged, when that count cannot be represented or allocated.
bool GrowSlots(ObjectTable* table, std::int64_t number) {
  if (number > INT64_MAX - table->growBy) return false;
  const std::int64_t capacity = number + table->growBy;
  if (static_cast<std::uint64_t>(capacity) > SIZE_MAX / sizeof(void*)) return false;
  void* grown = ResizeBlock(ProgramHeap, table->slots,
                            static_cast<std::size_t>(capacity) * sizeof(void*), true);
  if (grown == nullptr) return false;
  table->slots = static_cast<void**>(grown);
  table->capacity = capacity;
  return true;
}

}  // namespace

ObjectTable* CreateObjectTable(std::int32_t objectSize, std::int32_t growBy,
                               DestroyCallback destroyCallback) {
  // An object holds at least its liveness mark, and a dynamic one its link as
  // well, in a size counted in 32 bits; a growth step below 1 would grow nothing.
  constexpr auto kLinkBytes = static_cast<std::int32_t>(sizeof(ObjectLink));
  if (objectSize < 8 || objectSize > INT32_MAX - kLinkBytes || growBy < 1) return nullptr;
  auto* table = static_cast<ObjectTable*>(AllocateBlock(ProgramHeap, sizeof(ObjectTable), true));
  if (table == nullptr) FailOutOfMemory();
  table->objectSize = objectSize;
  table->growBy = growBy;
  table->capacity = growBy;
  table->destroyCallback = destroyCallback;
  table->dynamicObjects = nullptr;
  table->cursor = 0;
  table->slots = static_cast<void**>(
      AllocateBlock(ProgramHeap, static_cast<std::size_t>(growBy) * sizeof(void*), true));
  if (table->slots == nullptr) FailOutOfMemory();
  return table;
}

void* AcquireObject(ObjectTable* table, std::int64_t number) {
  if (number == AnyNumber) {
    return AllocateDynamicObject(&table->dynamicObjects,
                                 table->objectSize + static_cast<std::int32_t>(sizeof(ObjectLink)));
  }
  if (number < 0) return nullptr;
  if (number >= table->capacity && !GrowSlots(table, number)) return nullptr;
  if (table->slots[number] != nullptr) {
    if (table->destroyCallback != nullptr) table->destroyCallback(number);
    return table->slots[number];
  }
  table->slots[number] =
      AllocateBlock(ProgramHeap, static_cast<std::size_t>(table->objectSize), true);
  return table->slots[number];
}

void* AllocateDynamicObject(ObjectLink** head, std::int32_t size) {
  if (size < static_cast<std::int32_t>(sizeof(ObjectLink))) return nullptr;  // no room to link
  auto* link =
      static_cast<ObjectLink*>(AllocateBlock(ProgramHeap, static_cast<std::size_t>(size), true));
  if (link == nullptr) return nullptr;
  if (*head != nullptr) {
    (*head)->prev = link;
    link->next = *head;
  }
  *head = link;
  return ObjectBehind(link);
}

void* LookupObject(ObjectTable* table, std::int64_t identifier) {
  void* object;
  if (IsSlotNumber(table, identifier)) {
    object = table->slots[identifier];
  } else {
    ObjectLink* link = FindDynamicLink(table->dynamicObjects, identifier);
    object = link != nullptr ? ObjectBehind(link) : nullptr;
  }
  return object != nullptr && IsLive(object) ? object : nullptr;
}

void ReleaseObject(ObjectTable* table, std::int64_t identifier) {
  if (IsSlotNumber(table, identifier)) {
    void* block = table->slots[identifier];
    if (block != nullptr) std::memset(block, 0, static_cast<std::size_t>(table->objectSize));
    return;
  }
  FreeDynamicObject(&table->dynamicObjects,
                    reinterpret_cast<void*>(static_cast<std::intptr_t>(identifier)));
}

void FreeDynamicObject(ObjectLink** head, void* handle) {
  ObjectLink* link = FindDynamicLink(*head, HandleOf(handle));
  if (link == nullptr) return;
  Unlink(head, link);
  FreeBlock(ProgramHeap, link);
}

void DestroyAllObjects(ObjectTable* table) {
  if (table->destroyCallback == nullptr) return;
  RewindObjects(table);
  std::int64_t identifier = 0;
  // The live numbered objects; once the slots are exhausted NextObject hands out
  // the head of the dynamic list.
  while (NextObject(table, &identifier) != nullptr && IsSlotNumber(table, identifier)) {
    table->destroyCallback(identifier);
  }
  // Then each dynamic object, newest first, once. One that the callback leaves in
  // place (one not yet live, whose load is under way further up the stack) is
  // passed over. A marker linked behind the object handed out keeps the walk's
  // place whatever else the callback releases; it reads as an object not live.
  PlaceMarker marker{};
  ObjectLink* link = table->dynamicObjects;
  while (link != nullptr) {
    LinkBehind(link, &marker.link);
    table->destroyCallback(HandleOf(ObjectBehind(link)));
    link = marker.link.next;
    Unlink(&table->dynamicObjects, &marker.link);
  }
}

void RewindObjects(ObjectTable* table) {
  table->cursor = 0;
}

void* NextObject(ObjectTable* table, std::int64_t* identifier) {
  while (IsSlotNumber(table, table->cursor)) {
    const std::int64_t number = table->cursor++;
    void* block = table->slots[number];
    if (block != nullptr && IsLive(block)) {
      *identifier = number;
      return block;
    }
  }
  if (table->dynamicObjects == nullptr) return nullptr;
  void* object = ObjectBehind(table->dynamicObjects);
  *identifier = HandleOf(object);
  return object;
}
