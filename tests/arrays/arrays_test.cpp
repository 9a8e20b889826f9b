// Array blocks and structure maps: what each operation leaves, what a refused
// request changes, release order, and random nested maps that are constructed,
// deep-copied and destroyed without a block too many or too few.
#include <algorithm>
#include <deque>
#include <sstream>
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

// What a variable holds: "none", or an array as dimensions x elements x element
// bytes, with " x" when it is a string array whose last text is there; then its
// per-dimension words, and the sizes of the blocks freed, in order.
std::string Left(const Shaped& v) {
  std::ostringstream out;
  if (v.elements == nullptr) {
    out << "none";
  } else {
    const ArrayHeader* h = HeaderOf(v.elements);
    out << h->dimensionCount << "x" << h->elementCount << "x" << h->elementSize;
    if (h->structureMap != nullptr && StringAt(v.elements, h->elementCount - 1)) out << " x";
  }
  out << " |";
  for (std::int64_t word : v.words) out << " " << word;
  out << " |";
  for (std::size_t bytes : fake::state.freed) out << " " << bytes;
  return out.str();
}

// A call onto the variable `to`, which holds an array of the sizes `held` (none
// without sizes), one dimension a size, whose last text is "x": CreateArrayBlock
// of sizes[0] elements, CreateArrayBlockDims of `call` dimensions with `sizes`
// behind the variable, or a copy from an array of the sizes `sizes`, whose last
// text is "x" as well. Counts and types that differ are the random structures'.
struct ArrayCase {
  std::int64_t call;
  std::int64_t sizes[3];
  std::int64_t held[3];
  std::int64_t elementSize;  // of a creation
  bool refused;              // the heap refuses the next block
  std::int64_t result;       // of a copy; for a creation 1 when it gives the new array
  const char* left;          // in `to` afterwards
};

constexpr std::int64_t Create = -1;
constexpr std::int64_t Copy = -2;
constexpr std::int64_t Recreate = -3;
constexpr std::int64_t Huge = (1LL << 62) + 1;  // sizes that overflow are refused as too large

const ArrayCase ArrayCases[] = {
    {3, {3, 4, 5}, {1}, 8, false, 1, "3x60x8 | 20 5 1 | 12 56"},
    {0, {7}, {1}, 8, false, 1, "0x1x8 | 7 0 0 | 12 56"},
    {Create, {3}, {1}, 0, false, 1, "1x3x0 | 3 0 0 | 12 56"},
    {3, {2, 0, 2}, {1}, 8, false, 0, "1x1x8 x | 2 0 2 |"},  // nothing changed
    {2, {3, 4}, {1}, 8, true, 0, "none | 3 4 0 | 12 56"},
    {Create, {0}, {1}, 8, false, 0, "none | 0 0 0 | 12 56"},
    {2, {Huge, 4}, {1}, 8, false, 0, "none | 4611686018427387905 4 0 | 12 56"},
    {Create, {4}, {1}, Huge, false, 0, "none | 4 0 0 | 12 56"},
    {Create, {1}, {1}, INT64_MAX - 40, false, 0, "none | 1 0 0 | 12 56"},
    {Create, {1}, {1}, -1, false, 0, "none | 1 0 0 | 12 56"},
    {Copy, {3, 4}, {}, 0, false, 0, "none | 0 0 0 |"},
    {Recreate, {3, 4}, {2, 2, 3}, 0, false, 0, "3x12x8 x | 6 3 1 |"},  // dimension counts first
    {Copy, {3, 4}, {1, 12}, 0, false, 1, "2x12x8 x | 4 1 0 | 12"},     // the shape goes along
    {Recreate, {12}, {11}, 0, true, 0, "none | 1 0 0 | 12 136"},
};

// A creation releases the array the variable held, its text first, unless a
// size below 1 refuses the request; a copy compares dimension counts, then totals.
TEST_F(ArraysTest, CreationsAndCopiesLeaveTheVariableAsTheirTableSays) {
  const std::size_t blocks = ProgramBlocks();
  for (const ArrayCase& c : ArrayCases) {
    Shaped from{nullptr, {c.sizes[0], c.sizes[1], c.sizes[2]}};
    Shaped to{nullptr, {c.held[0], c.held[1], c.held[2]}};
    for (Shaped* v : {&from, &to}) {
      const auto n = std::count_if(v->words, v->words + 3, [](std::int64_t w) { return w != 0; });
      if (n == 0 || (v == &from && c.call >= Create)) continue;
      CreateArrayBlockDims(n, 8, 8, StringElementMap, &v->elements);
      AssignText(&StringAt(v->elements, HeaderOf(v->elements)->elementCount - 1), u"x");
    }
    if (c.call >= Create) std::copy_n(c.sizes, 3, to.words);
    fake::state.freed.clear();
    if (c.refused) fake::state.failingCall = fake::state.heapCalls + 1;
    if (c.call < Create) {
      EXPECT_EQ(CopyArrayBlock(from.elements, to.elements, c.call == Recreate), c.result);
    } else {
      void* made = c.call == Create
                       ? CreateArrayBlock(c.elementSize, c.sizes[0], 8, nullptr, &to.elements)
                       : CreateArrayBlockDims(c.call, c.elementSize, 8, nullptr, &to.elements);
      EXPECT_EQ(made, c.result == 1 ? to.elements : nullptr);
    }
    EXPECT_EQ(Left(to), c.left);
    ReleaseArrayBlock(from.elements);
    ReleaseArrayBlock(to.elements);
    EXPECT_EQ(to.elements, nullptr);
  }
  ReleaseArrayBlock(nullptr);
  EXPECT_EQ(ProgramBlocks(), blocks);
  EXPECT_EQ(StringBlocks(), 1u);  // the workspace buffer
  EXPECT_EQ(MapNeedsConstruction(StringElementMap), 0);
}

// List and map objects of the tests' own: the parameters they were created
// with, as the copy walker reads them back, and a value that copies carry over.
struct Container {
  union {
    ListObjectParameters list;
    MapObjectParameters map;
  };
  std::int64_t value = 0;
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
  ArrayOperations.CopyList = [](void* from, void* to, std::int32_t) {
    static_cast<Container*>(to)->value = static_cast<Container*>(from)->value;
    return std::int64_t{1};
  };
  ArrayOperations.CopyMap = ArrayOperations.CopyList;
  ArrayOperations.ReleaseList = [](void* container) { FreeBlock(ProgramHeap, container); };
  ArrayOperations.ReleaseMap = ArrayOperations.ReleaseList;
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
    const long kind = random.Between(0, depth < 4 ? 6 : 0);
    const long count = random.Between(0, 3);
    std::int64_t sub = 8;
    StructureMap map = kind == 0 || kind > 4 ? nullptr : RandomMap(random, depth + 1, &sub);
    const MapWord q = random.Between(1, 999);  // parameters that differ from one another
    const MapWord m = kind >= 3 && random.OneIn(3) ? 0 : MapWordOf(map);  // maybe plain elements
    if (m == 0 && random.OneIn(2)) sub = 0;  // plain elements of no bytes
    const std::vector<std::vector<MapWord>> entry = {
        {at},
        {EmbeddedStructure, at, sub, m},
        {RepeatedStructure, count, at, sub, m},
        {ArrayField, at, sub, count + 1, 8, m},
        {MultiDimArrayField, at, 2, sub, 8, m, count + 1, 2},
        {ListField, at, q, q + 1, q + 2},
        {MapField, at, q, q + 1, q + 2, q + 3}};
    w.insert(w.end(), entry[kind].begin(), entry[kind].end());
    at += std::vector<std::int64_t>{8, sub, count * sub, 8, 24, 16, 8}[kind];
  }
  const bool self = depth == 1 && random.OneIn(2);
  if (self) {
    w.insert(w.end(), {ArrayField, at, 0, 0, 8, MapWordOf(w.data())});
    at += 8;
  }
  // Any word below -7 ends a map, the edge and the last one as well.
  w.push_back(random.OneIn(2) ? EndOfMap : random.OneIn(2) ? MultiDimArrayField - 1 : INT64_MIN);
  *size = at + 8 * random.Between(at == 0 ? 1 : 0, 1);
  if (self) w[w.size() - 5] = *size;  // the element size of its own array
  return w.data();
}

// A walk over an array and all it holds, as their maps describe them, that
// shows the texts, plain words, list and map values and nested arrays; with
// `fill` it gives them random values first, with `bare` it shows every managed
// field as null, as a copy that could have no block leaves it.
struct View {
  explicit View(Seeded* random = nullptr, bool nullFields = false)
      : fill(random), bare(nullFields) {}
  Seeded* fill;
  bool bare;
  std::u16string shown;
  std::vector<void*> arrays;       // the arrays met, outermost first
  std::vector<std::size_t> freed;  // the blocks their release frees, in its order

  void Array(void* elements);
  void Structure(char* p, std::int64_t size, StructureMap map);
};

void View::Structure(char* p, std::int64_t size, StructureMap map) {
  std::int64_t at = 0;
  auto plainUpTo = [&](std::int64_t end) {
    for (; at < end; at += 8) {
      auto* word = reinterpret_cast<std::int64_t*>(p + at);
      if (fill != nullptr) *word = fill->Between(1, 1000);
      shown += reference::Integer(*word) + u",";
    }
  };
  // Any word below -7 ends a map as EndOfMap does.
  for (const MapWord* e = map; e != nullptr && *e >= MultiDimArrayField && *e != EndOfMap;
       e += EntryWords(e)) {
    const std::int64_t offset = *e >= 0 ? *e : e[*e == RepeatedStructure ? 2 : 1];
    plainUpTo(offset);
    auto* field = reinterpret_cast<void**>(p + offset);
    at = offset + (*e == ListField ? 16 : *e == MultiDimArrayField ? 24 : 8);
    if (*e == EmbeddedStructure || *e == RepeatedStructure) {
      const bool embedded = *e == EmbeddedStructure;
      const std::int64_t count = embedded ? 1 : e[1];
      const std::int64_t stride = e[embedded ? 2 : 3];
      for (std::int64_t k = 0; k < count; ++k)
        Structure(p + offset + k * stride, stride, MapAt(e[embedded ? 3 : 4]));
      at = offset + count * stride;
      continue;
    }
    if (*e >= 0 && fill != nullptr && !fill->OneIn(4))
      AssignText(reinterpret_cast<StringVariable*>(field),
                 reference::Integer(fill->Between(0, 999)).c_str());
    if (*e == ArrayField && fill != nullptr && e[3] == 0 && fill->OneIn(2))  // of its own type
      CreateArrayBlock(size, fill->Between(1, 2), 8, map, reinterpret_cast<ArrayVariable*>(field));
    void* value = bare ? nullptr : *field;
    if (fill != nullptr && *e < 0 && (*e != ArrayField || e[3] != 0)) {
      ASSERT_NE(value, nullptr);  // made with the structure
    }
    if (IsArrayEntry(e)) {
      Array(value);
    } else if (value == nullptr) {
      shown += u"<null>,";
    } else if (*e >= 0) {
      shown += static_cast<char16_t*>(value) + std::u16string(u",");
      freed.push_back(fake::BlockBytes(value));
    } else {
      auto* c = static_cast<Container*>(value);
      std::vector<std::int64_t> kept = {c->list.parameter1, c->list.parameter2, c->list.parameter3};
      if (*e == MapField)
        kept = {c->map.parameter1, c->map.parameter2, c->map.parameter3, c->map.parameter4};
      EXPECT_EQ(kept, std::vector<std::int64_t>(e + 2, e + EntryWords(e)));
      if (fill != nullptr) c->value = fill->Between(1, 1000);
      shown += reference::Integer(c->value) + u"|";
      freed.push_back(fake::BlockBytes(c));
    }
  }
  plainUpTo(size);
}

void View::Array(void* elements) {
  if (elements == nullptr) {
    shown += u"-;";
    return;
  }
  arrays.push_back(elements);
  const ArrayHeader* h = HeaderOf(elements);
  EXPECT_EQ(h->typeCode, 8);  // every array of the random maps has it
  for (std::int64_t i = 0; i < h->elementCount; ++i)
    Structure(static_cast<char*>(elements) + i * h->elementSize, h->elementSize, h->structureMap);
  shown += u";";
  freed.push_back(fake::BlockBytes(h));
}

std::u16string Shown(void* elements, Seeded* fill = nullptr) {
  View view{fill};
  view.Array(elements);
  return view.shown;
}

TEST_F(ArraysTest, RandomNestedStructuresAreDeepCopiedAndDestroyedWithoutLeaks) {
  Seeded random;
  InstallContainers();
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    std::int64_t size = 0;
    StructureMap map = RandomMap(random, 1, &size);
    const std::size_t programBlocks = ProgramBlocks();
    const std::size_t stringBlocks = StringBlocks();
    ArrayVariable source = nullptr;
    ArrayVariable other = nullptr;
    const long count = random.Between(1, 3);
    CreateArrayBlock(size, count, 8, map, &source);
    // Another of the same type, or of a size, count or map of its own: refused
    // as it stands, then re-created.
    const long differs = random.Between(0, 3);
    CreateArrayBlock(size + 8 * (differs == 0), count + (differs == 1), 8,
                     differs == 2 ? nullptr : map, &other);
    const std::u16string shown = Shown(source, &random);
    const std::u16string otherWas = Shown(other, &random);
    ASSERT_EQ(CopyArrayBlock(source, other, 0), differs == 3);
    ASSERT_EQ(Shown(other), differs == 3 ? shown : otherWas);
    ASSERT_EQ(CopyArrayBlock(source, other, 1), 1);
    CopyStructure(source, size, map, source);  // onto itself: nothing
    ASSERT_EQ(Shown(other), shown);
    Shown(other, &random);  // a deep copy shares nothing with its source
    ASSERT_EQ(Shown(source), shown);
    // An array or element of the source onto the source, or the other way round:
    // the destination takes the value the source had.
    View met;
    met.Array(source);
    void* part = met.arrays[random.Between(0, static_cast<long>(met.arrays.size()) - 1)];
    void* from = random.OneIn(2) ? part : source;
    ArrayVariable* to = from == part ? &source : HeaderOf(part)->variable;
    // Without a block to take the value apart in, the destination ends as a copy
    // whose every block is refused.
    const bool structure = HeaderOf(part)->structureMap == map && random.OneIn(2);
    const bool refused = from != *to && (count == 1 || !structure) && random.OneIn(3);
    if (refused) fake::state.failingCall = fake::state.heapCalls + 1;
    View was{nullptr, refused};
    View now;
    if (structure) {
      was.Structure(static_cast<char*>(from), size, map);
      CopyStructure(*to, size, map, from);
      now.Structure(static_cast<char*>(*to), size, map);
    } else if (HeaderOf(part)->dimensionCount == 1) {  // as the source's
      // Without `recreate` only an array of the same type and count takes the
      // copy, in the block it has.
      const bool recreate = random.OneIn(2);
      const ArrayHeader* f = HeaderOf(from);
      const ArrayHeader* t = HeaderOf(*to);
      const bool fits =
          recreate || (f->elementCount == t->elementCount && f->elementSize == t->elementSize &&
                       f->structureMap == t->structureMap);
      was.bare = refused && fits;
      was.Array(!fits ? *to : refused && recreate ? nullptr : from);
      ASSERT_EQ(CopyArrayBlock(from, *to, recreate), fits && !refused);
      now.Array(*to);
    }
    fake::state.failingCall = 0;
    ASSERT_EQ(now.shown, was.shown);
    for (ArrayVariable v : {source, other}) {
      View before;
      before.Array(v);
      fake::state.freed.clear();
      ReleaseArrayBlock(v);
      ASSERT_EQ(fake::state.freed, before.freed);
    }
    ASSERT_EQ(ProgramBlocks(), programBlocks);
    ASSERT_EQ(StringBlocks(), stringBlocks);
  }
  // Without all three of its slots a list or map field is left as it is.
  ArrayOperations.CopyList = nullptr;
  ArrayOperations.CopyMap = nullptr;
  const MapWord fields[] = {ListField, 0, 1, 2, 3, MapField, 16, 1, 2, 3, 4, EndOfMap};
  std::int64_t from[3] = {1, 2, 3};
  std::int64_t to[3] = {4, 5, 6};
  CopyStructure(to, 24, fields, from);
  EXPECT_EQ(std::vector<std::int64_t>(to, to + 3), (std::vector<std::int64_t>{4, 5, 6}));
}

}  // namespace
