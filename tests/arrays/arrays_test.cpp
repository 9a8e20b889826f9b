// Array blocks and structure maps: what each operation leaves, what a refused
// request changes, release order, and random nested maps that are constructed,
// deep-copied and destroyed without a block too many or too few.
#include <deque>
#include <string>
#include <vector>

#include "runtime/arrays/array_block.h"
#include "runtime/arrays/container_objects.h"
#include "runtime/arrays/structure_walkers.h"
#include "runtime/strings/string_variable.h"
#include "tests/fixture.h"
#include "tests/reference.h"

namespace {

using ArraysTest = RuntimeTest;

// An array variable with room for the per-dimension words behind it.
struct Shaped {
  ArrayVariable elements = nullptr;
  std::int64_t words[3] = {};
};

StringVariable& StringAt(void* elements, std::int64_t index) {
  return static_cast<StringVariable*>(elements)[index];
}

TEST_F(ArraysTest, CreatingAndReleasingBlocks) {
  Shaped v{nullptr, {3, 4, 5}};
  void* cube = CreateArrayBlockDims(3, 8, 7, StringElementMap, &v.elements);
  ASSERT_EQ(v.elements, cube);
  const ArrayHeader& h = *HeaderOf(cube);
  EXPECT_EQ(std::vector<std::int64_t>(v.words, v.words + 3), (std::vector<std::int64_t>{20, 5, 1}));
  EXPECT_EQ(
      std::vector<std::int64_t>({h.dimensionCount, h.elementSize, h.elementCount, h.typeCode}),
      (std::vector<std::int64_t>{3, 8, 60, 7}));
  EXPECT_EQ(fake::BlockBytes(&h), 48u + 480);
  for (int i = 0; i < 60; ++i) ASSERT_EQ(StringAt(cube, i), nullptr);
  AssignText(&StringAt(cube, 59), u"last");

  // A size below 1 changes nothing; a count below 1 or a refused block
  // releases the array the variable held and leaves it null.
  Shaped refused{nullptr, {2, 0, 2}};
  void* kept = CreateArrayBlock(8, 1, 1, nullptr, &refused.elements);
  EXPECT_EQ(CreateArrayBlockDims(3, 8, 7, nullptr, &refused.elements), nullptr);
  EXPECT_EQ(refused.elements, kept);
  EXPECT_EQ(refused.words[0], 2);
  ReleaseArrayBlock(kept);
  fake::state.freed.clear();
  fake::state.failingCall = fake::state.heapCalls + 1;
  EXPECT_EQ(CreateArrayBlockDims(2, 8, 7, nullptr, &v.elements), nullptr);
  EXPECT_EQ(v.elements, nullptr);
  EXPECT_EQ(fake::state.freed,
            (std::vector<std::size_t>{18, 48 + 480}));  // the text, then the block
  EXPECT_EQ(CreateArrayBlock(8, 0, 8, nullptr, &v.elements), nullptr);
  Shaped huge{nullptr, {(1LL << 62) + 1, 4}};  // sizes that overflow are refused as too large
  EXPECT_EQ(CreateArrayBlockDims(2, 8, 8, nullptr, &huge.elements), nullptr);
  EXPECT_EQ(CreateArrayBlock((1LL << 62) + 1, 4, 8, nullptr, &huge.elements), nullptr);
  EXPECT_EQ(CreateArrayBlock(INT64_MAX - 40, 1, 8, nullptr, &huge.elements), nullptr);
  EXPECT_EQ(ProgramBlocks(), 2u);  // the library table's
  EXPECT_EQ(StringBlocks(), 1u);   // the workspace buffer

  void* one = CreateArrayBlockDims(0, 4, 1, nullptr, &v.elements);
  EXPECT_EQ(HeaderOf(one)->elementCount, 1);
  EXPECT_EQ(HeaderOf(one)->dimensionCount, 0);
  ReleaseArrayBlock(one);
  ReleaseArrayBlock(nullptr);
  EXPECT_EQ(v.elements, nullptr);
}

TEST_F(ArraysTest, CopiesThatDoNotFitAreRefusedAndChangeNothing) {
  Shaped plane{nullptr, {3, 4}}, cube{nullptr, {2, 2, 3}}, flat{nullptr, {2, 6}};
  CreateArrayBlockDims(2, 8, 8, StringElementMap, &plane.elements);
  CreateArrayBlockDims(3, 8, 8, StringElementMap, &cube.elements);
  CreateArrayBlockDims(2, 8, 8, StringElementMap, &flat.elements);
  AssignText(&StringAt(plane.elements, 11), u"x");
  ArrayVariable line = nullptr, narrow = nullptr, plain = nullptr, shorter = nullptr;
  CreateArrayBlock(8, 12, 8, StringElementMap, &line);
  AssignText(&StringAt(line, 11), u"x");
  CreateArrayBlock(4, 12, 8, nullptr, &narrow);
  CreateArrayBlock(8, 12, 8, nullptr, &plain);
  CreateArrayBlock(8, 11, 8, StringElementMap, &shorter);
  const std::size_t programBlocks = ProgramBlocks();
  for (void* destination : {narrow, plain, shorter, static_cast<void*>(nullptr)}) {
    EXPECT_EQ(CopyArrayBlock(line, destination, 0), 0);
  }
  EXPECT_EQ(CopyArrayBlock(plain, line, 0), 0);
  EXPECT_EQ(CopyArrayBlock(plane.elements, cube.elements, 1), 0);  // dimensions first
  EXPECT_EQ(static_cast<std::int64_t*>(plain)[11], 0);
  EXPECT_EQ(std::u16string(StringAt(line, 11)), u"x");
  EXPECT_EQ(ProgramBlocks(), programBlocks);

  // Only the totals must agree: the 2 x 6 array takes the 3 x 4 one's shape.
  EXPECT_EQ(CopyArrayBlock(plane.elements, flat.elements, 0), 1);
  EXPECT_EQ(std::u16string(StringAt(flat.elements, 11)), u"x");
  EXPECT_EQ(flat.words[0], 4);
  // Re-created in the source's type, or left null when that fails.
  EXPECT_EQ(CopyArrayBlock(line, narrow, 1), 1);
  EXPECT_EQ(HeaderOf(narrow)->elementSize, 8);
  EXPECT_EQ(std::u16string(StringAt(narrow, 11)), u"x");
  fake::state.failingCall = fake::state.heapCalls + 1;
  EXPECT_EQ(CopyArrayBlock(line, shorter, 1), 0);
  EXPECT_EQ(shorter, nullptr);
}

// The nested structure of 64 bytes: a text at 0, plain bytes at 8, an embedded
// 16-byte structure with a text at its 8, an array of ten texts at 32, three
// repeated 8-byte texts at 40. Its fields are destroyed in the order they stand.
TEST_F(ArraysTest, TheNestedExampleIsDestroyedFieldByFieldInOrder) {
  const MapWord S[] = {8, EndOfMap};
  // clang-format off
  const MapWord map[] = {0, EmbeddedStructure, 16, 16, MapWordOf(S), ArrayField, 32, 8, 10, 8,
                         MapWordOf(StringElementMap), RepeatedStructure, 3, 40, 8,
                         MapWordOf(StringElementMap), EndOfMap};
  // clang-format on
  EXPECT_EQ(MapNeedsConstruction(map), 1);
  EXPECT_EQ(MapNeedsConstruction(S), 0);
  ArrayVariable array = nullptr;
  void* element = CreateArrayBlock(64, 1, 1, map, &array);
  char* p = static_cast<char*>(element);
  void* inner = *reinterpret_cast<void**>(p + 32);
  ASSERT_EQ(std::vector<std::int64_t>({HeaderOf(inner)->elementSize, HeaderOf(inner)->elementCount,
                                       HeaderOf(inner)->typeCode}),
            (std::vector<std::int64_t>{8, 10, 8}));
  std::size_t length = 1;
  for (int offset : {0, 24, 40, 48, 56})
    AssignText(reinterpret_cast<StringVariable*>(p + offset),
               std::u16string(length++, u'a').c_str());
  for (int i = 0; i < 10; ++i)
    AssignText(&StringAt(inner, i), std::u16string(10 + i, u'b').c_str());
  fake::state.freed.clear();
  ReleaseArrayBlock(element);
  EXPECT_EQ(fake::state.freed, (std::vector<std::size_t>{12, 14, 30, 32, 34, 36, 38, 40, 42, 44, 46,
                                                         48, 128, 16, 18, 20, 112}));
}

// List and map objects of the tests' own: the parameters they were created
// with, as the copy walker reads them back, and a value that copies carry over.
struct Container {
  union {
    ListObjectParameters list;
    MapObjectParameters map;
  };
  std::int64_t value;
};

void* NewContainer(void* field, const Container& made) {
  auto* block = static_cast<Container*>(AllocateBlock(ProgramHeap, sizeof(Container), true));
  *block = made;
  return *static_cast<void**>(field) = block;
}

void InstallContainers() {
  ArrayOperations.CreateList = [](std::int64_t q1, void* field, std::int64_t q2, std::int32_t q3) {
    return NewContainer(field, {.list = {q1, q2, q3}});
  };
  ArrayOperations.CreateMap = [](std::int64_t r1, std::int32_t r2, std::int64_t r3, void* field,
                                 std::int32_t r4) {
    return NewContainer(field, {.map = {r1, r2, r3, r4}});
  };
  ArrayOperations.CopyList = ArrayOperations.CopyMap = [](void* from, void* to, std::int32_t) {
    static_cast<Container*>(to)->value = static_cast<Container*>(from)->value;
    return std::int64_t{1};
  };
  ArrayOperations.ReleaseList =
      ArrayOperations.ReleaseMap = [](void* container) { FreeBlock(ProgramHeap, container); };
}

// The creation parameters of the container in a list or map field.
std::vector<std::int64_t> Kept(const MapWord* e, const Container& c) {
  if (*e == ListField) return {c.list.parameter1, c.list.parameter2, c.list.parameter3};
  return {c.map.parameter1, c.map.parameter2, c.map.parameter3, c.map.parameter4};
}

// A random map nested up to four deep, with every entry kind, for a structure
// whose size goes to `size`; the outermost may end in an array of its own type,
// empty until filled.
StructureMap RandomMap(Seeded& random, int depth, std::int64_t* size) {
  static std::deque<std::vector<MapWord>> maps;
  std::vector<MapWord>& w = maps.emplace_back();
  w.reserve(40);  // so that the map stays where its own array entry says
  std::int64_t at = 0;
  for (long entries = random.Between(0, 4); entries > 0; --entries) {
    at += 8 * random.Between(0, 1);  // plain bytes before the field
    const long kind = random.Between(0, depth < 4 ? 6 : 0), count = random.Between(0, 3);
    std::int64_t sub = 8;
    StructureMap map = kind == 0 || kind > 4 ? nullptr : RandomMap(random, depth + 1, &sub);
    const MapWord q[] = {random.Between(1, 999), random.Between(1, 999), random.Between(1, 999),
                         random.Between(1, 999)};
    const MapWord m = kind >= 3 && random.OneIn(3) ? 0 : MapWordOf(map);  // maybe plain elements
    const std::vector<std::vector<MapWord>> entry = {
        {at},
        {EmbeddedStructure, at, sub, m},
        {RepeatedStructure, count, at, sub, m},
        {ArrayField, at, sub, count + 1, 8, m},
        {MultiDimArrayField, at, 2, sub, 8, m, count + 1, 2},
        {ListField, at, q[0], q[1], q[2]},
        {MapField, at, q[0], q[1], q[2], q[3]}};
    w.insert(w.end(), entry[kind].begin(), entry[kind].end());
    at += std::vector<std::int64_t>{8, sub, count * sub, 8, 24, 16, 8}[kind];
  }
  const bool self = depth == 1 && random.OneIn(2);
  if (self) w.insert(w.end(), {ArrayField, at, 0, 0, 8, MapWordOf(w.data())}), at += 8;
  w.push_back(EndOfMap);
  *size = at + 8 * random.Between(at == 0 ? 1 : 0, 1);
  if (self) w[w.size() - 5] = *size;  // the element size of its own array
  return w.data();
}

void VisitArray(void* elements, Seeded* fill, std::u16string& shown);

// Shows the texts and plain words of a structure as its map describes it and,
// with `fill`, gives them random values first.
void Visit(char* p, std::int64_t size, StructureMap map, Seeded* fill, std::u16string& shown) {
  std::int64_t at = 0;
  auto plainUpTo = [&](std::int64_t end) {
    for (auto* word = reinterpret_cast<std::int64_t*>(p + at); at < end; at += 8, ++word) {
      if (fill != nullptr) *word = fill->Between(1, 1000);
      shown += reference::Integer(*word) + u",";
    }
  };
  for (const MapWord* e = map; e != nullptr && *e != EndOfMap; e += EntryWords(e)) {
    const std::int64_t offset = *e >= 0 ? *e : e[*e == RepeatedStructure ? 2 : 1];
    plainUpTo(offset);
    if (*e >= 0) {
      auto* text = reinterpret_cast<StringVariable*>(p + offset);
      if (fill != nullptr && !fill->OneIn(4))
        AssignText(text, reference::Integer(fill->Between(0, 999)).c_str());
      shown += (*text == nullptr ? u"<null>" : std::u16string(*text)) + u",";
      at = offset + 8;
    } else if (*e == EmbeddedStructure || *e == RepeatedStructure) {
      const bool embedded = *e == EmbeddedStructure;
      const std::int64_t count = embedded ? 1 : e[1], stride = e[embedded ? 2 : 3];
      for (std::int64_t k = 0; k < count; ++k)
        Visit(p + offset + k * stride, stride, MapAt(e[embedded ? 3 : 4]), fill, shown);
      at = offset + count * stride;
    } else if (*e == ListField || *e == MapField) {
      auto* container = *reinterpret_cast<Container**>(p + offset);
      ASSERT_NE(container, nullptr);
      EXPECT_EQ(Kept(e, *container), std::vector<std::int64_t>(e + 2, e + EntryWords(e)));
      if (fill != nullptr) container->value = fill->Between(1, 1000);
      shown += reference::Integer(container->value) + u"|";
      at = offset + (*e == ListField ? 16 : 8);
    } else {
      auto* array = reinterpret_cast<ArrayVariable*>(p + offset);
      if (fill != nullptr && *e == ArrayField && e[3] == 0 && fill->OneIn(2))  // of its own type
        CreateArrayBlock(size, fill->Between(1, 2), 8, map, array);
      VisitArray(*array, fill, shown);
      at = offset + (*e == MultiDimArrayField ? 24 : 8);  // the shape words are not plain
    }
  }
  plainUpTo(size);
}

std::vector<void*> Arrays;  // those Shown met, outermost first

void VisitArray(void* elements, Seeded* fill, std::u16string& shown) {
  if (elements == nullptr) return void(shown += u"-;");
  Arrays.push_back(elements);
  const ArrayHeader* h = HeaderOf(elements);
  EXPECT_EQ(h->typeCode, 8);  // every array of the random maps has it
  for (std::int64_t i = 0; i < h->elementCount; ++i)
    Visit(static_cast<char*>(elements) + i * h->elementSize, h->elementSize, h->structureMap, fill,
          shown);
  shown += u";";
}

std::u16string Shown(void* elements, Seeded* fill = nullptr) {
  std::u16string shown;
  Arrays.clear();
  VisitArray(elements, fill, shown);
  return shown;
}

TEST_F(ArraysTest, RandomNestedStructuresAreDeepCopiedAndDestroyedWithoutLeaks) {
  Seeded random;
  InstallContainers();
  for (int round = 0; round < 60; ++round) {
    std::int64_t size = 0;
    StructureMap map = RandomMap(random, 1, &size);
    const std::size_t programBlocks = ProgramBlocks(), stringBlocks = StringBlocks();
    ArrayVariable source = nullptr, copy = nullptr, other = nullptr;
    const long count = random.Between(1, 3);
    CreateArrayBlock(size, count, 8, map, &source);
    CreateArrayBlock(size, count, 8, map, &copy);
    CreateArrayBlock(8, 5, 8, nullptr, &other);
    const std::u16string shown = Shown(source, &random);
    Shown(copy, &random);
    ASSERT_EQ(CopyArrayBlock(source, copy, 0), 1);
    ASSERT_EQ(CopyArrayBlock(source, other, 1), 1);
    CopyStructure(source, size, map, source);  // onto itself: nothing
    ASSERT_EQ(Shown(copy), shown) << "round " << round;
    ASSERT_EQ(Shown(other), shown);
    Shown(copy, &random);  // a deep copy shares nothing with its source
    ASSERT_EQ(Shown(source), shown);
    // An array or element of the source onto the source, or the other way round:
    // the destination takes the value the source had.
    void* part = Arrays[random.Between(0, static_cast<long>(Arrays.size()) - 1)];
    void* from = random.OneIn(2) ? part : source;
    ArrayVariable* to = from == part ? &source : HeaderOf(part)->variable;
    std::u16string was, now;
    if (HeaderOf(part)->structureMap == map && random.OneIn(2)) {
      Visit(static_cast<char*>(from), size, map, nullptr, was);
      CopyStructure(*to, size, map, from);
      Visit(static_cast<char*>(*to), size, map, nullptr, now);
    } else if (HeaderOf(part)->dimensionCount == 1) {  // as the source's
      was = Shown(from);
      ASSERT_EQ(CopyArrayBlock(from, *to, 1), 1);
      now = Shown(*to);
    }
    ASSERT_EQ(now, was) << "round " << round;
    for (ArrayVariable v : {source, copy, other}) ReleaseArrayBlock(v);
    ASSERT_EQ(ProgramBlocks(), programBlocks);
    ASSERT_EQ(StringBlocks(), stringBlocks);
  }
}

}  // namespace
