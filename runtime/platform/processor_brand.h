// The processor's own name for itself, the same instruction on every system;
// the systems' translations of ProcessorName fall back on it.
#pragma once

#include <cstddef>

namespace platform {

// The processor's brand string (CPUID leaves 0x80000002 to 0x80000004), blanks
// at either end left out, widened into `text` as ProcessorName fills it. Empty
// when the processor has none.
void ProcessorBrandString(char16_t* text, std::size_t capacity);

// `length` bytes of `name` into `text`: blanks at either end left out, each byte
// one character, cut to `capacity` - 1 characters, NUL-terminated.
void CopyTrimmedName(const char* name, std::size_t length, char16_t* text, std::size_t capacity);

}  // namespace platform
