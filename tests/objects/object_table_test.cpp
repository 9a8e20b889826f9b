// ObjectTables on the fake platform: growth, reuse of numbered blocks, the order
// of DestroyAllObjects, the dynamic list, and identifiers the table never issued.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "program/globals.h"
#include "runtime/objects/object_table.h"
#include "runtime/program_heap.h"
#include "tests/fake/fake_platform.h"

namespace {

ObjectTable* Table;
std::vector<std::int64_t> Destroyed;

// Records the identifier and releases the object, as the library table does.
void ReleasingCallback(std::int64_t identifier) {
  Destroyed.push_back(identifier);
  ReleaseObject(Table, identifier);
}

// Records the identifier and leaves the object as it is.
void RecordingCallback(std::int64_t identifier) {
  Destroyed.push_back(identifier);
}

void MakeLive(void* object) {
  const std::int64_t mark = 0x1234;
  std::memcpy(object, &mark, sizeof mark);
}

ObjectLink* LinkOf(void* handle) {
  return static_cast<ObjectLink*>(handle) - 1;
}

class ObjectTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    ProgramHeap = platform::CreatePrivateHeap();
    Destroyed.clear();
  }
  void TearDown() override {
    Table = nullptr;
    fake::Reset();
  }
  static std::size_t LiveBlocks() { return fake::LiveBlocks(ProgramHeap); }
};

TEST_F(ObjectTableTest, ParametersThatCannotWorkGiveNoTable) {
  const std::int32_t link = sizeof(ObjectLink);
  for (auto [size, grow] :
       {std::pair{8, 0}, {8, -1}, {7, 16}, {0, 16}, {INT32_MAX - link + 1, 1}}) {
    EXPECT_EQ(CreateObjectTable(size, grow, nullptr), nullptr) << size << ", " << grow;
  }
  EXPECT_EQ(LiveBlocks(), 0u);
  EXPECT_NE(CreateObjectTable(INT32_MAX - link, 1, nullptr), nullptr);
}

TEST_F(ObjectTableTest, GrowsFromTheRequestedNumberAndZeroFillsTheNewSlots) {
  Table = CreateObjectTable(8, 16, nullptr);
  EXPECT_EQ(Table->capacity, 16);
  EXPECT_EQ(fake::BlockBytes(Table->slots), 16 * sizeof(void*));

  void* twenty = AcquireObject(Table, 20);
  ASSERT_NE(twenty, nullptr);
  EXPECT_EQ(Table->capacity, 36);
  for (int n = 16; n < 36; ++n) {
    EXPECT_EQ(Table->slots[n], n == 20 ? twenty : nullptr) << n;
  }
  EXPECT_EQ(fake::BlockBytes(twenty), 8u);

  AcquireObject(Table, 35);  // below the capacity: no growth
  EXPECT_EQ(Table->capacity, 36);
}

TEST_F(ObjectTableTest, AcquiringANumberInUseCallsTheCallbackFirstAndReusesTheBlock) {
  Table = CreateObjectTable(24, 16, RecordingCallback);
  void* first = AcquireObject(Table, 5);
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(Destroyed.empty());
  MakeLive(first);

  EXPECT_EQ(AcquireObject(Table, 5), first);
  EXPECT_EQ(Destroyed, std::vector<std::int64_t>{5});
  EXPECT_NE(LookupObject(Table, 5), nullptr);  // the callback left it live, so it stays live
}

TEST_F(ObjectTableTest, AReleasedNumberIsClearedKeptInItsSlotAndReused) {
  Table = CreateObjectTable(24, 16, RecordingCallback);
  auto* three = static_cast<unsigned char*>(AcquireObject(Table, 3));
  std::memset(three, 0xAB, 24);
  EXPECT_EQ(LookupObject(Table, 3), three);

  ReleaseObject(Table, 3);
  EXPECT_EQ(LookupObject(Table, 3), nullptr);
  EXPECT_EQ(Table->slots[3], three);
  for (int i = 0; i < 24; ++i) ASSERT_EQ(three[i], 0) << i;

  EXPECT_EQ(AcquireObject(Table, 3), three);
  EXPECT_EQ(Destroyed, std::vector<std::int64_t>{3});
  EXPECT_EQ(LookupObject(Table, 0), nullptr);  // a slot never acquired
  ReleaseObject(Table, 0);                     // and releasing it changes nothing
  EXPECT_EQ(Table->slots[0], nullptr);
}

TEST_F(ObjectTableTest, DestroysLiveNumberedObjectsAscendingThenDynamicOnesNewestFirst) {
  Table = CreateObjectTable(8, 16, ReleasingCallback);
  MakeLive(AcquireObject(Table, 4));
  void* a = AcquireObject(Table, AnyNumber);
  MakeLive(a);
  MakeLive(AcquireObject(Table, 1));
  AcquireObject(Table, 2);  // allocated, never filled: not live
  void* b = AcquireObject(Table, AnyNumber);
  MakeLive(b);
  void* c = AcquireObject(Table, AnyNumber);
  MakeLive(c);
  MakeLive(AcquireObject(Table, 20));
  const std::size_t blocks = LiveBlocks();

  DestroyAllObjects(Table);
  EXPECT_EQ(Destroyed,
            (std::vector<std::int64_t>{1, 4, 20, HandleOf(c), HandleOf(b), HandleOf(a)}));
  EXPECT_EQ(Table->dynamicObjects, nullptr);
  EXPECT_EQ(Table->cursor, Table->capacity);
  EXPECT_EQ(LiveBlocks(), blocks - 3);  // the dynamic blocks are freed, the numbered ones stay
}

TEST_F(ObjectTableTest, DestroyWithoutACallbackVisitsNothingAndChangesNothing) {
  Table = CreateObjectTable(8, 16, nullptr);
  MakeLive(AcquireObject(Table, 1));
  MakeLive(AcquireObject(Table, AnyNumber));
  Table->cursor = 7;
  DestroyAllObjects(Table);
  EXPECT_EQ(Table->cursor, 7);
  EXPECT_NE(Table->dynamicObjects, nullptr);
  EXPECT_NE(LookupObject(Table, 1), nullptr);
}

TEST_F(ObjectTableTest, DestroyEndsWhenTheCallbackLeavesADynamicObjectInTheList) {
  Table = CreateObjectTable(8, 16, RecordingCallback);
  MakeLive(AcquireObject(Table, 0));
  void* older = AcquireObject(Table, AnyNumber);
  void* newer = AcquireObject(Table, AnyNumber);  // neither is live: handed out all the same
  DestroyAllObjects(Table);
  EXPECT_EQ(Destroyed, (std::vector<std::int64_t>{0, HandleOf(newer)}));
  EXPECT_EQ(Table->dynamicObjects, LinkOf(newer));
  EXPECT_EQ(LinkOf(newer)->next, LinkOf(older));
}

TEST_F(ObjectTableTest, UnlinksTheOnlyTheHeadAndAMiddleObject) {
  Table = CreateObjectTable(8, 16, nullptr);
  void* only = AcquireObject(Table, AnyNumber);
  EXPECT_EQ(fake::BlockBytes(LinkOf(only)), 8 + sizeof(ObjectLink));
  ReleaseObject(Table, HandleOf(only));
  EXPECT_EQ(Table->dynamicObjects, nullptr);
  EXPECT_EQ(LiveBlocks(), 2u);  // the table and its slots

  void* a = AcquireObject(Table, AnyNumber);
  void* b = AcquireObject(Table, AnyNumber);
  void* c = AcquireObject(Table, AnyNumber);
  void* d = AcquireObject(Table, AnyNumber);  // list: d c b a
  ReleaseObject(Table, HandleOf(d));          // the head
  EXPECT_EQ(Table->dynamicObjects, LinkOf(c));
  EXPECT_EQ(LinkOf(c)->prev, nullptr);

  ReleaseObject(Table, HandleOf(b));  // the middle of c b a
  EXPECT_EQ(LinkOf(c)->next, LinkOf(a));
  EXPECT_EQ(LinkOf(a)->prev, LinkOf(c));
  EXPECT_EQ(LinkOf(a)->next, nullptr);

  ReleaseObject(Table, HandleOf(a));  // the tail
  EXPECT_EQ(LinkOf(c)->next, nullptr);
  EXPECT_EQ(LiveBlocks(), 3u);
}

TEST_F(ObjectTableTest, IdentifiersTheTableDidNotIssueNameNoObject) {
  Table = CreateObjectTable(8, 16, nullptr);
  void* held = AcquireObject(Table, AnyNumber);
  MakeLive(held);
  void* gone = AcquireObject(Table, AnyNumber);
  ReleaseObject(Table, HandleOf(gone));
  const std::size_t blocks = LiveBlocks();

  // A live-looking word that the table never handed out, a freed handle, numbers
  // at or above the capacity, and negative numbers are never read as addresses.
  std::int64_t stranger[2] = {0x5678, 0};
  for (std::int64_t identifier : {HandleOf(stranger + 1), HandleOf(gone), std::int64_t{16},
                                  std::int64_t{1} << 40, std::int64_t{-1}, std::int64_t{-2}}) {
    EXPECT_EQ(LookupObject(Table, identifier), nullptr) << identifier;
    ReleaseObject(Table, identifier);
  }
  EXPECT_EQ(LookupObject(Table, HandleOf(stranger)), nullptr);
  ReleaseObject(Table, HandleOf(stranger));
  EXPECT_EQ(stranger[0], 0x5678);
  EXPECT_EQ(LiveBlocks(), blocks);
  EXPECT_EQ(Table->dynamicObjects, LinkOf(held));
  EXPECT_EQ(LookupObject(Table, HandleOf(held)), held);

  EXPECT_EQ(AcquireObject(Table, -2), nullptr);
  EXPECT_EQ(AcquireObject(Table, INT64_MIN), nullptr);
  EXPECT_EQ(LiveBlocks(), blocks);
  EXPECT_EQ(Table->capacity, 16);
}

TEST_F(ObjectTableTest, AllocationFailuresLeaveTheTableAsItWas) {
  Table = CreateObjectTable(8, 16, nullptr);
  void* held = AcquireObject(Table, AnyNumber);

  fake::FailAllocation(1);
  EXPECT_EQ(AcquireObject(Table, AnyNumber), nullptr);
  EXPECT_EQ(Table->dynamicObjects, LinkOf(held));
  EXPECT_EQ(LinkOf(held)->prev, nullptr);

  fake::FailAllocation(1);
  EXPECT_EQ(AcquireObject(Table, 4), nullptr);
  EXPECT_EQ(Table->slots[4], nullptr);

  fake::FailAllocation(1);  // the grown slot array
  EXPECT_EQ(AcquireObject(Table, 100), nullptr);
  EXPECT_EQ(Table->capacity, 16);

  // Slot counts whose array size cannot be represented are refused before any allocation.
  EXPECT_EQ(AcquireObject(Table, INT64_MAX), nullptr);
  EXPECT_EQ(AcquireObject(Table, INT64_MAX / 4), nullptr);
  EXPECT_EQ(Table->capacity, 16);

  EXPECT_NE(AcquireObject(Table, 4), nullptr);  // and the table still works
}

}  // namespace
