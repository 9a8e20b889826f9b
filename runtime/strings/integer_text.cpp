// Integers and runs of spaces in the workspace. The digits are produced once,
// least significant first, two at a time, and copied into place: the number is
// never measured beforehand.
#include <algorithm>
#include <array>
#include <cstring>

#include "runtime/strings/format.h"
#include "runtime/strings/workspace.h"

namespace {

// Room IntegerText reserves: more than the longest text, "-" and 19 or 20 digits.
constexpr std::int32_t kIntegerRoom = 64;
// An unsigned 64-bit value has at most 20 digits.
constexpr int kScratchChars = 32;

// "00", "01", ..., "99" back to back.
constexpr auto kDigitPairs = [] {
  std::array<char16_t, 200> pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs[2 * i] = static_cast<char16_t>(u'0' + i / 10);
    pairs[2 * i + 1] = static_cast<char16_t>(u'0' + i % 10);
  }
  return pairs;
}();

// Writes the digits of `value` and a NUL at `destination`; returns the address
// of the NUL.
char16_t* WriteUnsigned(char16_t* destination, std::uint64_t value) {
  char16_t scratch[kScratchChars];
  char16_t* first = scratch + kScratchChars;
  while (value >= 100) {
    first -= 2;
    std::memcpy(first, &kDigitPairs[2 * (value % 100)], 2 * sizeof(char16_t));
    value /= 100;
  }
  if (value >= 10) {
    first -= 2;
    std::memcpy(first, &kDigitPairs[2 * value], 2 * sizeof(char16_t));
  } else {
    *--first = static_cast<char16_t>(u'0' + value);
  }
  const auto count = static_cast<std::size_t>(scratch + kScratchChars - first);
  std::memcpy(destination, first, count * sizeof(char16_t));
  destination[count] = u'\0';
  return destination + count;
}

char16_t* WriteSigned(char16_t* destination, std::int64_t value) {
  auto magnitude = static_cast<std::uint64_t>(value);
  if (value < 0) {
    *destination++ = u'-';
    // Negated as unsigned, so that the most negative value has a magnitude too.
    magnitude = ~magnitude + 1;
  }
  return WriteUnsigned(destination, magnitude);
}

}  // namespace

char16_t* SignedToDecimal(char16_t* destination, std::int64_t value) {
  WriteSigned(destination, value);
  return destination;
}

char16_t* UnsignedToDecimal(char16_t* destination, std::uint64_t value) {
  WriteUnsigned(destination, value);
  return destination;
}

void IntegerText(std::int64_t value, std::int32_t position) {
  // Reserve more than enough and give back what the digits did not fill.
  char16_t* p = ReserveWorkspace(kIntegerRoom, position);
  const auto length = static_cast<std::int32_t>(WriteSigned(p, value) - p);
  ReleaseWorkspace(kIntegerRoom - length);
}

void SpaceText(std::int32_t count, std::int32_t position) {
  const std::int32_t n = std::max(count, 0);
  char16_t* p = ReserveWorkspace(n, position);
  std::fill_n(p, n, u' ');
  p[n] = u'\0';
}
