// The structure walkers on the fake platform: the nested example structure
// through construction, copy and destruction, the edges of the map format, and
// list and map fields with and without their slots.
#include <cstring>
#include <string>
#include <vector>

#include "runtime/arrays/array_block.h"
#include "runtime/arrays/container_objects.h"
#include "runtime/arrays/string_field.h"
#include "runtime/arrays/structure_walkers.h"
#include "tests/arrays/arrays_fixture.h"

namespace {

using StructureMapTest = ArraysTest;

// 64 bytes: a text, a plain word, an embedded structure {plain word, text}, an
// array of 10 texts, and three repeated one-text structures.
struct Nested {
  StringVariable name;
  std::int64_t number;
  std::int64_t embeddedPlain;
  StringVariable embeddedText;
  ArrayVariable texts;
  StringVariable repeated[3];
};

constexpr MapWord kTextAt8[] = {8, EndOfMap};
// clang-format off
const MapWord kNestedMap[] = {
    0,
    EmbeddedStructure, 16, 16, MapWordOf(kTextAt8),
    ArrayField, 32, 8, 10, 8, MapWordOf(StringElementMap),
    RepeatedStructure, 3, 40, 8, MapWordOf(StringElementMap),
    EndOfMap};
// clang-format on
static_assert(sizeof(Nested) == 64 && sizeof(kNestedMap) == 17 * 8);

TEST_F(StructureMapTest, TheNestedExampleIsBuiltCopiedAndDestroyedWithoutLeaks) {
  const std::size_t programBlocks = ProgramBlocks(), stringBlocks = StringBlocks();
  EXPECT_EQ(MapNeedsConstruction(kNestedMap), 1);
  struct {
    Nested nested{};
    unsigned char guard[16] = {0xAB, 0xAB};  // bytes past the size: never touched
  } source, destination;
  ConstructStructure(&source.nested, kNestedMap);
  ConstructStructure(&destination.nested, kNestedMap);
  std::memset(source.guard, 0x11, sizeof source.guard);
  ASSERT_NE(source.nested.texts, nullptr);
  EXPECT_EQ(HeaderOf(source.nested.texts)->elementCount, 10);
  EXPECT_EQ(HeaderOf(source.nested.texts)->variable, &source.nested.texts);

  source.nested = {Text(u"name"),
                   42,
                   7,
                   Text(u"inner"),
                   source.nested.texts,
                   {nullptr, nullptr, Text(u"third")}};
  AssignText(&At(source.nested.texts, 9), u"ninth");
  destination.nested.name = Text(u"to be freed");
  destination.nested.repeated[0] = Text(u"to be freed as well");

  CopyStructure(&destination.nested, 64, kNestedMap, &source.nested);
  const Nested& copy = destination.nested;
  EXPECT_EQ(TextOf(copy.name), u"name");
  EXPECT_NE(copy.name, source.nested.name);
  EXPECT_EQ(copy.number, 42);
  EXPECT_EQ(copy.embeddedPlain, 7);
  EXPECT_EQ(TextOf(copy.embeddedText), u"inner");
  EXPECT_EQ(copy.repeated[0], nullptr);
  EXPECT_EQ(TextOf(copy.repeated[2]), u"third");
  ASSERT_NE(copy.texts, source.nested.texts);
  EXPECT_EQ(HeaderOf(copy.texts)->variable, &destination.nested.texts);
  EXPECT_EQ(TextOf(At(copy.texts, 9)), u"ninth");
  EXPECT_NE(At(copy.texts, 9), At(source.nested.texts, 9));
  EXPECT_EQ(ProgramBlocks(), programBlocks + 2);  // the destination's old array went
  EXPECT_EQ(destination.guard[1], 0xAB);
  EXPECT_EQ(destination.guard[2], 0);

  DestroyStructure(&source.nested, kNestedMap);
  DestroyStructure(&destination.nested, kNestedMap);
  EXPECT_EQ(ProgramBlocks(), programBlocks);
  EXPECT_EQ(StringBlocks(), stringBlocks);
}

TEST_F(StructureMapTest, AnArrayOfNestedStructuresIsConstructedCopiedAndReleasedWhole) {
  const std::size_t stringBlocks = StringBlocks();
  ArrayVariable source = nullptr, destination = nullptr;
  auto* elements = static_cast<Nested*>(CreateArrayBlock(64, 3, 0, kNestedMap, &source));
  elements[1].name = Text(u"one");
  AssignText(&At(elements[2].texts, 0), u"two");

  CreateArrayBlock(8, 1, 8, StringElementMap, &destination);
  EXPECT_EQ(CopyArrayBlock(source, destination, 1), 1);
  auto* copies = static_cast<Nested*>(destination);
  EXPECT_EQ(TextOf(copies[1].name), u"one");
  EXPECT_EQ(TextOf(At(copies[2].texts, 0)), u"two");
  EXPECT_EQ(HeaderOf(copies[2].texts)->variable, &copies[2].texts);
  EXPECT_EQ(ProgramBlocks(), 2u + 6u);

  ReleaseArrayBlock(source);
  ReleaseArrayBlock(destination);
  EXPECT_EQ(ProgramBlocks(), 0u);
  EXPECT_EQ(StringBlocks(), stringBlocks);
}

TEST_F(StructureMapTest, MapNeedsConstructionLooksIntoEveryNestedMap) {
  const MapWord stringsOnly[] = {
      0,  RepeatedStructure,   0,       8, 8, MapWordOf(StringElementMap), EmbeddedStructure, 16,
      16, MapWordOf(kTextAt8), EndOfMap};
  const MapWord arrayInside[] = {ArrayField, 0, 8, 1, 8, 0, EndOfMap};
  const MapWord arrayDeep[] = {EmbeddedStructure,      0,       8, MapWordOf(stringsOnly),
                               RepeatedStructure,      0,       8, 8,
                               MapWordOf(arrayInside), EndOfMap};
  EXPECT_EQ(MapNeedsConstruction(nullptr), 0);
  EXPECT_EQ(MapNeedsConstruction(stringsOnly), 0);
  EXPECT_EQ(MapNeedsConstruction(arrayDeep), 1);  // a repeat count of 0 is not looked at
}

TEST_F(StructureMapTest, PlainBytesAreCopiedUpToTheSizeAndNoFurther) {
  const MapWord endOnly[] = {EndOfMap};
  // A repeat of count 0 at 8 covers nothing: bytes 8 to 16 are plain.
  const MapWord emptyRepeat[] = {RepeatedStructure,           0,  8,       8,
                                 MapWordOf(StringElementMap), 16, EndOfMap};
  for (StructureMap map : {static_cast<StructureMap>(nullptr), +endOnly, +emptyRepeat}) {
    unsigned char source[40], destination[40] = {};
    for (int i = 0; i < 40; ++i) source[i] = static_cast<unsigned char>(i + 1);
    if (map == emptyRepeat) std::memset(source + 16, 0, 8);  // a null text
    const std::size_t callsBefore = fake::Calls().size();
    CopyStructure(destination, 32, map, source);
    EXPECT_EQ(fake::Calls().size(), callsBefore);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(destination[i], i < 32 ? source[i] : 0) << i;
    if (map != nullptr) DestroyStructure(destination, map);
  }
}

TEST_F(StructureMapTest, StringFieldsAreCopiedIntoFreshBlocksOrLeftNull) {
  StringVariable field = Text(u"kept");
  const std::size_t callsBefore = fake::Calls().size(), stringBlocks = StringBlocks();
  CopyStructure(&field, 8, StringElementMap, &field);  // onto itself: nothing
  EXPECT_EQ(fake::Calls().size(), callsBefore);
  EXPECT_EQ(TextOf(field), u"kept");
  StringVariable none = nullptr;
  CopyStructure(&field, 8, StringElementMap, &none);
  EXPECT_EQ(field, nullptr);
  EXPECT_EQ(StringBlocks(), stringBlocks - 1);

  const std::u16string text(1000, u'x');
  CopyStringToField(&field, text.c_str());
  EXPECT_EQ(TextOf(field), text);
  EXPECT_EQ(fake::BlockBytes(field), 2010u);
  FreeString(field);
  field = nullptr;
  fake::FailAllocation(1);
  EXPECT_EQ(fake::ExitCodeOf([&] { CopyStringToField(&field, u"lost"); }), std::nullopt);
  EXPECT_EQ(field, nullptr);
}

TEST_F(StructureMapTest, AMultiDimensionalFieldKeepsItsShapeThroughACopy) {
  // A text, then a 2 x 3 array variable with its two words, then a plain word.
  const MapWord map[] = {0, MultiDimArrayField, 8, 2, 8, 8, 0, 2, 3, EndOfMap};
  std::int64_t source[5] = {}, destination[5] = {};
  ConstructStructure(source, map);
  ConstructStructure(destination, map);
  void* elements = reinterpret_cast<void*>(source[1]);
  EXPECT_EQ(HeaderOf(elements)->dimensionCount, 2);
  EXPECT_EQ(HeaderOf(elements)->elementCount, 6);
  EXPECT_EQ(source[2], 3);
  EXPECT_EQ(source[3], 1);
  At<std::int64_t>(elements, 5) = 99;
  source[4] = 17;

  CopyStructure(destination, 40, map, source);
  void* copied = reinterpret_cast<void*>(destination[1]);
  EXPECT_NE(copied, elements);
  EXPECT_EQ(HeaderOf(copied)->dimensionCount, 2);
  EXPECT_EQ(At<std::int64_t>(copied, 5), 99);
  EXPECT_EQ(destination[4], 17);
  DestroyStructure(source, map);
  DestroyStructure(destination, map);
  EXPECT_EQ(ProgramBlocks(), 0u);
}

// Lists and maps for the walkers' test: objects that hold only their creation
// parameters, and a log of every call.
std::vector<std::string> containerLog;

void Log(const std::string& what, std::int64_t a, std::int64_t b, std::int64_t c) {
  containerLog.push_back(what + " " + std::to_string(a) + std::to_string(b) + std::to_string(c));
}
void* CreateTestList(std::int64_t p1, void* field, std::int64_t p2, std::int32_t p3) {
  Log("CreateList", p1, p2, p3);
  return *static_cast<void**>(field) = new ListObjectParameters{p1, p2, p3};
}
void* CreateTestMap(std::int64_t p1, std::int32_t p2, std::int64_t p3, void* field,
                    std::int32_t p4) {
  Log("CreateMap", p1, p2, p3 * 10 + p4);
  return *static_cast<void**>(field) = new MapObjectParameters{p1, p2, p3, p4};
}
std::int64_t CopyTestContainer(void*, void*, std::int32_t) {
  containerLog.push_back("Copy");
  return 1;
}
void ReleaseTestList(void* list) {
  containerLog.push_back(list == nullptr ? "ReleaseList null" : "ReleaseList");
  delete static_cast<ListObjectParameters*>(list);
}
void ReleaseTestMap(void* map) {
  containerLog.push_back(map == nullptr ? "ReleaseMap null" : "ReleaseMap");
  delete static_cast<MapObjectParameters*>(map);
}

// A list field at 0 (16 bytes), a plain word at 16, a map field at 24; only the
// low 32 bits of the third list and the second and fourth map parameters count.
constexpr std::int64_t kHigh = std::int64_t{1} << 40;
const MapWord kContainerMap[] = {ListField, 0, 1,         2, kHigh + 3, MapField,
                                 24,        4, kHigh + 5, 6, kHigh + 7, EndOfMap};

TEST_F(StructureMapTest, ListAndMapFieldsAreSkippedWhileTheirSlotsAreEmpty) {
  EXPECT_EQ(MapNeedsConstruction(kContainerMap), 1);
  std::int64_t source[4] = {}, destination[4] = {};
  ConstructStructure(source, kContainerMap);
  EXPECT_EQ(source[0], 0);
  EXPECT_EQ(source[3], 0);

  source[0] = 11;  // objects the walkers must neither copy nor release
  source[2] = 12;
  source[3] = 13;
  CopyStructure(destination, 32, kContainerMap, source);
  EXPECT_EQ(destination[0], 0);
  EXPECT_EQ(destination[2], 12);
  EXPECT_EQ(destination[3], 0);
  DestroyStructure(source, kContainerMap);
}

TEST_F(StructureMapTest, ListAndMapFieldsGoThroughTheirSlotsWithTheKeptParameters) {
  ArrayOperations.CreateList = CreateTestList;
  ArrayOperations.CreateMap = CreateTestMap;
  ArrayOperations.CopyList = CopyTestContainer;
  ArrayOperations.CopyMap = CopyTestContainer;
  ArrayOperations.ReleaseList = ReleaseTestList;
  ArrayOperations.ReleaseMap = ReleaseTestMap;
  containerLog.clear();

  std::int64_t source[4] = {}, destination[4] = {}, empty[4] = {};
  ConstructStructure(source, kContainerMap);
  ConstructStructure(destination, kContainerMap);
  CopyStructure(destination, 32, kContainerMap, source);
  CopyStructure(source, 32, kContainerMap, empty);  // releases and clears the source's
  EXPECT_EQ(source[0], 0);
  EXPECT_EQ(source[3], 0);
  DestroyStructure(source, kContainerMap);
  DestroyStructure(destination, kContainerMap);

  // clang-format off
  const std::vector<std::string> expected = {
      "CreateList 123", "CreateMap 4567", "CreateList 123", "CreateMap 4567",  // construction
      "ReleaseList", "CreateList 123", "Copy", "ReleaseMap", "CreateMap 4567", "Copy",
      "ReleaseList", "ReleaseMap",                                           // copying empty
      "ReleaseList null", "ReleaseMap null", "ReleaseList", "ReleaseMap"};   // destruction
  // clang-format on
  EXPECT_EQ(containerLog, expected);
}

}  // namespace
