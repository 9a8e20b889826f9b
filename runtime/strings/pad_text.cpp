// Fields of fixed width. The text to justify is usually the fragment that was
// just built at the field's own position, so it is found again by its offset
// after the reservation (which may move the buffer) and shifted with a move that
// tolerates the overlap.
#include <algorithm>
#include <cstring>

#include "runtime/strings/format.h"
#include "runtime/strings/text.h"
#include "runtime/strings/workspace.h"

void PadText(const char16_t* text, std::int32_t width, const char16_t* padText,
             std::int32_t position) {
  const std::int32_t w = std::max(width, 0);
  std::int32_t length = 0;
  if (text != nullptr) {
    length = static_cast<std::int32_t>(std::min(FindTerminator(text), static_cast<std::size_t>(w)));
  }
  const std::int32_t pad = w - length;
  const char16_t padChar = padText != nullptr ? padText[0] : u' ';

  const std::int64_t offset = WorkspaceOffsetOf(text);
  char16_t* p = ReserveWorkspace(w, position);
  if (length > 0) {
    if (offset != 0) text = WorkspacePointerAt(static_cast<std::int32_t>(offset));
    std::memmove(p + pad, text, static_cast<std::size_t>(length) * sizeof(char16_t));
  }
  std::fill_n(p, pad, padChar);
  p[w] = u'\0';
}

void PadLeftText(const char16_t* text, std::int32_t width, std::int32_t position) {
  PadText(text, width, u" ", position);
}
