// Fields of fixed width. The text to justify is usually the fragment that was
// just built at the field's own position, so it is found again by its offset
// after the reservation (which may move the buffer) and shifted with a move that
// tolerates the overlap. Fields are a few characters wide: a short text is
// measured with a loop and moved, like the pad, with a few whole-word copies,
// which costs less than calls to the library.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "runtime/strings/format.h"
#include "runtime/strings/text.h"
#include "runtime/strings/workspace.h"

namespace {

// Fields up to this many characters take the short path.
constexpr std::int32_t kShortField = 16;

// The length of `text` (not null), or `w` when it is longer. The text of a short
// field is usually the fragment just written by IntegerText or FormatGrouped;
// read back one character at a time, as it was written, it comes straight from
// the stores in flight, where a wide read would have to wait for them.
std::int32_t FieldTextLength(const char16_t* text, std::int32_t w) {
  if (w > kShortField)
    return static_cast<std::int32_t>(LengthUpTo(text, static_cast<std::size_t>(w)));
  std::int32_t length = 0;
  while (length < w && text[length] != u'\0') ++length;
  return length;
}

// Copies `count` characters (at most 2 * sizeof(Word) / 2) with two words that
// overlap in the middle; both are read before either is written, so source and
// destination may overlap.
template <typename Word>
void MoveTwoWords(char16_t* destination, const char16_t* source, std::int32_t count) {
  constexpr std::int32_t kChars = sizeof(Word) / sizeof(char16_t);
  Word head;
  Word tail;
  std::memcpy(&head, source, sizeof head);
  std::memcpy(&tail, source + count - kChars, sizeof tail);
  std::memcpy(destination, &head, sizeof head);
  std::memcpy(destination + count - kChars, &tail, sizeof tail);
}

struct Chars8 {
  std::uint64_t a, b;
};

// Moves `count` characters, at most kShortField; the two places may overlap.
void MoveShort(char16_t* destination, const char16_t* source, std::int32_t count) {
  if (count >= 8) {
    MoveTwoWords<Chars8>(destination, source, count);
  } else if (count >= 4) {
    MoveTwoWords<std::uint64_t>(destination, source, count);
  } else if (count >= 2) {
    MoveTwoWords<std::uint32_t>(destination, source, count);
  } else if (count == 1) {
    *destination = *source;
  }
}

// Fills `count` characters, at most kShortField, with `c`.
void FillShort(char16_t* destination, char16_t c, std::int32_t count) {
  const std::uint64_t four = 0x0001000100010001u * c;
  if (count >= 4) {
    const Chars8 eight{four, four};
    const std::int32_t head = count >= 8 ? 8 : 4;
    std::memcpy(destination, &eight, 2 * head);
    std::memcpy(destination + count - head, &eight, 2 * head);
  } else if (count >= 2) {
    const auto two = static_cast<std::uint32_t>(four);
    std::memcpy(destination, &two, sizeof two);
    std::memcpy(destination + count - 2, &two, sizeof two);
  } else if (count == 1) {
    *destination = c;
  }
}

}  // namespace

void PadText(const char16_t* text, std::int32_t width, const char16_t* padText,
             std::int32_t position) {
  const std::int32_t w = std::max(width, 0);
  const std::int32_t length = text != nullptr ? FieldTextLength(text, w) : 0;
  const std::int32_t pad = w - length;
  const char16_t padChar = padText != nullptr ? padText[0] : u' ';

  const std::int64_t offset = WorkspaceOffsetOf(text);
  char16_t* p = ReserveWorkspace(w, position);
  if (offset != 0) text = WorkspacePointerAt(static_cast<std::int32_t>(offset));
  // The text first: it may lie where the pad goes.
  if (w <= kShortField) {
    MoveShort(p + pad, text, length);
    FillShort(p, padChar, pad);
  } else {
    if (length > 0)
      std::memmove(p + pad, text, static_cast<std::size_t>(length) * sizeof(char16_t));
    std::fill_n(p, pad, padChar);
  }
  p[w] = u'\0';
}

void PadLeftText(const char16_t* text, std::int32_t width, std::int32_t position) {
  PadText(text, width, u" ", position);
}
