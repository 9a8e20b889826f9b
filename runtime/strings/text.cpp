// Measuring and copying texts. The work is done by one of the vector sets of
// text_kernels.cpp, chosen on first use from what the processor reports; a
// character-by-character loop is several times too slow for the
// million-character texts of the benchmark, and only serves texts at odd
// addresses, which no block of a heap has.
#include "runtime/strings/text.h"

#include <atomic>
#include <cstring>

#include "runtime/platform/platform.h"
#include "runtime/strings/text_kernels.h"

namespace {

// A text at an odd address is read through memcpy: a char16_t load there is
// undefined, and a sanitizer says so.
std::size_t LengthUpToPortable(const char16_t* text, std::size_t limit) {
  const auto* bytes = reinterpret_cast<const char*>(text);
  std::size_t length = 0;
  for (char16_t unit = 0; length < limit; ++length) {
    std::memcpy(&unit, bytes + 2 * length, sizeof unit);
    if (unit == u'\0') break;
  }
  return length;
}

std::size_t CopyWithinPortable(char16_t* destination, const char16_t* source, std::size_t room) {
  const std::size_t length = LengthUpToPortable(source, room + 1);
  if (length > room) {
    std::memcpy(destination, source, room * sizeof(char16_t));
    return room + 1;
  }
  std::memcpy(destination, source, (length + 1) * sizeof(char16_t));
  return length;
}

bool IsOdd(const char16_t* text) {
  return (reinterpret_cast<std::uintptr_t>(text) & 1) != 0;
}

const TextKernels* KernelsFor(int bytes) {
  switch (bytes) {
    case 16:
      return &Sse2TextKernels;
    case 32:
      return &Avx2TextKernels;
    case 64:
      return &Avx512TextKernels;
  }
  return nullptr;
}

// The widest vectors that pay on this processor. The 64-byte form copies no
// faster than the 32-byte one, which already keeps up with memory, and a core
// may run slower for a while after 512-bit work, which the copies that follow
// pay for: it is used only when asked for.
int ProcessorTextVectorBytes() {
  return platform::ProcessorHasVectorBytes(32) ? 32 : 16;
}

// Null until the first use chooses, or SetTextVectorBytes sets a width.
std::atomic<const TextKernels*> activeKernels{nullptr};

const TextKernels& Kernels() {
  const TextKernels* kernels = activeKernels.load(std::memory_order_relaxed);
  if (kernels == nullptr) {
    // The choice is stored only over "unset": a width that SetTextVectorBytes
    // sets on another thread meanwhile stays, and is the one used.
    const TextKernels* chosen = KernelsFor(ProcessorTextVectorBytes());
    kernels = activeKernels.compare_exchange_strong(kernels, chosen, std::memory_order_relaxed)
                  ? chosen
                  : kernels;
  }
  return *kernels;
}

}  // namespace

std::size_t FindTerminator(const char16_t* text) {
  if (IsOdd(text)) return LengthUpToPortable(text, SIZE_MAX);
  return Kernels().findUpTo(text, SIZE_MAX);
}

std::size_t LengthUpTo(const char16_t* text, std::size_t limit) {
  if (limit == 0) return 0;
  if (IsOdd(text)) return LengthUpToPortable(text, limit);
  return Kernels().findUpTo(text, limit);
}

std::size_t CopyTextWithin(char16_t* destination, const char16_t* source, std::size_t room) {
  if (IsOdd(source)) return CopyWithinPortable(destination, source, room);
  return Kernels().copyWithin(destination, source, room);
}

void CopyText(char16_t* destination, const char16_t* source, std::size_t chars) {
  std::memcpy(destination, source, chars * sizeof(char16_t));
  destination[chars] = u'\0';
}

void CopyChars(char16_t* destination, const char16_t* source, std::int32_t chars) {
  CopyText(destination, source, chars > 0 ? static_cast<std::size_t>(chars) : 0);
}

int TextVectorBytes() {
  const TextKernels* kernels = &Kernels();
  return kernels == &Sse2TextKernels ? 16 : kernels == &Avx2TextKernels ? 32 : 64;
}

bool TextVectorWidthAvailable(int bytes) {
  return platform::ProcessorHasVectorBytes(bytes);
}

bool SetTextVectorBytes(int bytes) {
  if (bytes == 0) {
    activeKernels.store(nullptr, std::memory_order_relaxed);
    return true;
  }
  if (!TextVectorWidthAvailable(bytes)) return false;
  activeKernels.store(KernelsFor(bytes), std::memory_order_relaxed);
  return true;
}
