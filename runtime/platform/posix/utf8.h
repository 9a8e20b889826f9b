// UTF-8 <-> UTF-16 for the terminal, which speaks UTF-8 while the runtime's text
// is UTF-16. Malformed input never stops a conversion: it becomes U+FFFD.
#pragma once

#include <cstddef>

namespace platform {

struct Utf8Decoded {
  std::size_t bytes;  // bytes consumed
  std::size_t units;  // UTF-16 units written
};

// Decodes `length` bytes of UTF-8 into `out`, which needs room for `length`
// units. Every byte that does not belong to a well-formed sequence becomes one
// U+FFFD. Unless `final` is set, a sequence that is incomplete only because the
// bytes end is left unconsumed, for the caller to complete with the next bytes.
Utf8Decoded DecodeUtf8(const unsigned char* bytes, std::size_t length, bool final, char16_t* out);

// Encodes `count` UTF-16 units as UTF-8 into `out`, which needs room for three
// bytes per unit; an unpaired surrogate becomes U+FFFD. Returns the byte count.
std::size_t EncodeUtf8(const char16_t* units, std::size_t count, unsigned char* out);

}  // namespace platform
