// UTF-8 <-> UTF-16 for the terminal, which speaks UTF-8 while the runtime's text
// is UTF-16, and for arguments and file names, which are any bytes. Malformed
// input never stops a conversion: it becomes U+FFFD, or for names a stand-in
// that turns back into the same byte.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// What becomes of what is not well-formed. Replace: U+FFFD, for text to show.
// Escape: for bytes that must survive the trip through UTF-16 (a file name), a
// byte that is not part of a well-formed sequence, always 0x80 or more, becomes
// the unpaired surrogate U+DC80 + (byte - 0x80), which no well-formed UTF-8
// gives, and encoding turns that surrogate back into the byte.
enum class Malformed { Replace, Escape };

struct Utf8Decoded {
  std::size_t bytes;  // bytes consumed
  std::size_t units;  // UTF-16 units written
};

// Decodes `length` bytes of UTF-8 into `out`, which needs room for `length`
// units. Every byte that does not belong to a well-formed sequence becomes one
// U+FFFD, or its stand-in with Escape. Unless `final` is set, a sequence that is incomplete only
// because the bytes end is left unconsumed, for the caller to complete with the next bytes.
Utf8Decoded DecodeUtf8(const unsigned char* bytes, std::size_t length, bool final, char16_t* out,
                       Malformed malformed = Malformed::Replace);

// Encodes `count` UTF-16 units as UTF-8 into `out`, which needs room for three
// bytes per unit; an unpaired surrogate becomes U+FFFD, except that with Escape a
// byte's stand-in becomes that byte. Returns the byte count.
std::size_t EncodeUtf8(const char16_t* units, std::size_t count, unsigned char* out,
                       Malformed malformed = Malformed::Replace);

// `length` bytes of a name that the system gives in UTF-8 (the processor's, the
// kernel's) into `text`, decoded, as CopyTrimmedName copies it.
void CopyUtf8Name(const char* name, std::size_t length, char16_t* text, std::size_t capacity);

// The bytes of the file name `path` (NUL-terminated UTF-16, not null): its UTF-8,
// with each byte's stand-in turned back into that byte.
std::string FileNameBytes(const char16_t* path);

}  // namespace platform
