// Array blocks and structure maps: what each operation leaves, what a refused
// request changes, release order, and random nested maps that are constructed,
// deep-copied and destroyed without a block too many or too few.
#include <deque>
#include <string>
#include <vector>

#include "runtime/arrays/array_block.h"
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
  ReleaseArrayBlock(kept), fake::state.freed.clear();
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
  EXPECT_EQ(CreateArrayBlock(-1, 1, 8, nullptr, &huge.elements), nullptr);
  EXPECT_EQ(fake::BlockBytes(HeaderOf(CreateArrayBlock(0, 3, 8, nullptr, &huge.elements))), 48u);
  ReleaseArrayBlock(huge.elements);  // elements of no bytes: the header alone
  EXPECT_EQ(ProgramBlocks(), 2u);    // the library table's
  EXPECT_EQ(StringBlocks(), 1u);     // the workspace buffer

  // Texts start null; an array of a fixed count is made with its structure.
  const MapWord texts[] = {8, EndOfMap}, array[] = {ArrayField, 0, 8, 2, 8, 0, EndOfMap};
  EXPECT_EQ(MapNeedsConstruction(texts), 0);
  EXPECT_EQ(MapNeedsConstruction(array), 1);
  void* one = CreateArrayBlockDims(0, 4, 1, nullptr, &v.elements);
  EXPECT_EQ(HeaderOf(one)->elementCount, 1);
  EXPECT_EQ(HeaderOf(one)->dimensionCount, 0);
  ReleaseArrayBlock(one), ReleaseArrayBlock(nullptr);
  EXPECT_EQ(v.elements, nullptr);
}

// Dimensions count before totals; equal totals take the source's shape, a 1 x 12
// array's too; a re-creation without a block leaves the variable null. (Sizes,
// counts and maps that differ are the random structures'.)
TEST_F(ArraysTest, CopiesBetweenShapes) {
  Shaped plane{nullptr, {3, 4}}, cube{nullptr, {2, 2, 3}}, flat{nullptr, {1, 12}};
  CreateArrayBlockDims(2, 8, 8, StringElementMap, &plane.elements);
  CreateArrayBlockDims(3, 8, 8, StringElementMap, &cube.elements);
  CreateArrayBlockDims(2, 8, 8, StringElementMap, &flat.elements);
  AssignText(&StringAt(plane.elements, 11), u"x");
  EXPECT_EQ(CopyArrayBlock(plane.elements, nullptr, 0), 0);
  EXPECT_EQ(CopyArrayBlock(plane.elements, cube.elements, 1), 0);
  EXPECT_EQ(CopyArrayBlock(plane.elements, flat.elements, 0), 1);
  EXPECT_EQ(std::u16string(StringAt(flat.elements, 11)), u"x");
  EXPECT_EQ(flat.words[0], 4);
  ArrayVariable line = nullptr, shorter = nullptr;
  CreateArrayBlock(8, 12, 8, StringElementMap, &line);
  CreateArrayBlock(8, 11, 8, StringElementMap, &shorter);
  fake::state.failingCall = fake::state.heapCalls + 1;
  EXPECT_EQ(CopyArrayBlock(line, shorter, 1), 0);
  EXPECT_EQ(shorter, nullptr);
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
    if (m == 0 && random.OneIn(2)) sub = 0;  // plain elements of no bytes
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

// The arrays that Shown met, outermost first; and the blocks a release frees, in
// the order in which fields stand, each array's after those of its elements.
std::vector<void*> Arrays;
std::vector<std::size_t> Freed;

// Shows the texts and plain words of a structure as its map describes it and,
// with `fill`, gives them random values first; `bare` shows every managed field
// as null, as a copy that could have no block leaves it.
void Visit(char* p, std::int64_t size, StructureMap map, Seeded* fill, std::u16string& shown,
           bool bare = false) {
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
      const bool none = bare || *text == nullptr;
      shown += (none ? u"<null>" : std::u16string(*text)) + u",";
      if (!none) Freed.push_back(fake::BlockBytes(*text));
      at = offset + 8;
    } else if (*e == EmbeddedStructure || *e == RepeatedStructure) {
      const bool embedded = *e == EmbeddedStructure;
      const std::int64_t count = embedded ? 1 : e[1], stride = e[embedded ? 2 : 3];
      for (std::int64_t k = 0; k < count; ++k)
        Visit(p + offset + k * stride, stride, MapAt(e[embedded ? 3 : 4]), fill, shown, bare);
      at = offset + count * stride;
    } else if (*e == ListField || *e == MapField) {
      auto* container = bare ? nullptr : *reinterpret_cast<Container**>(p + offset);
      ASSERT_TRUE(container != nullptr || fill == nullptr);  // made with the structure
      if (container != nullptr) {
        EXPECT_EQ(Kept(e, *container), std::vector<std::int64_t>(e + 2, e + EntryWords(e)));
        if (fill != nullptr) container->value = fill->Between(1, 1000);
        shown += reference::Integer(container->value);
        Freed.push_back(fake::BlockBytes(container));
      }
      shown += u"|";
      at = offset + (*e == ListField ? 16 : 8);
    } else {
      auto* array = reinterpret_cast<ArrayVariable*>(p + offset);
      if (fill != nullptr && *e == ArrayField && e[3] == 0 && fill->OneIn(2))  // of its own type
        CreateArrayBlock(size, fill->Between(1, 2), 8, map, array);
      VisitArray(bare ? nullptr : *array, fill, shown);
      at = offset + (*e == MultiDimArrayField ? 24 : 8);  // the shape words are not plain
    }
  }
  plainUpTo(size);
}

void VisitArray(void* elements, Seeded* fill, std::u16string& shown) {
  if (elements == nullptr) return void(shown += u"-;");
  Arrays.push_back(elements);
  const ArrayHeader* h = HeaderOf(elements);
  EXPECT_EQ(h->typeCode, 8);  // every array of the random maps has it
  for (std::int64_t i = 0; i < h->elementCount; ++i)
    Visit(static_cast<char*>(elements) + i * h->elementSize, h->elementSize, h->structureMap, fill,
          shown);
  shown += u";";
  Freed.push_back(fake::BlockBytes(h));
}

std::u16string Shown(void* elements, Seeded* fill = nullptr) {
  std::u16string shown;
  Arrays.clear(), Freed.clear();
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
    for (ArrayVariable* made : {&source, &copy}) CreateArrayBlock(size, count, 8, map, made);
    // Another of a size, count or map of its own: refused as it stands, then re-created.
    const long differs = random.Between(0, 2);
    CreateArrayBlock(size + 8 * (differs == 0), count + (differs == 1), 8,
                     differs == 2 ? nullptr : map, &other);
    const std::u16string shown = Shown(source, &random), otherWas = Shown(other, &random);
    Shown(copy, &random);
    ASSERT_EQ(CopyArrayBlock(source, copy, 0), 1);
    ASSERT_EQ(CopyArrayBlock(source, other, 0), 0);
    ASSERT_EQ(Shown(other), otherWas);
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
    // Without a block to take the value apart in, the destination ends as a copy
    // whose every block is refused.
    const bool structure = HeaderOf(part)->structureMap == map && random.OneIn(2);
    const bool refused = from != *to && (count == 1 || !structure) && random.OneIn(3);
    if (refused) fake::state.failingCall = fake::state.heapCalls + 1;
    std::u16string was, now;
    if (structure) {
      Visit(static_cast<char*>(from), size, map, nullptr, was, refused);
      CopyStructure(*to, size, map, from);
      Visit(static_cast<char*>(*to), size, map, nullptr, now);
    } else if (HeaderOf(part)->dimensionCount == 1) {  // as the source's
      was = refused ? u"-;" : Shown(from);
      ASSERT_EQ(CopyArrayBlock(from, *to, 1), refused ? 0 : 1);
      now = Shown(*to);
    }
    fake::state.failingCall = 0;
    ASSERT_EQ(now, was) << "round " << round;
    for (ArrayVariable v : {source, copy, other}) {
      Shown(v), fake::state.freed.clear(), ReleaseArrayBlock(v);
      ASSERT_EQ(fake::state.freed, Freed) << "round " << round;
    }
    ASSERT_EQ(ProgramBlocks(), programBlocks);
    ASSERT_EQ(StringBlocks(), stringBlocks);
  }
  // Without all three of its slots a list or map field is left as it is.
  ArrayOperations.CopyList = ArrayOperations.CopyMap = nullptr;
  const MapWord fields[] = {ListField, 0, 1, 2, 3, MapField, 16, 1, 2, 3, 4, EndOfMap};
  std::int64_t from[3] = {1, 2, 3}, to[3] = {4, 5, 6};
  CopyStructure(to, 24, fields, from);
  EXPECT_EQ(std::vector<std::int64_t>(to, to + 3), (std::vector<std::int64_t>{4, 5, 6}));
}

}  // namespace
