// Raw operations on NUL-terminated UTF-16 texts: measuring and copying. They
// carry every character of the benchmark, so both run at memory speed, with the
// widest vectors the processor offers.
#pragma once

#include <cstddef>
#include <cstdint>

// Number of characters before the terminating NUL of `text` (not null).
std::size_t FindTerminator(const char16_t* text);

// The length of `text` (not null), or `limit` when it is longer: the text is
// searched only as far as that.
std::size_t LengthUpTo(const char16_t* text, std::size_t limit);

// Copies `source` with its NUL to `destination` when the text has at most `room`
// characters (room < SIZE_MAX), and returns its length. A longer text is copied
// only as far as its first `room` characters, without a NUL, and the result is
// room + 1. Nothing else is written. Measuring and copying go together: the text
// is read once, at the speed of the copy alone.
std::size_t CopyTextWithin(char16_t* destination, const char16_t* source, std::size_t room);

// Copies `chars` characters from `source` to `destination` and writes a NUL at
// destination + chars; with chars <= 0 only the NUL is written. The destination
// receives exactly max(chars, 0) + 1 characters.
void CopyChars(char16_t* destination, const char16_t* source, std::int32_t chars);

// As CopyChars, for counts beyond the 32-bit range.
void CopyText(char16_t* destination, const char16_t* source, std::size_t chars);

// The vector width, in bytes, that the routines above use: 16 (SSE2, which every
// x86-64 processor has), 32 (AVX2) or 64 (AVX-512BW). Unless set, chosen on first
// use: 32 where the processor has AVX2, otherwise 16.
int TextVectorBytes();

// Whether this processor can run the routines above with `bytes`-byte vectors.
bool TextVectorWidthAvailable(int bytes);

// Makes the routines above use `bytes`-byte vectors (16, 32 or 64), so that the
// harness can stand in for another processor and the tests can reach every
// width; 0 returns to the processor's own choice, made again at the next use.
// Returns false, changing nothing, for a width that is not available. A width set
// here is never replaced by a first use's choice on another thread.
bool SetTextVectorBytes(int bytes);
