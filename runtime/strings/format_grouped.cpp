// Grouped decimal numbers. The digits come from std::to_chars in fixed notation:
// exact, correctly rounded and free of any locale, the same on every platform;
// whole numbers take the integer conversion, which gives the same digits.
// The grouped result is assembled on the stack and copied into place; a result
// too long for the stack buffer (long point or separator texts) is built straight
// in a workspace reservation of its exact size instead, never cut.
#include <algorithm>
#include <bit>
#include <charconv>
#include <climits>
#include <cstring>

#include "runtime/memory/out_of_memory.h"
#include "runtime/strings/format.h"
#include "runtime/strings/text.h"
#include "runtime/strings/workspace.h"

namespace {

constexpr std::uint64_t kPositiveInfinity = 0x7FF0000000000000;
constexpr std::uint64_t kNegativeInfinity = 0xFFF0000000000000;
constexpr std::uint64_t kSignBit = 0x8000000000000000;
constexpr double kTwoToThe63 = 9223372036854775808.0;

constexpr std::int32_t kMaxDecimals = 512;
// The longest conversion: "-", 309 integer digits, the point and 512 decimals.
constexpr std::size_t kConversionChars = 1 + 309 + 1 + kMaxDecimals;
// Results shorter than this are assembled on the stack (NUL included).
constexpr std::size_t kAssemblyChars = 2048;

// The parts of the conversion text, in ASCII.
struct Conversion {
  bool negative;
  const char* integer;
  std::size_t integerDigits;
  const char* fraction;
  std::size_t decimals;
};

struct Piece {
  const char16_t* chars;
  std::size_t length;
};

Piece PieceOf(const char16_t* text) {
  if (text == nullptr) return {u"", 0};
  return {text, FindTerminator(text)};
}

char16_t* Widen(char16_t* out, const char* digits, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<unsigned char>(digits[i]);
  return out + count;
}

char16_t* Put(char16_t* out, Piece piece) {
  std::memcpy(out, piece.chars, piece.length * sizeof(char16_t));
  return out + piece.length;
}

std::size_t GroupedLength(const Conversion& t, Piece point, Piece separator) {
  const std::size_t separators = (t.integerDigits - 1) / 3;
  std::size_t length = (t.negative ? 1 : 0) + t.integerDigits + separators * separator.length;
  if (t.decimals > 0) length += point.length + t.decimals;
  return length;
}

// Writes the grouped text and its NUL at `out`: the separator goes between the
// groups of three integer digits counted from the last one, never after the sign.
void WriteGrouped(char16_t* out, const Conversion& t, Piece point, Piece separator) {
  if (t.negative) *out++ = u'-';
  const char* digit = t.integer;
  const char* const integerEnd = t.integer + t.integerDigits;
  const std::size_t leading = (t.integerDigits - 1) % 3 + 1;
  out = Widen(out, digit, leading);
  for (digit += leading; digit != integerEnd; digit += 3) {
    out = Put(out, separator);
    out = Widen(out, digit, 3);
  }
  if (t.decimals > 0) {
    out = Put(out, point);
    out = Widen(out, t.fraction, t.decimals);
  }
  *out = u'\0';
}

// Writes the fixed-notation text of `value` with `d` fraction digits into
// `text` (room for kConversionChars) and returns its end. A whole number below
// 2^63 in magnitude is converted as the integer it is, with d zeros after the
// point: the same text as the conversion of the double, at a fraction of its
// cost. The working-set figure of the progress line is such a number.
char* ConvertFixed(char* text, double value, std::int32_t d) {
  if (value >= -kTwoToThe63 && value < kTwoToThe63) {
    const auto whole = static_cast<std::int64_t>(value);
    if (static_cast<double>(whole) == value) {
      char* end = std::to_chars(text, text + kConversionChars, whole).ptr;
      if (d > 0) {
        *end++ = '.';
        std::memset(end, '0', static_cast<std::size_t>(d));
        end += d;
      }
      return end;
    }
  }
  return std::to_chars(text, text + kConversionChars, value, std::chars_format::fixed, d).ptr;
}

}  // namespace

void FormatGrouped(double value, std::int32_t decimals, const char16_t* decimalPoint,
                   const char16_t* separator, std::int32_t position) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  if (bits == kPositiveInfinity) return AppendTextAt(u"+Infinity", position);
  if (bits == kNegativeInfinity) return AppendTextAt(u"-Infinity", position);
  if ((bits & ~kSignBit) > kPositiveInfinity) return AppendTextAt(u"NaN", position);

  const std::int32_t d = std::clamp(decimals, 0, kMaxDecimals);
  // Either zero prints without a sign; a negative value that rounds to zero keeps it.
  if (value == 0) value = 0.0;
  // The buffer holds the longest conversion, so to_chars never runs out of room.
  char text[kConversionChars];
  const char* const end = ConvertFixed(text, value, d);
  Conversion t;
  t.negative = text[0] == '-';
  t.integer = text + (t.negative ? 1 : 0);
  t.decimals = static_cast<std::size_t>(d);
  t.fraction = end - d;
  t.integerDigits = static_cast<std::size_t>(end - t.integer) - (d > 0 ? t.decimals + 1 : 0);

  Piece point = PieceOf(decimalPoint);
  Piece group = PieceOf(separator);
  const std::size_t length = GroupedLength(t, point, group);
  if (length < kAssemblyChars) {
    char16_t result[kAssemblyChars];
    WriteGrouped(result, t, point, group);
    char16_t* p = ReserveWorkspace(static_cast<std::int32_t>(length), position);
    CopyChars(p, result, static_cast<std::int32_t>(length));
    return;
  }

  // Built behind the used workspace, where no point or separator text can lie,
  // and then moved down to `position`: built there, it could overwrite such a
  // text before reading it. The texts are found again by their offsets once the
  // reservation has moved the buffer.
  if (length > INT32_MAX / 2) FailOutOfMemory();
  const std::int64_t pointOffset = WorkspaceOffsetOf(point.chars);
  const std::int64_t groupOffset = WorkspaceOffsetOf(group.chars);
  const std::int32_t used = WorkspacePosition();
  char16_t* built = ReserveWorkspace(static_cast<std::int32_t>(length), used);
  if (pointOffset != 0) point.chars = WorkspacePointerAt(static_cast<std::int32_t>(pointOffset));
  if (groupOffset != 0) group.chars = WorkspacePointerAt(static_cast<std::int32_t>(groupOffset));
  WriteGrouped(built, t, point, group);
  std::memmove(WorkspaceTextAt(position), built, (length + 1) * sizeof(char16_t));
  StringWorkspace.position = position + 2 * static_cast<std::int64_t>(length);
}

void FormatGrouped(double value, std::int32_t position) {
  FormatGrouped(value, 2, u".", u",", position);
}

void FormatGrouped(double value, std::int32_t decimals, std::int32_t position) {
  FormatGrouped(value, decimals, u".", u",", position);
}

void FormatGrouped(double value, std::int32_t decimals, const char16_t* decimalPoint,
                   std::int32_t position) {
  FormatGrouped(value, decimals, decimalPoint, u",", position);
}
