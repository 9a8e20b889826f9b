// UTF-8 decoding and encoding, following the well-formedness table of Unicode
// (no overlong forms, no encoded surrogates, nothing above U+10FFFF).
#include "runtime/platform/posix/utf8.h"

#include <cstdint>

#include "runtime/platform/processor_brand.h"

namespace platform {

namespace {

constexpr char16_t kReplacement = 0xFFFD;
// The stand-in of byte b (0x80 to 0xFF) is kByteStandIn + b.
constexpr char16_t kByteStandIn = 0xDC00;

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// The number of continuation bytes a lead byte announces, 0 for an invalid lead.
int ContinuationsAfter(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 1;
  if (lead >= 0xE0 && lead <= 0xEF) return 2;
  if (lead >= 0xF0 && lead <= 0xF4) return 3;
  return 0;
}

// The second byte of a sequence is narrowed further for some leads, which is how
// overlong forms, surrogates and code points above U+10FFFF are refused.
bool SecondByteFits(unsigned char lead, unsigned char second) {
  switch (lead) {
    case 0xE0:
      return second >= 0xA0 && second <= 0xBF;
    case 0xED:
      return second >= 0x80 && second <= 0x9F;
    case 0xF0:
      return second >= 0x90 && second <= 0xBF;
    case 0xF4:
      return second >= 0x80 && second <= 0x8F;
    default:
      return IsContinuation(second);
  }
}

}  // namespace

Utf8Decoded DecodeUtf8(const unsigned char* bytes, std::size_t length, bool final, char16_t* out,
                       Malformed malformed) {
  std::size_t i = 0;
  std::size_t units = 0;
  while (i < length) {
    const unsigned char lead = bytes[i];
    if (lead < 0x80) {
      out[units++] = lead;
      ++i;
      continue;
    }
    const int continuations = ContinuationsAfter(lead);
    int valid = 0;  // continuation bytes present and well-formed
    while (valid < continuations && i + 1 + valid < length) {
      const unsigned char next = bytes[i + 1 + valid];
      if (!(valid == 0 ? SecondByteFits(lead, next) : IsContinuation(next))) break;
      ++valid;
    }
    if (continuations > 0 && valid == continuations) {
      std::uint32_t point = lead & (0x3F >> continuations);
      for (int k = 1; k <= continuations; ++k) point = (point << 6) | (bytes[i + k] & 0x3F);
      if (point >= 0x10000) {
        point -= 0x10000;
        out[units++] = static_cast<char16_t>(0xD800 + (point >> 10));
        out[units++] = static_cast<char16_t>(0xDC00 + (point & 0x3FF));
      } else {
        out[units++] = static_cast<char16_t>(point);
      }
      i += 1 + continuations;
      continue;
    }
    // A well-formed start cut off by the end of the bytes waits for the rest.
    if (continuations > 0 && !final && i + 1 + valid == length) break;
    out[units++] =
        malformed == Malformed::Escape ? static_cast<char16_t>(kByteStandIn + lead) : kReplacement;
    ++i;
  }
  return {i, units};
}

std::size_t EncodeUtf8(const char16_t* units, std::size_t count, unsigned char* out,
                       Malformed malformed) {
  std::size_t bytes = 0;
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t point = units[i];
    if (point >= 0xD800 && point <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      point = 0x10000 + ((point - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (malformed == Malformed::Escape && point >= kByteStandIn + 0x80 &&
               point <= kByteStandIn + 0xFF) {
      out[bytes++] = static_cast<unsigned char>(point - kByteStandIn);
      continue;
    } else if (point >= 0xD800 && point <= 0xDFFF) {
      point = kReplacement;
    }
    if (point < 0x80) {
      out[bytes++] = static_cast<unsigned char>(point);
    } else if (point < 0x800) {
      out[bytes++] = static_cast<unsigned char>(0xC0 | (point >> 6));
      out[bytes++] = static_cast<unsigned char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
      out[bytes++] = static_cast<unsigned char>(0xE0 | (point >> 12));
      out[bytes++] = static_cast<unsigned char>(0x80 | ((point >> 6) & 0x3F));
      out[bytes++] = static_cast<unsigned char>(0x80 | (point & 0x3F));
    } else {
      out[bytes++] = static_cast<unsigned char>(0xF0 | (point >> 18));
      out[bytes++] = static_cast<unsigned char>(0x80 | ((point >> 12) & 0x3F));
      out[bytes++] = static_cast<unsigned char>(0x80 | ((point >> 6) & 0x3F));
      out[bytes++] = static_cast<unsigned char>(0x80 | (point & 0x3F));
    }
  }
  return bytes;
}

std::string FileNameBytes(const char16_t* path) {
  std::size_t length = 0;
  while (path[length] != u'\0') ++length;
  std::string name(3 * length, '\0');
  name.resize(
      EncodeUtf8(path, length, reinterpret_cast<unsigned char*>(name.data()), Malformed::Escape));
  return name;
}

void CopyUtf8Name(const char* name, std::size_t length, char16_t* text, std::size_t capacity) {
  std::u16string units(length, u'\0');
  const auto* bytes = reinterpret_cast<const unsigned char*>(name);
  units.resize(DecodeUtf8(bytes, length, true, units.data()).units);
  CopyTrimmedName(units.data(), units.size(), text, capacity);
}

}  // namespace platform
