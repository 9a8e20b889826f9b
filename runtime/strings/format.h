// Numbers and texts turned into text fragments of the StringWorkspace: runs of
// spaces, integers, fields of fixed width and grouped decimal numbers.
//
// Each operation writes its fragment at the byte offset `position` it is given
// (the current workspace position, or where an earlier fragment of the same
// expression began), ends it with a NUL and leaves the workspace position on that
// NUL. None allocates memory of its own; every text argument may be null, which
// counts as the empty text.
#pragma once

#include <cstdint>

// max(count, 0) spaces.
void SpaceText(std::int32_t count, std::int32_t position);

// The decimal text of `value`, with a "-" when it is negative.
void IntegerText(std::int64_t value, std::int32_t position);

// A field of exactly max(width, 0) characters: `text` right-justified and filled
// on the left with the first character of `padText` (a space when it is null).
// A text longer than the field keeps its leftmost `width` characters. The text
// may lie in the workspace, typically the fragment that starts at `position`
// itself, which is then replaced by the field even when the buffer moves.
void PadText(const char16_t* text, std::int32_t width, const char16_t* padText,
             std::int32_t position);
// PadText with a space as the pad character.
void PadLeftText(const char16_t* text, std::int32_t width, std::int32_t position);

// The decimal text of `value` in fixed notation with `decimals` fraction digits
// (clamped to 0..512, correctly rounded), `decimalPoint` in place of the point and
// `separator` between the groups of three integer digits; "+Infinity",
// "-Infinity" or "NaN" for those values. A value equal to zero never shows a minus
// sign; a negative value that merely rounds to zero keeps it ("-0.00"). The point
// and separator texts may lie in the workspace below `position`. A result of any
// length is written whole.
void FormatGrouped(double value, std::int32_t decimals, const char16_t* decimalPoint,
                   const char16_t* separator, std::int32_t position);
// Two decimals, "." and ",".
void FormatGrouped(double value, std::int32_t position);
// "." and ",".
void FormatGrouped(double value, std::int32_t decimals, std::int32_t position);
// ",".
void FormatGrouped(double value, std::int32_t decimals, const char16_t* decimalPoint,
                   std::int32_t position);

// Writes "-" for a negative value, then the digits of its magnitude, then a NUL;
// the most negative value converts too. Returns `destination`, which needs room
// for 21 characters.
char16_t* SignedToDecimal(char16_t* destination, std::int64_t value);
// Writes the digits of `value` (at least one) and a NUL. Returns `destination`,
// which needs room for 21 characters.
char16_t* UnsignedToDecimal(char16_t* destination, std::uint64_t value);
