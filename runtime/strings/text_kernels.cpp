// The block operations of text_scan.inc for 16-, 32- and 64-byte vectors. Each
// width is compiled with its own instructions enabled; text.cpp runs it only on
// a processor that has them (GCC and clang each take their own pragmas for
// that). Everything here is inlined into the routines of
// text_scan.inc, so no vector crosses a call (where the 64-bit Windows ABI would
// keep it on a stack that is not aligned for it).
#include "runtime/strings/text_kernels.h"

#include <immintrin.h>

#include <cstdint>
#include <cstring>

// Whole aligned blocks are read around the terminator; see text_scan.inc.
#define WHOLE_BLOCKS __attribute__((no_sanitize_address))
#define BLOCK_OPERATION __attribute__((always_inline, no_sanitize_address)) static inline

// What text_scan.inc asks of `Lanes`, on aligned 64-byte blocks of 32 characters:
// - FirstNul(block, from): the index of the first NUL at or after character
//   `from` (below 32) of the block, or 32 when there is none;
// - GroupHasNul(group): whether the four blocks at `group` hold a NUL;
// - CopyBlockUnlessNul(to, block), CopyPairUnlessNul(to, pair): when the block,
//   or the two blocks, hold no NUL, stores them at `to` (any alignment) from the
//   registers they were tested in and returns true; otherwise stores nothing;
// - CopyPart(to, block, from, upTo): copies characters [from, upTo) of the block
//   to the same places after `to`, and writes nothing else.

namespace {

// Copies characters [from, upTo) of the block at `block` to the same places
// after `to`; nothing else is written.
BLOCK_OPERATION void CopyCharsOfBlock(char* to, const char* block, std::size_t from,
                                      std::size_t upTo) {
  if (upTo > from) std::memcpy(to + 2 * from, block + 2 * from, 2 * (upTo - from));
}

}  // namespace

namespace sse2 {
namespace {

struct Lanes {
  // One bit per byte of the aligned 16 bytes at `at` that belongs to a NUL unit.
  BLOCK_OPERATION std::uint64_t NulBytes16(const char* at) {
    const __m128i units = _mm_load_si128(reinterpret_cast<const __m128i*>(at));
    return static_cast<std::uint16_t>(
        _mm_movemask_epi8(_mm_cmpeq_epi16(units, _mm_setzero_si128())));
  }
  BLOCK_OPERATION std::uint64_t NulBytes(const char* block) {
    return NulBytes16(block) | NulBytes16(block + 16) << 16 | NulBytes16(block + 32) << 32 |
           NulBytes16(block + 48) << 48;
  }
  BLOCK_OPERATION std::size_t FirstNul(const char* block, std::size_t from) {
    const std::uint64_t bytes = NulBytes(block) >> (2 * from);
    return bytes == 0 ? 32 : from + static_cast<std::size_t>(__builtin_ctzll(bytes)) / 2;
  }
  BLOCK_OPERATION __m128i NulUnits(const __m128i* v, int count) {
    const __m128i zero = _mm_setzero_si128();
    __m128i any = _mm_cmpeq_epi16(_mm_load_si128(v), zero);
    for (int i = 1; i < count; ++i)
      any = _mm_or_si128(any, _mm_cmpeq_epi16(_mm_load_si128(v + i), zero));
    return any;
  }
  BLOCK_OPERATION bool GroupHasNul(const char* group) {
    return _mm_movemask_epi8(NulUnits(reinterpret_cast<const __m128i*>(group), 16)) != 0;
  }
  template <int kVectors>
  BLOCK_OPERATION bool CopyUnlessNul(char* to, const char* from) {
    const auto* v = reinterpret_cast<const __m128i*>(from);
    __m128i data[kVectors];
    const __m128i zero = _mm_setzero_si128();
    __m128i any = zero;
    for (int i = 0; i < kVectors; ++i) {
      data[i] = _mm_load_si128(v + i);
      any = _mm_or_si128(any, _mm_cmpeq_epi16(data[i], zero));
    }
    if (_mm_movemask_epi8(any) != 0) return false;
    auto* out = reinterpret_cast<__m128i*>(to);
    for (int i = 0; i < kVectors; ++i) _mm_storeu_si128(out + i, data[i]);
    return true;
  }
  BLOCK_OPERATION bool CopyBlockUnlessNul(char* to, const char* block) {
    return CopyUnlessNul<4>(to, block);
  }
  BLOCK_OPERATION bool CopyPairUnlessNul(char* to, const char* pair) {
    return CopyUnlessNul<8>(to, pair);
  }
  BLOCK_OPERATION void CopyPart(char* to, const char* block, std::size_t from, std::size_t upTo) {
    CopyCharsOfBlock(to, block, from, upTo);
  }
};

#include "runtime/strings/text_scan.inc"

}  // namespace
}  // namespace sse2

const TextKernels Sse2TextKernels = sse2::kKernels;

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

namespace avx2 {
namespace {

struct Lanes {
  // One bit per byte of the aligned 32 bytes at `at` that belongs to a NUL unit.
  BLOCK_OPERATION std::uint64_t NulBytes32(const char* at) {
    const __m256i units = _mm256_load_si256(reinterpret_cast<const __m256i*>(at));
    return static_cast<std::uint32_t>(
        _mm256_movemask_epi8(_mm256_cmpeq_epi16(units, _mm256_setzero_si256())));
  }
  BLOCK_OPERATION std::uint64_t NulBytes(const char* block) {
    return NulBytes32(block) | NulBytes32(block + 32) << 32;
  }
  BLOCK_OPERATION std::size_t FirstNul(const char* block, std::size_t from) {
    const std::uint64_t bytes = NulBytes(block) >> (2 * from);
    return bytes == 0 ? 32 : from + static_cast<std::size_t>(__builtin_ctzll(bytes)) / 2;
  }
  BLOCK_OPERATION bool GroupHasNul(const char* group) {
    const auto* v = reinterpret_cast<const __m256i*>(group);
    __m256i low = _mm256_load_si256(v);
    for (int i = 1; i < 8; ++i) low = _mm256_min_epu16(low, _mm256_load_si256(v + i));
    return !_mm256_testz_si256(_mm256_cmpeq_epi16(low, _mm256_setzero_si256()),
                               _mm256_set1_epi8(-1));
  }
  template <int kVectors>
  BLOCK_OPERATION bool CopyUnlessNul(char* to, const char* from) {
    const auto* v = reinterpret_cast<const __m256i*>(from);
    __m256i data[kVectors];
    data[0] = _mm256_load_si256(v);
    __m256i low = data[0];
    for (int i = 1; i < kVectors; ++i) {
      data[i] = _mm256_load_si256(v + i);
      low = _mm256_min_epu16(low, data[i]);
    }
    const __m256i nul = _mm256_cmpeq_epi16(low, _mm256_setzero_si256());
    if (!_mm256_testz_si256(nul, nul)) return false;
    auto* out = reinterpret_cast<__m256i*>(to);
    for (int i = 0; i < kVectors; ++i) _mm256_storeu_si256(out + i, data[i]);
    return true;
  }
  BLOCK_OPERATION bool CopyBlockUnlessNul(char* to, const char* block) {
    return CopyUnlessNul<2>(to, block);
  }
  BLOCK_OPERATION bool CopyPairUnlessNul(char* to, const char* pair) {
    return CopyUnlessNul<4>(to, pair);
  }
  BLOCK_OPERATION void CopyPart(char* to, const char* block, std::size_t from, std::size_t upTo) {
    CopyCharsOfBlock(to, block, from, upTo);
  }
};

#include "runtime/strings/text_scan.inc"

}  // namespace
}  // namespace avx2

const TextKernels Avx2TextKernels = avx2::kKernels;

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw")
#endif

namespace avx512 {
namespace {

struct Lanes {
  BLOCK_OPERATION std::size_t FirstNul(const char* block, std::size_t from) {
    const std::uint32_t units =
        _mm512_testn_epi16_mask(_mm512_load_si512(block), _mm512_load_si512(block)) >> from;
    return units == 0 ? 32 : from + static_cast<std::size_t>(__builtin_ctz(units));
  }
  BLOCK_OPERATION bool GroupHasNul(const char* group) {
    const auto* v = reinterpret_cast<const __m512i*>(group);
    const __m512i low =
        _mm512_min_epu16(_mm512_min_epu16(_mm512_load_si512(v), _mm512_load_si512(v + 1)),
                         _mm512_min_epu16(_mm512_load_si512(v + 2), _mm512_load_si512(v + 3)));
    return _mm512_testn_epi16_mask(low, low) != 0;
  }
  BLOCK_OPERATION bool CopyBlockUnlessNul(char* to, const char* block) {
    const __m512i data = _mm512_load_si512(block);
    if (_mm512_testn_epi16_mask(data, data) != 0) return false;
    _mm512_storeu_si512(to, data);
    return true;
  }
  BLOCK_OPERATION bool CopyPairUnlessNul(char* to, const char* pair) {
    const auto* v = reinterpret_cast<const __m512i*>(pair);
    const __m512i a = _mm512_load_si512(v);
    const __m512i b = _mm512_load_si512(v + 1);
    const __m512i low = _mm512_min_epu16(a, b);
    if (_mm512_testn_epi16_mask(low, low) != 0) return false;
    _mm512_storeu_si512(to, a);
    _mm512_storeu_si512(to + 64, b);
    return true;
  }
  // A masked store writes only the characters asked for, whatever lies around them.
  BLOCK_OPERATION void CopyPart(char* to, const char* block, std::size_t from, std::size_t upTo) {
    const std::uint32_t below = upTo >= 32 ? ~0u : (1u << upTo) - 1;
    const std::uint32_t mask = below & ~((1u << from) - 1);
    _mm512_mask_storeu_epi16(to, mask, _mm512_load_si512(block));
  }
};

#include "runtime/strings/text_scan.inc"

}  // namespace
}  // namespace avx512

const TextKernels Avx512TextKernels = avx512::kKernels;

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
