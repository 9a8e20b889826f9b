// The processor's own name for itself, the same instruction on every system;
// the systems' translations of ProcessorName fall back on it.
#pragma once

#include <cstddef>

namespace platform {

// The processor's brand string (CPUID leaves 0x80000002 to 0x80000004), blanks
// at either end left out, widened into `text` as ProcessorName fills it. Empty
// when the processor has none.
void ProcessorBrandString(char16_t* text, std::size_t capacity);

// `length` units of `name` into `text`: blanks at either end left out, cut to
// `capacity` - 1 units but never between the two halves of a surrogate pair,
// NUL-terminated.
void CopyTrimmedName(const char16_t* name, std::size_t length, char16_t* text,
                     std::size_t capacity);

// The same for `length` bytes of `name`, each byte one character.
void CopyTrimmedName(const char* name, std::size_t length, char16_t* text, std::size_t capacity);

}  // namespace platform
