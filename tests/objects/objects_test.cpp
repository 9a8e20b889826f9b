// Object tables against a std::map model under random operations, foreign and
// stale handles among them; the library table on the cases of its design; and a
// release on another thread while the main thread holds the table.
#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "program/program_main.h"
#include "tests/fixture.h"

namespace {

using ObjectsTest = RuntimeTest;

ObjectTable* ModelTable;
std::vector<std::int64_t> HandedToCallback;  // in order

// Given the first handle, the callback releases the second one too.
std::pair<std::int64_t, std::int64_t> AlsoReleased{AnyNumber, AnyNumber};

// Releases what it is handed, unless that is not live (a load under way).
void ReleaseHanded(std::int64_t identifier) {
  HandedToCallback.push_back(identifier);
  if (LookupObject(ModelTable, identifier) == nullptr) return;
  ReleaseObject(ModelTable, identifier);
  if (identifier == AlsoReleased.first) ReleaseObject(ModelTable, AlsoReleased.second);
}

TEST_F(ObjectsTest, ATableBehavesAsItsModel) {
  const std::size_t blocks = ProgramBlocks();
  for (auto [size, grow] : {std::pair{8, 0}, {8, -1}, {7, 16}, {INT32_MAX - 15, 1}})
    EXPECT_EQ(CreateObjectTable(size, grow, nullptr), nullptr) << size << ", " << grow;
  ObjectLink* head = nullptr;
  EXPECT_EQ(AllocateDynamicObject(&head, sizeof(ObjectLink) - 1), nullptr);
  EXPECT_EQ(ProgramBlocks(), blocks);  // parameters that cannot work give nothing
  // The largest object there is, its 16-byte link counted, gives one.
  ObjectTable* largest = CreateObjectTable(INT32_MAX - 16, 1, nullptr);
  ASSERT_NE(largest, nullptr);
  FreeBlock(ProgramHeap, largest->slots);
  FreeBlock(ProgramHeap, largest);
  Seeded random;
  // The smallest object and growth step half the time.
  const auto growBy = static_cast<std::int32_t>(random.OneIn(2) ? 1 : random.Between(2, 8));
  ModelTable = CreateObjectTable(random.OneIn(2) ? 8 : 16, growBy, ReleaseHanded);
  std::int64_t capacity = growBy;
  std::map<std::int64_t, bool> slots;                  // allocated numbers: live or not
  std::vector<std::pair<std::int64_t, bool>> dynamic;  // newest first: handle, live
  for (int step = 0; step < 3000; ++step) {
    // The first number past the slots; now and then one for which no slots can
    // be had, which names no object either.
    const std::int64_t number = random.OneIn(8)    ? capacity
                                : random.OneIn(20) ? INT64_MAX - random.Between(0, growBy)
                                                   : random.Between(0, random.OneIn(2) ? 12 : 40);
    const bool live = random.OneIn(2);
    const long at = dynamic.empty() ? -1 : random.Between(0, static_cast<long>(dynamic.size()) - 1);
    std::vector<std::int64_t> handed;  // what the callback should be given
    HandedToCallback.clear();
    switch (random.Between(0, 4)) {
      case 0: {  // a slot in use goes to the callback first, and comes back cleared
        // Slots that the heap will not grow, beyond the room their block has, give
        // no object and leave the table as it was.
        const bool refused = number >= capacity && number <= INT32_MAX && random.OneIn(4);
        if (refused) fake::state.failingCall = fake::state.heapCalls + 1;
        if (slots.count(number) != 0) handed.push_back(number);
        auto* object = static_cast<std::int64_t*>(AcquireObject(ModelTable, number));
        // No slots for so large a number.
        if (!refused) {
          ASSERT_EQ(object == nullptr, number > INT32_MAX);
        }
        if (object == nullptr) break;
        ASSERT_EQ(*object, 0);
        *object = live;
        if (number >= capacity) capacity = number + growBy;
        slots[number] = live;
        break;
      }
      case 1: {
        auto* object = static_cast<std::int64_t*>(AcquireObject(ModelTable, AnyNumber));
        *object = live;
        dynamic.insert(dynamic.begin(), {HandleOf(object), live});
        break;
      }
      case 2:
        ReleaseObject(ModelTable, number);  // one that names nothing is ignored
        if (slots.count(number) != 0) slots[number] = false;
        break;
      case 3:
        if (at < 0) break;
        ReleaseObject(ModelTable, dynamic[at].first);
        ASSERT_EQ(LookupObject(ModelTable, dynamic[at].first), nullptr);  // a stale handle
        dynamic.erase(dynamic.begin() + at);
        break;
      default: {  // live numbers in order, then each dynamic one once, newest first
        if (!random.OneIn(4)) break;
        if (random.OneIn(4)) {  // without a callback nothing changes, not even the cursor
          ModelTable->destroyCallback = nullptr;
          ModelTable->cursor = step;
          DestroyAllObjects(ModelTable);
          ASSERT_EQ(ModelTable->cursor, step);
          ModelTable->destroyCallback = ReleaseHanded;
          break;
        }
        for (auto& [n, isLive] : slots) {
          if (isLive) handed.push_back(n);
          isLive = false;
        }
        // Given one dynamic object, the callback releases it and an older one.
        if (at >= 0) {
          const long older = random.Between(at, static_cast<long>(dynamic.size()) - 1);
          AlsoReleased = {dynamic[at].first, dynamic[older].first};
        }
        std::int64_t gone = AnyNumber;
        std::vector<std::pair<std::int64_t, bool>> left;  // those not live stay
        for (auto [handle, isLive] : dynamic) {
          if (handle == gone) continue;
          handed.push_back(handle);
          if (!isLive) left.push_back({handle, isLive});
          if (isLive && handle == AlsoReleased.first) gone = AlsoReleased.second;
        }
        dynamic = left;
        DestroyAllObjects(ModelTable);
      }
    }
    ASSERT_EQ(HandedToCallback, handed) << "step " << step;
    ASSERT_EQ(ModelTable->capacity, capacity);
    for (auto [n, isLive] : slots) ASSERT_EQ(LookupObject(ModelTable, n) != nullptr, isLive) << n;
    for (auto [handle, isLive] : dynamic)
      ASSERT_EQ(LookupObject(ModelTable, handle) != nullptr, isLive);
    const auto slot = slots.find(number);
    ASSERT_EQ(LookupObject(ModelTable, number) != nullptr, slot != slots.end() && slot->second);
  }
  // The record, the slot array and each numbered block stay; dynamic blocks go when released.
  EXPECT_EQ(ProgramBlocks(), blocks + 2 + slots.size() + dynamic.size());
}

// The library table through the cases of its design, one after another.
TEST_F(ObjectsTest, TheLibraryTableBehavesAsDesigned) {
  static int exported;
  fake::state.modules[u"a"] = {{"F", &exported}};
  fake::state.modules[u"b"] = {{"F", &exported}};
  auto released = [](std::vector<std::string> modules) {
    EXPECT_EQ(fake::state.released, modules);
    fake::state.released.clear();
  };
  // Without a path, without a module or without a block a load gives 0, and
  // leaves no dynamic object behind.
  EXPECT_EQ(LoadSharedLibrary(AnyNumber, nullptr), 0);
  EXPECT_EQ(LoadSharedLibrary(-2, u"a"), 0);
  fake::state.failingCall = fake::state.heapCalls + 1;
  EXPECT_EQ(LoadSharedLibrary(AnyNumber, u"a"), 0);
  EXPECT_EQ(LibraryTable->dynamicObjects, nullptr);
  // A load into a number frees the library held there first, also when it
  // fails (and then also the one its start loaded there), and gives the module.
  LoadSharedLibrary(3, u"a");
  const std::int64_t module = LoadSharedLibrary(3, u"b");
  EXPECT_EQ(fake::state.open.at(reinterpret_cast<void*>(module)), u"b");
  fake::state.opening = [] { LoadSharedLibrary(3, u"b"); };
  EXPECT_EQ(LoadSharedLibrary(3, u"missing"), 0);
  EXPECT_EQ(FindLibraryFunction(3, u"F"), nullptr);
  released({"module a", "module b", "module b"});
  // A load into that number from the start of the library loading there is
  // replaced; a library whose end releases all closes each module once.
  fake::state.opening = [] { LoadSharedLibrary(3, u"b"); };
  fake::state.closing = [] { ReleaseSharedLibrary(AnyNumber); };
  LoadSharedLibrary(3, u"a");
  ReleaseSharedLibrary(3);
  released({"module b", "module a"});
  fake::state.closing = nullptr;
  // A library loaded with AnyNumber is found and released by its handle, once;
  // a null name and a foreign handle find nothing.
  const std::int64_t handle = LoadSharedLibrary(AnyNumber, u"a");
  EXPECT_EQ(FindLibraryFunction(handle, u"F"), &exported);
  EXPECT_EQ(FindLibraryFunction(handle, nullptr), nullptr);
  EXPECT_EQ(FindLibraryFunction(HandleOf(&exported), u"F"), nullptr);
  ReleaseSharedLibrary(handle);
  ReleaseSharedLibrary(handle);
  EXPECT_EQ(FindLibraryFunction(handle, u"F"), nullptr);
  released({"module a"});
  // All go by number, then from the newest to the oldest; a library whose
  // start releases all the others is itself passed over.
  LoadSharedLibrary(2, u"b");
  LoadSharedLibrary(0, u"a");
  LoadSharedLibrary(AnyNumber, u"a");
  fake::state.opening = [] { ReleaseSharedLibrary(AnyNumber); };
  const std::int64_t last = LoadSharedLibrary(AnyNumber, u"b");
  EXPECT_EQ(FindLibraryFunction(last, u"F"), &exported);
  ReleaseAllSharedLibraries();
  released({"module a", "module b", "module a", "module b"});
  EXPECT_EQ(LibraryTable->dynamicObjects, nullptr);
}

// While the main thread holds the table, a release on another thread waits for
// it, however long; the library the main thread loads meanwhile is released too.
TEST_F(ObjectsTest, AReleaseOnAnotherThreadWaitsForTheHeldTable) {
  static int exported;
  fake::state.modules[u"a"] = {{"F", &exported}};
  fake::state.modules[u"b"] = {{"F", &exported}};
  LockSharedLibraries();
  ASSERT_NE(FindLibraryFunction(LoadSharedLibrary(AnyNumber, u"a"), u"F"), nullptr);
  const int waits = fake::LockWaits;
  std::atomic<bool> ended = false;
  std::thread control([&ended] {
    ProgramEnd();
    ended = true;
  });
  // Until the other thread waits for the lock, or has gone on without it.
  while (fake::LockWaits == waits && !ended) std::this_thread::yield();
  EXPECT_EQ(fake::state.open.size(), 1u);
  LoadSharedLibrary(AnyNumber, u"b");
  UnlockSharedLibraries();
  control.join();
  EXPECT_EQ(fake::state.released, (std::vector<std::string>{"module b", "module a"}));
}

}  // namespace
