// StringVariables: null, or a StringHeap block of 2n + 10 bytes holding a text of
// n characters, its NUL and 8 spare bytes. A null variable reads as the empty text.
#pragma once

#include <cstddef>
#include <cstdint>

using StringVariable = char16_t*;

// Block size of a StringVariable that holds `chars` characters.
constexpr std::size_t StringBlockBytes(std::size_t chars) {
  return 2 * chars + 10;
}

// Stores the workspace text from `saved` up to the current position into
// `variable` (resizing a block it already holds) and sets the position to `saved`.
void AssignFromWorkspace(StringVariable* variable, std::int32_t saved);

// Stores a copy of `text` (outside the workspace; it may be part of the
// variable's own text) into `variable`, resizing a block it already holds; a
// null text frees the block and leaves null. Returns
// the byte size of the stored text with its NUL (2 for a null text).
std::int64_t AssignText(StringVariable* variable, const char16_t* text);
