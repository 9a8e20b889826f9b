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

void ReleaseHanded(std::int64_t identifier) {
  Handed.push_back(identifier);
  ReleaseObject(Table, identifier);
}

void MarkLive(void* object) {
  *static_cast<std::int64_t*>(object) = 1;
}

TEST_F(ObjectsTest, ParametersThatCannotWorkGiveNoTable) {
  const std::size_t blocks = ProgramBlocks();
  for (auto [size, grow] : {std::pair{8, 0}, {8, -1}, {7, 16}, {INT32_MAX - 15, 1}}) {
    EXPECT_EQ(CreateObjectTable(size, grow, nullptr), nullptr) << size << ", " << grow;
  }
  EXPECT_EQ(ProgramBlocks(), blocks);
  EXPECT_NE(CreateObjectTable(INT32_MAX - 16, 1, nullptr), nullptr);
}

TEST_F(ObjectsTest, ATableBehavesAsItsModel) {
  Seeded random;
  const auto growBy = static_cast<std::int32_t>(random.Between(1, 8));
  const std::size_t blocks = ProgramBlocks();
  Table = CreateObjectTable(16, growBy, ReleaseHanded);
  Handed.clear();
  std::int64_t capacity = growBy;
  std::map<std::int64_t, bool> slots;           // allocated numbers: live or not
  std::vector<std::pair<void*, bool>> dynamic;  // newest first: handle, live
  std::vector<void*> stale;
  std::int64_t foreign = 0;
  for (int step = 0; step < 400; ++step) {
    const std::int64_t number = random.Between(0, 40);
    const bool live = !random.OneIn(3);
    switch (random.Between(0, 5)) {
      case 0: {
        const std::vector<std::int64_t> handed =
            slots.count(number) ? std::vector{number} : std::vector<std::int64_t>{};
        Handed.clear();
        void* object = AcquireObject(Table, number);
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(Handed, handed);  // a slot in use goes to the callback first
        EXPECT_EQ(*static_cast<std::int64_t*>(object), 0);
        if (live) MarkLive(object);
        if (number >= capacity) capacity = number + growBy;
        slots[number] = live;
        break;
      }
      case 1: {
        void* object = AcquireObject(Table, AnyNumber);
        if (live) MarkLive(object);
        dynamic.insert(dynamic.begin(), {object, live});
        break;
      }
      case 2:
        ReleaseObject(Table, number);
        if (slots.count(number)) slots[number] = false;
        break;
      case 3:
        if (!dynamic.empty()) {
          const auto at =
              dynamic.begin() + random.Between(0, static_cast<long>(dynamic.size()) - 1);
          ReleaseObject(Table, HandleOf(at->first));
          stale.push_back(at->first);
          dynamic.erase(at);
        }
        break;
      case 4: {
        if (!random.OneIn(4)) continue;
        std::vector<std::int64_t> handed;  // live numbers in order, then every dynamic one
        for (auto& [n, isLive] : slots) {
          if (isLive) handed.push_back(n);
          isLive = false;
        }
        for (auto& [object, isLive] : dynamic)
          handed.push_back(HandleOf(object)), stale.push_back(object);
        dynamic.clear();
        Handed.clear();
        DestroyAllObjects(Table);
        EXPECT_EQ(Handed, handed);
        break;
      }
      default:
        for (auto& [n, isLive] : slots) ASSERT_EQ(LookupObject(Table, n) != nullptr, isLive) << n;
        for (auto& [object, isLive] : dynamic)
          ASSERT_EQ(LookupObject(Table, HandleOf(object)) != nullptr, isLive);
        for (void* object : stale) ASSERT_EQ(LookupObject(Table, HandleOf(object)), nullptr);
        ASSERT_EQ(LookupObject(Table, HandleOf(&foreign)), nullptr);
        ReleaseObject(Table, HandleOf(&foreign));  // names nothing: ignored
    }
    ASSERT_EQ(Table->capacity, capacity);
    stale.erase(std::remove_if(stale.begin(), stale.end(),
                               [&](void* s) {
                                 return std::any_of(dynamic.begin(), dynamic.end(),
                                                    [s](auto& d) { return d.first == s; });
                               }),
                stale.end());  // an address the heap hands out again is no longer stale
  }
  // The record, the slot array and each numbered block stay; dynamic blocks go when released.
  EXPECT_EQ(ProgramBlocks(), blocks + 2 + slots.size() + dynamic.size());
}

// Libraries loaded under numbers and dynamically, from paths that load and
// paths that do not; releases of single libraries and of all of them.
TEST_F(ObjectsTest, TheLibraryTableBehavesAsItsModel) {
  Seeded random;
  static int exported;
  const char16_t* paths[] = {u"a.dll", u"b.dll", u"c.dll", u"missing.dll", nullptr};
  for (int i = 0; i < 3; ++i) fake::state.modules[paths[i]] = {{"F", &exported}};
  std::map<std::int64_t, std::u16string> numbered;
  std::vector<std::pair<std::int64_t, std::u16string>> dynamic;  // newest first
  std::vector<std::string> released;
  auto close = [&](const std::u16string& path) {
    released.push_back("module " + std::string(path.begin(), path.end()));
  };
  for (int step = 0; step < 300; ++step) {
    const char16_t* path = paths[random.Between(0, 4)];
    const bool loads = path != nullptr && fake::state.modules.count(path);
    const std::int64_t number = random.Between(0, 20);
    switch (random.Between(0, 4)) {
      case 0:
        if (numbered.count(number)) close(numbered[number]), numbered.erase(number);
        EXPECT_EQ(LoadSharedLibrary(number, path) != 0, loads);
        if (loads) numbered[number] = path;
        break;
      case 1: {
        const std::int64_t handle = LoadSharedLibrary(AnyNumber, path);
        EXPECT_EQ(handle != 0, loads);
        if (loads) dynamic.insert(dynamic.begin(), {handle, path});
        break;
      }
      case 2:
        if (numbered.count(number)) close(numbered[number]), numbered.erase(number);
        ReleaseSharedLibrary(number);
        if (!dynamic.empty() && random.OneIn(2)) {
          const auto at =
              dynamic.begin() + random.Between(0, static_cast<long>(dynamic.size()) - 1);
          close(at->second);
          ReleaseSharedLibrary(at->first);
          ReleaseSharedLibrary(at->first);  // stale now: nothing
          dynamic.erase(at);
        }
        break;
      case 3:
        EXPECT_EQ(FindLibraryFunction(number, u"F") != nullptr, numbered.count(number) == 1);
        EXPECT_EQ(FindLibraryFunction(number, u"G"), nullptr);
        EXPECT_EQ(FindLibraryFunction(number, nullptr), nullptr);
        for (auto& [handle, loaded] : dynamic)
          EXPECT_EQ(FindLibraryFunction(handle, u"F"), &exported);
        EXPECT_EQ(FindLibraryFunction(HandleOf(&exported), u"F"), nullptr);  // a foreign handle
        break;
      default:
        if (!random.OneIn(5)) continue;
        for (auto& [n, loaded] : numbered) close(loaded);
        for (auto& [handle, loaded] : dynamic) close(loaded);
        numbered.clear(), dynamic.clear();
        if (random.OneIn(2))
          ReleaseAllSharedLibraries();
        else
          ReleaseSharedLibrary(AnyNumber);
    }
    ASSERT_EQ(fake::state.released, released) << "step " << step;
    ASSERT_EQ(fake::state.open.size(), numbered.size() + dynamic.size());
  }
  ProgramEnd();
  ProgramEnd();  // finds nothing left
  EXPECT_TRUE(fake::state.open.empty());
  EXPECT_EQ(LibraryTable->dynamicObjects, nullptr);
}

// While the main thread holds the table, from the lookup of a function until
// its call has returned, a release on another thread waits.
TEST_F(ObjectsTest, AReleaseOnAnotherThreadWaitsForTheHeldTable) {
  static int exported;
  fake::state.modules[u"a.dll"] = {{"F", &exported}};
  LockSharedLibraries();
  ASSERT_NE(FindLibraryFunction(LoadSharedLibrary(AnyNumber, u"a.dll"), u"F"), nullptr);
  std::thread control(ProgramEnd);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(fake::state.open.size(), 1u);
  UnlockSharedLibraries();
  control.join();
  EXPECT_TRUE(fake::state.open.empty());
}

}  // namespace
