// FindTerminator searches 64 bytes per step with SSE2 where the processor has it
// (every x86-64 does); a character-by-character loop is several times too slow
// for the million-character texts of the benchmark. CopyTextWithin searches a
// stretch that fits the first-level cache and then copies it from there, so
// the text is read from memory once, not once to measure and once to copy.
#include "runtime/strings/text.h"

#include <algorithm>
#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Characters that CopyTextWithin searches before it copies them.
constexpr std::size_t kCopyStretchChars = 16384;

std::size_t FindTerminatorPortable(const char16_t* text) {
  return std::char_traits<char16_t>::length(text);
}

std::size_t FindTerminatorInPortable(const char16_t* text, std::size_t count) {
  std::size_t i = 0;
  while (i < count && text[i] != u'\0') ++i;
  return i;
}

}  // namespace

#if defined(__SSE2__)

// Aligned 16-byte loads never cross a page boundary, so reading a whole aligned
// chunk around the terminator is safe even though it may touch bytes outside the
// text's block; AddressSanitizer is told not to check those loads.
#define STRINGCHURN_WHOLE_CHUNKS __attribute__((no_sanitize_address))

namespace {

// One bit per byte of the aligned chunk at `at` that belongs to a NUL unit.
STRINGCHURN_WHOLE_CHUNKS unsigned NulBytes(const char* at) {
  const __m128i units = _mm_load_si128(reinterpret_cast<const __m128i*>(at));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(units, _mm_setzero_si128())));
}

// Whether any unit of the aligned 64 bytes at `at` is NUL.
STRINGCHURN_WHOLE_CHUNKS bool HasNulIn64(const char* at) {
  const auto* block = reinterpret_cast<const __m128i*>(at);
  const __m128i zero = _mm_setzero_si128();
  const __m128i a = _mm_cmpeq_epi16(_mm_load_si128(block), zero);
  const __m128i b = _mm_cmpeq_epi16(_mm_load_si128(block + 1), zero);
  const __m128i c = _mm_cmpeq_epi16(_mm_load_si128(block + 2), zero);
  const __m128i d = _mm_cmpeq_epi16(_mm_load_si128(block + 3), zero);
  return _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))) != 0;
}

}  // namespace

std::size_t FindTerminator(const char16_t* text) {
  const auto address = reinterpret_cast<std::uintptr_t>(text);
  if ((address & 1) != 0) return FindTerminatorPortable(text);
  const char* start = reinterpret_cast<const char*>(text);
  auto charsBefore = [start](const char* chunk, unsigned mask) {
    return static_cast<std::size_t>(chunk - start + __builtin_ctz(mask)) / 2;
  };

  // The first chunk may begin before the text: drop the bytes in front of it.
  const char* chunk = reinterpret_cast<const char*>(address & ~std::uintptr_t{15});
  if (unsigned mask = NulBytes(chunk) >> (address & 15); mask != 0) return __builtin_ctz(mask) / 2;
  chunk += 16;

  // Step to a 64-byte boundary, then test four chunks at a time.
  for (; (reinterpret_cast<std::uintptr_t>(chunk) & 63) != 0; chunk += 16) {
    if (unsigned mask = NulBytes(chunk); mask != 0) return charsBefore(chunk, mask);
  }
  while (!HasNulIn64(chunk)) chunk += 64;
  for (;; chunk += 16) {
    if (unsigned mask = NulBytes(chunk); mask != 0) return charsBefore(chunk, mask);
  }
}

namespace {

// The index of the first NUL among the `count` characters at `text`, or count
// when there is none among them. Whole aligned 64-byte blocks are read only
// while they start before text + count, where the text still goes on.
std::size_t FindTerminatorIn(const char16_t* text, std::size_t count) {
  const auto address = reinterpret_cast<std::uintptr_t>(text);
  if (count == 0) return 0;
  if ((address & 1) != 0) return FindTerminatorInPortable(text, count);
  const char* start = reinterpret_cast<const char*>(text);
  const char* end = start + 2 * count;
  auto charsBefore = [start, count](const char* chunk, unsigned mask) {
    return std::min(static_cast<std::size_t>(chunk - start + __builtin_ctz(mask)) / 2, count);
  };

  const char* chunk = reinterpret_cast<const char*>(address & ~std::uintptr_t{15});
  if (unsigned mask = NulBytes(chunk) >> (address & 15); mask != 0) {
    return std::min(static_cast<std::size_t>(__builtin_ctz(mask)) / 2, count);
  }
  for (chunk += 16; chunk < end && (reinterpret_cast<std::uintptr_t>(chunk) & 63) != 0;
       chunk += 16) {
    if (unsigned mask = NulBytes(chunk); mask != 0) return charsBefore(chunk, mask);
  }
  for (; chunk < end; chunk += 64) {
    if (!HasNulIn64(chunk)) continue;
    for (;; chunk += 16) {
      if (unsigned mask = NulBytes(chunk); mask != 0) return charsBefore(chunk, mask);
    }
  }
  return count;
}

}  // namespace

#else

std::size_t FindTerminator(const char16_t* text) {
  return FindTerminatorPortable(text);
}

namespace {

std::size_t FindTerminatorIn(const char16_t* text, std::size_t count) {
  return FindTerminatorInPortable(text, count);
}

}  // namespace

#endif

std::size_t LengthUpTo(const char16_t* text, std::size_t limit) {
  return FindTerminatorIn(text, limit);
}

std::size_t CopyTextWithin(char16_t* destination, const char16_t* source, std::size_t room) {
  std::size_t done = 0;
  for (;;) {
    // A NUL at index `room` still fits: the stretch may reach one past the room.
    const std::size_t stretch = std::min(kCopyStretchChars, room + 1 - done);
    const std::size_t found = FindTerminatorIn(source + done, stretch);
    if (found < stretch) {
      std::memcpy(destination + done, source + done, (found + 1) * sizeof(char16_t));
      return done + found;
    }
    if (done + stretch > room) {
      std::memcpy(destination + done, source + done, (room - done) * sizeof(char16_t));
      return room + 1;
    }
    std::memcpy(destination + done, source + done, stretch * sizeof(char16_t));
    done += stretch;
  }
}

void CopyText(char16_t* destination, const char16_t* source, std::size_t chars) {
  std::memcpy(destination, source, chars * sizeof(char16_t));
  destination[chars] = u'\0';
}

void CopyChars(char16_t* destination, const char16_t* source, std::int32_t chars) {
  CopyText(destination, source, chars > 0 ? static_cast<std::size_t>(chars) : 0);
}
