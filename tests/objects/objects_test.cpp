// Object tables and the library table against a std::map model under random
// operations, foreign and stale handles among them; and a release on another
// thread while the main thread holds the table.
#include <algorithm>
#include <chrono>
#include <map>
#include <thread>
#include <vector>

#include "program/program_main.h"
#include "tests/fixture.h"

namespace {

using ObjectsTest = RuntimeTest;

ObjectTable* Table;
std::vector<std::int64_t> Handed;  // what the destroy callback was given, in order

// Given the first handle, the callback releases the second one too.
std::pair<std::int64_t, std::int64_t> AlsoReleased{AnyNumber, AnyNumber};

// Releases what it is handed, unless that is not live (a load under way).
void ReleaseHanded(std::int64_t identifier) {
  Handed.push_back(identifier);
  if (LookupObject(Table, identifier) == nullptr) return;
  ReleaseObject(Table, identifier);
  if (identifier == AlsoReleased.first) ReleaseObject(Table, AlsoReleased.second);
}

TEST_F(ObjectsTest, ATableBehavesAsItsModel) {
  const std::size_t blocks = ProgramBlocks();
  for (auto [size, grow] : {std::pair{8, 0}, {8, -1}, {7, 16}, {INT32_MAX - 15, 1}})
    EXPECT_EQ(CreateObjectTable(size, grow, nullptr), nullptr) << size << ", " << grow;
  EXPECT_EQ(ProgramBlocks(), blocks);  // parameters that cannot work give no table
  Seeded random;
  // The smallest object and growth step half the time.
  const auto growBy = static_cast<std::int32_t>(random.OneIn(2) ? 1 : random.Between(2, 8));
  Table = CreateObjectTable(random.OneIn(2) ? 8 : 16, growBy, ReleaseHanded);
  std::int64_t capacity = growBy, foreign = 0;
  std::map<std::int64_t, bool> slots;           // allocated numbers: live or not
  std::vector<std::pair<void*, bool>> dynamic;  // newest first: handle, live
  std::vector<void*> stale;
  for (int step = 0; step < 3000; ++step) {
    // The first number past the slots, now and then one for which no slots can be had.
    const std::int64_t number = random.OneIn(8)    ? capacity
                                : random.OneIn(20) ? INT64_MAX - random.Between(0, growBy)
                                                   : random.Between(0, random.OneIn(2) ? 12 : 40);
    const bool live = random.OneIn(2);
    const long at = dynamic.empty() ? -1 : random.Between(0, static_cast<long>(dynamic.size()) - 1);
    std::vector<std::int64_t> handed;  // what the callback should be given
    Handed.clear();
    switch (random.Between(0, 5)) {
      case 0: {  // a slot in use goes to the callback first, and comes back cleared
        if (slots.count(number) != 0) handed.push_back(number);
        auto* object = static_cast<std::int64_t*>(AcquireObject(Table, number));
        ASSERT_EQ(object == nullptr, number > INT32_MAX);  // no slots for so large a number
        if (object == nullptr) break;
        ASSERT_EQ(*object, 0);
        *object = live;
        if (number >= capacity) capacity = number + growBy;
        slots[number] = live;
        break;
      }
      case 1:
        dynamic.insert(dynamic.begin(), {AcquireObject(Table, AnyNumber), live});
        *static_cast<std::int64_t*>(dynamic.front().first) = live;
        break;
      case 2:
        ReleaseObject(Table, number);
        if (slots.count(number) != 0) slots[number] = false;
        break;
      case 3:
        if (at < 0) break;
        ReleaseObject(Table, HandleOf(dynamic[at].first)), stale.push_back(dynamic[at].first);
        dynamic.erase(dynamic.begin() + at);
        break;
      case 4: {  // live numbers in order, then each dynamic one once, newest first
        if (!random.OneIn(4)) continue;
        for (auto& [n, isLive] : slots) {
          if (isLive) handed.push_back(n);
          isLive = false;
        }
        // Given one dynamic object, the callback releases an older one as well.
        if (at >= 0) {
          const long last = static_cast<long>(dynamic.size()) - 1;
          const long older = random.OneIn(2) ? std::min(at + 1, last) : random.Between(at, last);
          AlsoReleased = {HandleOf(dynamic[at].first), HandleOf(dynamic[older].first)};
        }
        std::int64_t gone = AnyNumber;
        std::vector<std::pair<void*, bool>> left;  // those not live stay
        for (auto& [object, isLive] : dynamic) {
          stale.push_back(object);
          if (HandleOf(object) == gone) continue;
          handed.push_back(HandleOf(object));
          if (!isLive) left.push_back({object, isLive});
          if (isLive && HandleOf(object) == AlsoReleased.first) gone = AlsoReleased.second;
        }
        dynamic = left;
        DestroyAllObjects(Table);
        break;
      }
      default:
        for (auto& [n, isLive] : slots) ASSERT_EQ(LookupObject(Table, n) != nullptr, isLive) << n;
        for (auto& [object, isLive] : dynamic)
          ASSERT_EQ(LookupObject(Table, HandleOf(object)) != nullptr, isLive);
        for (void* object : stale) {  // unless the heap has handed the address out again
          const bool reused = std::any_of(dynamic.begin(), dynamic.end(),
                                          [object](auto& d) { return d.first == object; });
          ASSERT_TRUE(reused || LookupObject(Table, HandleOf(object)) == nullptr);
        }
        ASSERT_EQ(LookupObject(Table, HandleOf(&foreign)), nullptr);
        ReleaseObject(Table, HandleOf(&foreign));  // names nothing: ignored
    }
    ASSERT_EQ(Handed, handed) << "step " << step;
    ASSERT_EQ(Table->capacity, capacity);
  }
  // The record, the slot array and each numbered block stay; dynamic blocks go when released.
  EXPECT_EQ(ProgramBlocks(), blocks + 2 + slots.size() + dynamic.size());
}

// Libraries loaded under numbers and dynamically, from paths that load and
// paths that do not; releases of single libraries and of all of them.
TEST_F(ObjectsTest, TheLibraryTableBehavesAsItsModel) {
  Seeded random;
  static int exported;
  const char16_t* paths[] = {u"a.dll", u"b.dll", u"missing.dll", nullptr};
  for (int i = 0; i < 2; ++i) fake::state.modules[paths[i]] = {{"F", &exported}};
  std::map<std::int64_t, std::u16string> numbered;
  std::vector<std::pair<std::int64_t, std::u16string>> dynamic;  // newest first
  std::vector<std::string> released;
  auto close = [&](const std::u16string& path) {
    released.push_back("module " + std::string(path.begin(), path.end()));
  };
  auto closeAll = [&] {  // numbers in order, then dynamic ones, newest first
    for (auto& [n, loaded] : numbered) close(loaded);
    for (auto& [handle, loaded] : dynamic) close(loaded);
    numbered.clear(), dynamic.clear();
  };
  for (int step = 0; step < 300; ++step) {
    const char16_t* path = paths[random.Between(0, 3)];
    const bool loads = path != nullptr && fake::state.modules.count(path) != 0;
    const std::int64_t number = random.Between(0, 20);
    const long kind = random.Between(0, 4);
    if (kind <= 1 && numbered.count(number) != 0) close(numbered[number]), numbered.erase(number);
    if (kind % 2 == 0 && kind < 4 && path != nullptr && random.OneIn(6)) {
      // The start of the library being loaded releases every one loaded before.
      fake::state.opening = [] { ReleaseSharedLibrary(AnyNumber); };
      closeAll();
    }
    if (kind == 0) {  // into a number, freeing what it held
      EXPECT_EQ(LoadSharedLibrary(number, path) != 0, loads);
      if (loads) numbered[number] = path;
    } else if (kind == 1) {
      ReleaseSharedLibrary(number);
    } else if (kind == 2) {
      const std::int64_t handle = LoadSharedLibrary(AnyNumber, path);
      EXPECT_EQ(handle != 0, loads);
      if (loads) dynamic.insert(dynamic.begin(), {handle, path});
    } else if (kind == 3 && !dynamic.empty()) {
      const auto at = dynamic.begin() + random.Between(0, static_cast<long>(dynamic.size()) - 1);
      close(at->second), ReleaseSharedLibrary(at->first);
      ReleaseSharedLibrary(at->first);  // stale now: nothing
      dynamic.erase(at);
    } else if (kind == 4 && random.OneIn(4)) {
      closeAll();
      random.OneIn(2) ? ReleaseAllSharedLibraries() : ReleaseSharedLibrary(AnyNumber);
    }
    EXPECT_EQ(FindLibraryFunction(number, u"F") != nullptr, numbered.count(number) == 1);
    EXPECT_EQ(FindLibraryFunction(number, nullptr), nullptr);
    for (auto& [handle, loaded] : dynamic) EXPECT_EQ(FindLibraryFunction(handle, u"F"), &exported);
    EXPECT_EQ(FindLibraryFunction(HandleOf(&exported), u"F"), nullptr);  // a foreign handle
    ASSERT_EQ(fake::state.released, released) << "step " << step;
    ASSERT_EQ(fake::state.open.size(), numbered.size() + dynamic.size());
  }
}

// While the main thread holds the table, from the lookup of a function until
// its call has returned, a release on another thread waits; then ProgramEnd
// releases everything once.
TEST_F(ObjectsTest, AReleaseOnAnotherThreadWaitsForTheHeldTable) {
  static int exported;
  fake::state.modules[u"a.dll"] = {{"F", &exported}};
  LockSharedLibraries();
  ASSERT_NE(FindLibraryFunction(LoadSharedLibrary(AnyNumber, u"a.dll"), u"F"), nullptr);
  std::thread control(ProgramEnd);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(fake::state.open.size(), 1u);
  UnlockSharedLibraries(), control.join();
  ProgramEnd();
  EXPECT_EQ(fake::state.released, std::vector<std::string>{"module a.dll"});
  // Without a block for its object a load gives 0; it does not end the process.
  for (std::int64_t number : {AnyNumber, std::int64_t{40}}) {
    fake::state.failingCall = fake::state.heapCalls + 1;
    EXPECT_EQ(LoadSharedLibrary(number, u"a.dll"), 0);
  }
  EXPECT_TRUE(fake::state.open.empty());
}

}  // namespace
