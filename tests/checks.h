// Properties that the unit tests check on random inputs and the fuzz targets on
// theirs. Each decodes a case from any bytes, its numbers biased to the edges
// where the code compares, and tells whether the runtime agrees with the
// reference on it, and where not, the first difference.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "runtime/console/console.h"
#include "runtime/console/read_line.h"
#include "runtime/memory/heaps.h"
#include "runtime/platform/posix/utf8.h"
#include "runtime/strings/format.h"
#include "runtime/strings/text.h"
#include "runtime/strings/workspace.h"
#include "tests/fake/fake_platform.h"
#include "tests/reference.h"
#include "tests/seeded.h"

namespace check {

// Success when `got` is `expected`; otherwise where they first differ and what
// each holds from there.
template <class Sequence>
::testing::AssertionResult Same(const char* what, const Sequence& got, const Sequence& expected) {
  const auto [g, e] = std::mismatch(got.begin(), got.end(), expected.begin(), expected.end());
  if (g == got.end() && e == expected.end()) return ::testing::AssertionSuccess();
  auto shown = [](auto from, auto end) {
    return ::testing::PrintToString(Sequence(from, from + std::min<std::ptrdiff_t>(end - from, 8)));
  };
  return ::testing::AssertionFailure()
         << what << " differ at " << g - got.begin() << ": " << shown(g, got.end())
         << " instead of " << shown(e, expected.end());
}

// Runs `body` with each vector width this processor has, and then returns the
// text routines to their own choice.
template <class Body>
void AtEveryWidth(Body body) {
  for (int bytes : {16, 32, 64})
    if (SetTextVectorBytes(bytes)) body(bytes);
  SetTextVectorBytes(0);
}

// Runs `property` on random inputs of up to `size` bytes, until one fails.
template <class Property>
void Replay(Property property, int rounds, long size) {
  Seeded random;
  for (int round = 0; round < rounds; ++round) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(random.Between(0, size)));
    for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random.Between(0, 255));
    ASSERT_TRUE(property(bytes.data(), bytes.size()))
        << "input " << ::testing::PrintToString(bytes);
  }
}

// Reads a case out of any bytes; past their end every byte is 0.
class Decoder {
 public:
  Decoder(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint64_t Bits() {
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits = bits << 8 | Byte();
    return bits;
  }
  bool OneIn(int n) { return Byte() % n == 0; }
  template <class Item, std::size_t N>
  const Item& Pick(const Item (&items)[N]) {
    return items[Byte() % N];
  }
  // From `low` to `high`; one time in four the first or the last two of them.
  std::int64_t Between(std::int64_t low, std::int64_t high) {
    const std::uint8_t pick = Byte();
    const auto span = static_cast<std::uint64_t>(high) - static_cast<std::uint64_t>(low);
    std::uint64_t offset = Bits();
    if (pick < 64) offset = pick % 2 == 0 ? pick / 2 % 2 : span - pick / 2 % 2;
    if (span < UINT64_MAX) offset %= span + 1;
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(low) + offset);
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// ReadLine on redirected input, with the runtime started on the fake platform.
// The first byte says how many of the next ones each end a read (the low seven
// bits, some times 97) and fail the one after it (the high bit); the rest is the
// UTF-16LE input.
inline ::testing::AssertionResult ReadLineAgrees(const std::uint8_t* data, std::size_t size) {
  const std::size_t cuts = size == 0 ? 0 : std::min<std::size_t>(data[0] % 16u, size - 1);
  const std::string bytes(reinterpret_cast<const char*>(data) + 1 + cuts,
                          size - std::min<std::size_t>(size, 1 + cuts));
  fake::state.reads.clear();
  fake::state.freed.clear();
  ResetLineInput();
  std::vector<std::size_t> failures;
  std::size_t at = 0;
  for (std::size_t k = 0; k < cuts; ++k) {
    const std::size_t length = (data[1 + k] & 0x7Fu) * (k % 4 == 3 ? 97 : 1) + 1;
    if (at < bytes.size()) fake::state.reads.push_back({bytes.substr(at, length)});
    at = std::min(at + length, bytes.size());
    if ((data[1 + k] & 0x80) == 0) continue;
    fake::state.reads.push_back({"", platform::FileReadResult::Failure});
    failures.push_back(at);
  }
  if (at < bytes.size()) fake::state.reads.push_back({bytes.substr(at)});
  std::vector<std::u16string> lines;
  while (lines.empty() || lines.back() != u"\x04") {
    // Every other line as the program waits for one: only its start is kept.
    const bool waiting = lines.size() % 2 == 1;
    const auto count = static_cast<std::size_t>(waiting ? WaitForLine(0) : ReadLine(0));
    lines.emplace_back(WorkspaceTextAt(0), count);
  }
  FreeBlock(ProgramHeap, PendingInput);  // what a line of U+0004 left behind
  ResetLineInput();
  std::vector<std::u16string> expected = reference::Lines(bytes, failures);
  for (std::size_t k = 1; k < expected.size(); k += 2) {
    if (expected[k].size() > LineReservation) expected[k].resize(LineReservation);
  }
  return Same("the lines", lines, expected);
}

// The terminal's UTF-8: up to 16 bytes, half of them at the edges of the
// well-formedness table and some the first and last characters of each
// length, decoded whole and in two reads cut anywhere; taken as UTF-16 and
// encoded; and as a file name, which comes back whole from its UTF-16 form.
inline ::testing::AssertionResult Utf8Agrees(const std::uint8_t* data, std::size_t size) {
  static constexpr std::uint8_t kEdges[] = {'a',  0,    0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0,
                                            0xBF, 0xC0, 0xC1, 0xC2, 0xD8, 0xDB, 0xDC, 0xDF,
                                            0xE0, 0xE1, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
  static const std::string kCharacters[] = {"\x7F",         "\xC2\x80",         "\xDF\xBF",
                                            "\xE0\xA0\x80", "\xED\x9F\xBF",     "\xEE\x80\x80",
                                            "\xEF\xBF\xBF", "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF"};
  Decoder in(data, size);
  const auto wanted = static_cast<std::size_t>(in.Between(0, 16));
  std::string bytes;
  while (bytes.size() < wanted) {
    if (in.OneIn(8)) {
      bytes += in.Pick(kCharacters);
    } else {
      bytes += static_cast<char>(in.OneIn(2) ? in.Pick(kEdges) : in.Byte());
    }
  }
  bytes.resize(wanted);
  const auto* raw = reinterpret_cast<const unsigned char*>(bytes.data());
  auto decode = [](const unsigned char* part, std::size_t length, bool final, std::size_t* consumed,
                   platform::Malformed malformed) {
    std::u16string out(length, u'\0');
    const auto decoded = platform::DecodeUtf8(part, length, final, out.data(), malformed);
    *consumed = decoded.bytes;
    return out.substr(0, decoded.units);
  };
  auto encode = [](const std::u16string& units, std::size_t length, platform::Malformed malformed) {
    std::string out(3 * length, '\0');
    auto* utf8 = reinterpret_cast<unsigned char*>(out.data());
    return out.substr(0, platform::EncodeUtf8(units.data(), length, utf8, malformed));
  };
  const auto replace = platform::Malformed::Replace;
  std::size_t whole = 0;
  std::size_t first = 0;
  std::size_t second = 0;
  const std::u16string decoded = decode(raw, bytes.size(), true, &whole, replace);
  std::u16string parts = decode(raw, in.Between(0, bytes.size()), false, &first, replace);
  parts += decode(raw + first, bytes.size() - first, true, &second, replace);
  const std::u16string name = decode(raw, bytes.size(), true, &second, platform::Malformed::Escape);
  // The units, and behind them a low surrogate that is not theirs to read.
  std::u16string units(bytes.size() / 2, u'\0');
  std::memcpy(units.data(), raw, 2 * units.size());
  const std::u16string expected = reference::DecodeUtf8(bytes);
  auto result = Same("the texts", decoded + u'|' + parts + u'|' + static_cast<char16_t>(whole),
                     expected + u'|' + expected + u'|' + static_cast<char16_t>(bytes.size()));
  if (!result) return result;
  return Same("the bytes",
              encode(units + u'\xDC00', units.size(), replace) + '|' +
                  encode(name, name.size(), platform::Malformed::Escape),
              reference::EncodeUtf8(units) + '|' + bytes);
}

// An integer of any magnitude, often a power of ten or one below it, either sign.
inline std::int64_t Integer(Decoder& in) {
  if (in.OneIn(4)) {
    std::int64_t value = 1;
    for (auto k = in.Between(0, 18); k > 0; --k) value *= 10;
    return (value - in.Between(0, 1)) * (in.OneIn(2) ? -1 : 1);
  }
  return in.Between(INT64_MIN, INT64_MAX) >> in.Between(0, 63);
}

// A double of any bits, often a whole number, a halfway case, one near 2^63 or
// a special value.
inline double Double(Decoder& in) {
  static const double kSpecial[] = {0.0,     -0.0,         std::numeric_limits<double>::infinity(),
                                    DBL_MAX, DBL_TRUE_MIN, -std::numeric_limits<double>::infinity(),
                                    0.125,   1e21,         std::nan(""),
                                    -0.001,  1234.5678,    -std::nan("")};
  switch (in.Byte() % 5) {
    case 0:
      return static_cast<double>(Integer(in));
    case 1:
      return static_cast<double>(in.Between(-100'000, 100'000)) + 0.5;
    case 2:
      return std::ldexp(in.OneIn(2) ? 1.0 : -1.0, static_cast<int>(in.Between(62, 64)));
    case 3:
      return in.Pick(kSpecial);
  }
  return std::bit_cast<double>(in.Bits());
}

// A point, separator, field or pad text: a usual one, a long one, or any bytes.
inline std::u16string Text(Decoder& in) {
  static const std::u16string kUsual[] = {u"", u".", u",", u" - ", std::u16string(700, u'_')};
  if (in.OneIn(2)) return in.Pick(kUsual);
  std::u16string text(static_cast<std::size_t>(in.Between(0, 30)), u' ');
  for (char16_t& unit : text) unit = static_cast<char16_t>(1 + in.Byte() % 255);
  return text;
}

// The text from `at` up to the workspace position, marked when no NUL ends it.
inline std::u16string WrittenAt(std::int64_t at) {
  const std::u16string text(WorkspaceTextAt(at),
                            static_cast<std::size_t>(WorkspacePosition() - at) / 2);
  return *WorkspaceTextAt(WorkspacePosition()) == u'\0' ? text : text + u"(no NUL)";
}

// FormatGrouped, PadText and IntegerText at every vector width, in a workspace
// that now and then starts afresh, so that it moves as it grows: a value, a
// count (decimals, a width) and two texts (the point and the separator; the
// field's text and its pad), which lie outside the workspace or in it, behind
// a "<", where the result goes or before it.
inline ::testing::AssertionResult FormatAgrees(const std::uint8_t* data, std::size_t size) {
  Decoder in(data, size);
  if (in.OneIn(4)) {
    FreeStringWorkspace();
    InitStringWorkspace();
  }
  const double value = Double(in);
  const std::int64_t integer = Integer(in);
  const auto count = static_cast<std::int32_t>(in.Between(-1, 513));
  const int placement = in.Byte() % 3;
  const std::u16string point = Text(in);
  const std::u16string separator = Text(in);
  const char16_t* pointText = nullptr;
  const char16_t* separatorText = nullptr;
  auto place = [&] {
    TruncateWorkspace(0);
    AppendText(u"<");
    pointText = point.c_str();
    separatorText = separator.c_str();
    if (placement == 0) return 2;
    AppendText(separator.c_str());  // its NUL stays, unless the point starts right there
    if (!separator.empty()) ReserveWorkspace(1, WorkspacePosition());
    const std::int64_t pointAt = WorkspacePosition();
    AppendText(point.c_str());
    pointText = WorkspaceTextAt(pointAt);
    if (!separator.empty()) separatorText = WorkspaceTextAt(2);
    return placement == 1 ? 2 : WorkspacePosition();
  };
  const std::u16string expected =
      reference::Grouped(value, count, point, separator) + u'|' +
      reference::Pad(point, count, separator.empty() ? u'\0' : separator[0]) + u"|<" +
      reference::Integer(integer);
  auto result = ::testing::AssertionSuccess();
  AtEveryWidth([&](int bytes) {
    std::int32_t at = place();
    FormatGrouped(value, count, pointText, separatorText, at);
    std::u16string got = WrittenAt(at) + u'|';
    at = place();
    PadText(pointText, count, separatorText, at);
    got += WrittenAt(at) + u'|';
    IntegerText(integer, 2);
    if (result)
      result = Same("the texts", got + WrittenAt(0), expected) << " at " << bytes << " bytes";
  });
  return result;
}

// FindTerminator, LengthUpTo and CopyTextWithin at every vector width against
// a character loop: a text of up to 300 characters, among them ones with a
// zero byte or the top bit set that must not pass for the NUL, from anywhere
// in a 64-byte block or at an odd address (which no heap block has), with
// limits and rooms at the edges of its length, copied to anywhere in a target
// of '#'.
inline ::testing::AssertionResult TextAgrees(const std::uint8_t* data, std::size_t size) {
  static constexpr char16_t kUnits[] = {u' ', u'a', 0x0100, 0x2000, 0x8000, 0xFFFF, 0x00FF, 1};
  Decoder in(data, size);
  const auto start = static_cast<std::size_t>(in.Between(0, 33));
  const auto length = static_cast<std::size_t>(in.Between(0, 300));
  const std::size_t limit = length - (length > 0) + static_cast<std::size_t>(in.Between(0, 2));
  std::size_t room = in.OneIn(2) ? limit : static_cast<std::size_t>(in.Between(0, 340));
  if (in.OneIn(8)) room = SIZE_MAX - 1;  // the largest room there is
  const auto offset = static_cast<std::size_t>(in.Between(0, 39));
  alignas(64) char16_t block[34 + 300 + 64];
  for (char16_t& unit : block) unit = in.Pick(kUnits);
  block[start + length] = u'\0';
  alignas(64) char bytes[sizeof block + 1];
  const auto odd = static_cast<std::size_t>(in.OneIn(4));
  std::memcpy(bytes + odd, block, sizeof block);
  const auto* text = reinterpret_cast<const char16_t*>(bytes + odd) + start;
  const std::size_t copied = length <= room ? length + 1 : room;
  std::u16string expected(offset + 400, u'#');
  expected.replace(offset, copied, block + start, copied);
  expected += {static_cast<char16_t>(length), static_cast<char16_t>(std::min(length, limit)),
               static_cast<char16_t>(length <= room ? length : room + 1)};
  auto result = ::testing::AssertionSuccess();
  AtEveryWidth([&](int bytes) {
    std::u16string got(offset + 400, u'#');
    const std::size_t copied = CopyTextWithin(got.data() + offset, text, room);
    got += {static_cast<char16_t>(FindTerminator(text)),
            static_cast<char16_t>(LengthUpTo(text, limit)), static_cast<char16_t>(copied)};
    if (result)
      result = Same("the target and the lengths", got, expected) << " at " << bytes << " bytes";
  });
  return result;
}

}  // namespace check
