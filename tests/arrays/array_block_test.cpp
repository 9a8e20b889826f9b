// Array blocks on the fake platform: creation, re-creation, dimensions, copies
// and release, with the heaps' block counts proving nothing leaks.
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "program/benchmark_run.h"
#include "program/program_main.h"
#include "runtime/arrays/array_block.h"
#include "tests/arrays/arrays_fixture.h"

namespace {

using ArrayBlockTest = ArraysTest;
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

// An array variable followed by room for its per-dimension words.
struct ShapedVariable {
  ArrayVariable elements = nullptr;
  std::int64_t words[3] = {-7, -7, -7};
};

// A string array of `count` elements, element i holding "e<i>".
void* StringArrayOf(ArrayVariable* variable, std::int64_t count) {
  void* elements = CreateArrayBlock(8, count, 8, StringElementMap, variable);
  for (std::int64_t i = 0; i < count; ++i) {
    const char16_t text[] = {u'e', static_cast<char16_t>(u'0' + i), 0};
    AssignText(&static_cast<StringVariable*>(elements)[i], text);
  }
  return elements;
}

TEST_F(ArrayBlockTest, TheBenchmarkArrayIsOneZeroedAllocationWithNoOtherWork) {
  const std::size_t callsBefore = fake::Calls().size(), strings = StringBlocks();
  void* elements = CreateArrayBlock(8, 1'000'001, 8, StringElementMap, &ProgramGlobals.StringArray);
  ASSERT_NE(elements, nullptr);
  EXPECT_EQ(ProgramGlobals.StringArray, elements);
  EXPECT_EQ(std::vector<std::string>(fake::Calls().begin() + callsBefore, fake::Calls().end()),
            std::vector<std::string>{"AllocateBlock 8000056"});
  const ArrayHeader& header = *HeaderOf(elements);
  EXPECT_EQ(header.dimensionCount, 1);
  EXPECT_EQ(header.structureMap, StringElementMap);
  EXPECT_EQ(header.variable, &ProgramGlobals.StringArray);
  EXPECT_EQ(header.elementCount, 1'000'001);
  EXPECT_EQ(header.typeCode, 8);
  std::int64_t nonNull = 0;
  for (std::int64_t i = 0; i <= 1'000'000; ++i) nonNull += At(elements, i) != nullptr;
  EXPECT_EQ(nonNull, 0);

  // Releasing it frees every element text and clears the variable.
  AssignText(&At(elements, 0), u"first");
  AssignText(&At(elements, 1'000'000), u"last");
  ReleaseArrayBlock(elements);
  EXPECT_EQ(ProgramGlobals.StringArray, nullptr);
  EXPECT_EQ(StringBlocks(), strings);
  EXPECT_EQ(ProgramBlocks(), 0u);
}

TEST_F(ArrayBlockTest, CreatingIntoAVariableThatHoldsAnArrayReleasesItFirst) {
  const std::size_t strings = StringBlocks();
  ArrayVariable variable = nullptr;
  StringArrayOf(&variable, 3);
  EXPECT_EQ(StringArrayOf(&variable, 2), variable);
  EXPECT_EQ(ProgramBlocks(), 1u);
  EXPECT_EQ(StringBlocks(), strings + 2);

  // A count below 1 or a size that does not fit, the heap refusing the block:
  // each ends with the old array released, the variable null, nothing allocated.
  struct Request {
    std::int64_t elementSize, count;
    bool heapRefuses;
  };
  for (const Request r :
       {Request{8, 0, false}, Request{8, -1, false}, Request{8, kMax / 4, false},
        Request{1, kMax - 10, false}, Request{-8, 4, false}, Request{8, 4, true}}) {
    StringArrayOf(&variable, 2);
    if (r.heapRefuses) fake::FailAllocation(1);
    EXPECT_EQ(CreateArrayBlock(r.elementSize, r.count, 8, nullptr, &variable), nullptr);
    EXPECT_EQ(variable, nullptr);
    EXPECT_EQ(ProgramBlocks(), 0u);
    EXPECT_EQ(StringBlocks(), strings);
    if (!r.heapRefuses) {
      EXPECT_EQ(fake::Calls().back(), "FreeBlock") << r.count;  // no allocation asked for
    }
  }
}

TEST_F(ArrayBlockTest, DimensionSizesBecomeMultipliers) {
  ShapedVariable shaped{nullptr, {3, 4, 5}};
  void* elements = CreateArrayBlockDims(3, 4, 1, nullptr, &shaped.elements);
  EXPECT_EQ(shaped.elements, elements);
  EXPECT_EQ(HeaderOf(elements)->elementCount, 60);
  EXPECT_EQ(HeaderOf(elements)->dimensionCount, 3);
  EXPECT_EQ(fake::BlockBytes(HeaderOf(elements)), 48u + 240u);
  EXPECT_EQ(std::vector<std::int64_t>(shaped.words, shaped.words + 3),
            (std::vector<std::int64_t>{20, 5, 1}));

  shaped.words[0] = 3;
  shaped.words[1] = 4;
  elements = CreateArrayBlockDims(2, 8, 8, StringElementMap, &shaped.elements);
  EXPECT_EQ(HeaderOf(elements)->elementCount, 12);
  EXPECT_EQ(HeaderOf(elements)->dimensionCount, 2);
  EXPECT_EQ(shaped.words[0], 4);
  EXPECT_EQ(shaped.words[1], 1);
  EXPECT_EQ(ProgramBlocks(), 1u);

  ShapedVariable none;  // no dimensions: one element, no word read or written
  elements = CreateArrayBlockDims(0, 8, 8, nullptr, &none.elements);
  EXPECT_EQ(HeaderOf(elements)->elementCount, 1);
  EXPECT_EQ(HeaderOf(elements)->dimensionCount, 0);
  EXPECT_EQ(none.words[0], -7);
}

TEST_F(ArrayBlockTest, RefusedDimensionsKeepTheirSizes) {
  ShapedVariable shaped{nullptr, {3, 0}};
  void* previous = StringArrayOf(&shaped.elements, 2);
  EXPECT_EQ(CreateArrayBlockDims(2, 8, 8, nullptr, &shaped.elements), nullptr);
  EXPECT_EQ(shaped.elements, previous);  // a size below 1 changes nothing at all
  EXPECT_EQ(shaped.words[1], 0);

  // A total that does not fit ends like a block the heap refuses: the old array
  // released, the variable null, and the sizes left as they were.
  for (std::int64_t second : {kMax / 2, std::int64_t{4}}) {
    StringArrayOf(&shaped.elements, 2);
    shaped.words[1] = second;
    if (second == 4) fake::FailAllocation(1);
    EXPECT_EQ(CreateArrayBlockDims(2, 8, 8, nullptr, &shaped.elements), nullptr);
    EXPECT_EQ(shaped.elements, nullptr);
    EXPECT_EQ(shaped.words[0], 3);
    EXPECT_EQ(shaped.words[1], second);
    EXPECT_EQ(ProgramBlocks(), 0u);
  }
}

TEST_F(ArrayBlockTest, CopyingStringArraysDeepCopiesEveryElement) {
  const std::size_t strings = StringBlocks();
  ShapedVariable source, destination;
  StringArrayOf(&source.elements, 3);
  StringArrayOf(&destination.elements, 3);
  AssignText(&At(source.elements, 1), nullptr);

  EXPECT_EQ(CopyArrayBlock(source.elements, destination.elements, 0), 1);
  EXPECT_EQ(TextOf(At(destination.elements, 2)), u"e2");
  EXPECT_NE(At(destination.elements, 2), At(source.elements, 2));
  EXPECT_EQ(At(destination.elements, 1), nullptr);
  EXPECT_EQ(destination.words[0], -7);  // one dimension: no word touched
  EXPECT_EQ(StringBlocks(), strings + 4);

  ReleaseArrayBlock(source.elements);
  ReleaseArrayBlock(destination.elements);
  EXPECT_EQ(StringBlocks(), strings);
}

TEST_F(ArrayBlockTest, CopiesThatDoNotMatchAreRefusedAndChangeNothing) {
  ShapedVariable two{nullptr, {2, 2}}, three{nullptr, {2, 2, 2}};
  void* plane = CreateArrayBlockDims(2, 8, 8, nullptr, &two.elements);
  void* cube = CreateArrayBlockDims(3, 8, 8, nullptr, &three.elements);
  for (std::int32_t recreate : {0, 1}) EXPECT_EQ(CopyArrayBlock(plane, cube, recreate), 0);
  EXPECT_EQ(three.elements, cube);
  EXPECT_EQ(CopyArrayBlock(nullptr, cube, 1), 0);

  ArrayVariable shortVariable = nullptr, longVariable = nullptr;
  void* shorter = StringArrayOf(&shortVariable, 2);
  void* longer = StringArrayOf(&longVariable, 3);
  EXPECT_EQ(CopyArrayBlock(longer, shorter, 0), 0);
  EXPECT_EQ(TextOf(At(shorter, 1)), u"e1");
  EXPECT_EQ(CopyArrayBlock(longer, longer, 1), 1);  // onto itself: already equal
  EXPECT_EQ(TextOf(At(longer, 2)), u"e2");

  // Equal counts, but elements of another size or map: nothing is written.
  ArrayVariable narrowVariable = nullptr, plainVariable = nullptr;
  void* narrow = CreateArrayBlock(4, 3, 8, nullptr, &narrowVariable);
  void* plain = CreateArrayBlock(8, 3, 8, nullptr, &plainVariable);
  EXPECT_EQ(CopyArrayBlock(longer, narrow, 0), 0);
  EXPECT_EQ(CopyArrayBlock(longer, plain, 0), 0);
  EXPECT_EQ(CopyArrayBlock(plain, longer, 0), 0);
  EXPECT_EQ(At<std::int64_t>(plain, 2), 0);
  EXPECT_EQ(TextOf(At(longer, 2)), u"e2");

  fake::FailAllocation(1);
  EXPECT_EQ(CopyArrayBlock(longer, shorter, 1), 0);
  EXPECT_EQ(shortVariable, nullptr);
}

TEST_F(ArrayBlockTest, ATwoBySixArrayTakesTheShapeAndContentsOfAThreeByFour) {
  ShapedVariable source{nullptr, {3, 4}}, destination{nullptr, {2, 6}};
  void* from = CreateArrayBlockDims(2, 8, 1, nullptr, &source.elements);
  void* to = CreateArrayBlockDims(2, 8, 1, nullptr, &destination.elements);
  for (std::int64_t i = 0; i < 12; ++i) At<std::int64_t>(from, i) = 100 + i;

  EXPECT_EQ(CopyArrayBlock(from, to, 0), 1);
  EXPECT_EQ(destination.words[0], 4);
  EXPECT_EQ(destination.words[1], 1);
  for (std::int64_t i = 0; i < 12; ++i) EXPECT_EQ(At<std::int64_t>(to, i), 100 + i);
}

TEST_F(ArrayBlockTest, RecreatingGivesTheDestinationTheSourcesTypeAndCount) {
  ArrayVariable source = nullptr, destination = nullptr;
  StringArrayOf(&source, 3);
  EXPECT_EQ(CopyArrayBlock(source, CreateArrayBlock(4, 5, 3, nullptr, &destination), 1), 1);
  const ArrayHeader& header = *HeaderOf(destination);
  EXPECT_EQ(header.elementSize, 8);
  EXPECT_EQ(header.elementCount, 3);
  EXPECT_EQ(header.typeCode, 8);
  EXPECT_EQ(header.structureMap, StringElementMap);
  EXPECT_EQ(header.variable, &destination);
  EXPECT_EQ(TextOf(At(destination, 2)), u"e2");
  EXPECT_NE(At(destination, 2), At(source, 2));
  EXPECT_EQ(ProgramBlocks(), 2u);
}

TEST(ArrayStartUpTest, ProgramMainFillsTheFourArraySlotsAndNoOther) {
  fake::Reset();
  ArrayOperations = {};
  auto release = [](void*) {};
  ArrayOperations.ReleaseList = release;
  EXPECT_EQ(fake::ExitCodeOf([] { ProgramMainSized({0, 1, 1}); }), 0u);
  const ArrayOperationTable expected = {
      CreateArrayBlockDims, CreateArrayBlock, nullptr, nullptr, CopyArrayBlock, nullptr, nullptr,
      ReleaseArrayBlock,    release,          nullptr};
  EXPECT_EQ(std::memcmp(&ArrayOperations, &expected, sizeof expected), 0);
  ArrayOperations = {};
  fake::Reset();
}

}  // namespace
