// Integers and runs of spaces in the workspace. The digits are produced once,
// least significant first, two at a time, and copied into place: the number is
// never measured beforehand.
#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

#include "runtime/strings/format.h"
#include "runtime/strings/workspace.h"

namespace {

// Room IntegerText reserves: more than the longest text, "-" and 19 or 20 digits.
constexpr std::int32_t kIntegerRoom = 64;
// An unsigned 64-bit value has at most 20 digits: 9 pairs below the leading
// one or two.
constexpr int kScratchPairs = 10;

// "00", "01", ..., "99", each pair of characters as one 4-byte unit.
constexpr auto kDigitPairs = [] {
  std::array<std::array<char16_t, 2>, 100> pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs[i][0] = static_cast<char16_t>(u'0' + i / 10);
    pairs[i][1] = static_cast<char16_t>(u'0' + i % 10);
  }
  return pairs;
}();

// Writes the digits of `value` and a NUL at `destination`; returns the address
// of the NUL. The pairs below the leading digits go into the scratch least
// significant first and come back out in reverse, each read as the very unit
// that was stored, so that the processor hands it over without a stall.
char16_t* WriteUnsigned(char16_t* destination, std::uint64_t value) {
  std::array<char16_t, 2> scratch[kScratchPairs];
  int pairs = 0;
  while (value > UINT32_MAX) {
    scratch[pairs++] = kDigitPairs[value % 100];
    value /= 100;
  }
  // Below 2^32 the division by 100 is a cheaper multiplication.
  auto small = static_cast<std::uint32_t>(value);
  while (small >= 100) {
    scratch[pairs++] = kDigitPairs[small % 100];
    small /= 100;
  }
  value = small;
  char16_t* out = destination;
  if (value >= 10) {
    std::memcpy(out, &kDigitPairs[value], sizeof kDigitPairs[value]);
    out += 2;
  } else {
    *out++ = static_cast<char16_t>(u'0' + value);
  }
  while (pairs > 0) {
    std::memcpy(out, &scratch[--pairs], sizeof scratch[0]);
    out += 2;
  }
  *out = u'\0';
  return out;
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
