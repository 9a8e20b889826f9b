// The measuring and copying routines of text.cpp for each vector width the
// processor may offer; text.cpp chooses one set at run time.
#pragma once

#include <cstddef>

struct TextKernels {
  // Index of the first NUL among the first `limit` characters of `text` (at an
  // even address), or `limit` when there is none among them.
  std::size_t (*findUpTo)(const char16_t* text, std::size_t limit);
  // CopyTextWithin, for a source at an even address.
  std::size_t (*copyWithin)(char16_t* destination, const char16_t* source, std::size_t room);
};

// SSE2, which every x86-64 processor has; AVX2; AVX-512BW.
extern const TextKernels Sse2TextKernels;
extern const TextKernels Avx2TextKernels;
extern const TextKernels Avx512TextKernels;
