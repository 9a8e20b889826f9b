// Plain references that the tests and the fuzz targets hold the runtime against:
// the line rules of ReadLine, formatting built from std::to_chars, and UTF-8 as
// the Unicode standard defines it. Slow and obvious on purpose.
#pragma once

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace reference {

// The line that reports the end of the input.
inline const std::u16string EndOfInput = u"\x04";

// The lines ReadLine gives for redirected UTF-16LE `bytes`, where a read fails
// after each offset in `failures` (ascending), up to the first that reads as
// the end: CR, LF and CR LF each end a line wherever the reads fall; a failed
// read ends what was collected (maybe nothing) at the last whole unit; a last
// line ends at the end of the input, which then gives EndOfInput alone.
inline std::vector<std::u16string> Lines(const std::string& bytes,
                                         const std::vector<std::size_t>& failures = {}) {
  std::vector<std::u16string> lines;
  std::u16string line;
  bool afterCr = false;
  auto failure = failures.begin();
  const std::size_t units = bytes.size() / 2;
  for (std::size_t i = 0; i <= units; ++i) {
    for (; failure != failures.end() && *failure / 2 == i; ++failure) {
      lines.push_back(line);
      line.clear();
    }
    if (i == units) break;
    const auto unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                            static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    if (unit == u'\n' && afterCr) {
      afterCr = false;
      continue;
    }
    afterCr = unit == u'\r';
    if (unit == u'\r' || unit == u'\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += unit;
    }
  }
  if (!line.empty()) lines.push_back(line);
  lines.push_back(EndOfInput);
  // A line of EndOfInput alone reads as the end, wherever it comes from.
  lines.erase(std::find(lines.begin(), lines.end(), EndOfInput) + 1, lines.end());
  return lines;
}

inline std::u16string Widen(const std::string& ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

inline std::u16string Integer(std::int64_t value) {
  return Widen(std::to_string(value));
}

inline std::u16string Pad(std::u16string text, std::int32_t width, char16_t pad) {
  const auto w = static_cast<std::size_t>(std::max(width, 0));
  text.resize(std::min(text.size(), w));
  return std::u16string(w - text.size(), pad) + text;
}

inline std::u16string Grouped(double value, std::int32_t decimals, const std::u16string& point,
                              const std::u16string& separator) {
  if (std::isnan(value)) return u"NaN";
  if (std::isinf(value)) return value > 0 ? u"+Infinity" : u"-Infinity";
  const int d = std::clamp(decimals, 0, 512);
  std::string text(1024, '\0');
  text.resize(std::to_chars(text.data(), text.data() + text.size(), value == 0 ? 0.0 : value,
                            std::chars_format::fixed, d)
                  .ptr -
              text.data());
  const std::size_t sign = text[0] == '-' ? 1 : 0;
  const std::size_t integerEnd = d > 0 ? text.find('.') : text.size();
  std::u16string result = Widen(text.substr(0, sign));
  for (std::size_t i = sign; i < integerEnd; ++i) {
    if (i > sign && (integerEnd - i) % 3 == 0) result += separator;
    result += static_cast<char16_t>(text[i]);
  }
  return d > 0 ? result + point + Widen(text.substr(integerEnd + 1)) : result;
}

// The well-formed UTF-8 of a code point.
inline std::string Utf8(char32_t c) {
  if (c < 0x80) return std::string(1, static_cast<char>(c));
  std::string out;
  int continuations = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
  out += static_cast<char>(((0xFF00 >> (continuations + 1)) & 0xFF) | (c >> (6 * continuations)));
  while (continuations-- > 0) out += static_cast<char>(0x80 | ((c >> (6 * continuations)) & 0x3F));
  return out;
}

inline void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) return out.push_back(static_cast<char16_t>(c));
  out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
  out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
}

// Every well-formed sequence is its character; every other byte is one U+FFFD.
inline std::u16string DecodeUtf8(const std::string& bytes) {
  std::u16string out;
  for (std::size_t i = 0; i < bytes.size();) {
    std::size_t n = 4;
    char32_t c = 0;
    for (; n > 0; --n) {
      if (i + n > bytes.size()) continue;
      c = static_cast<unsigned char>(bytes[i]) & (n == 1 ? 0x7F : 0xFF >> (n + 1));
      for (std::size_t k = 1; k < n; ++k) c = c << 6 | (bytes[i + k] & 0x3F);
      const bool scalar = c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
      if (scalar && Utf8(c) == bytes.substr(i, n)) break;
    }
    AppendUtf16(out, n > 0 ? c : 0xFFFD);
    i += std::max<std::size_t>(n, 1);
  }
  return out;
}

// Surrogate pairs are one character; an unpaired surrogate is U+FFFD.
inline std::string EncodeUtf8(const std::u16string& units) {
  std::string out;
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    out += Utf8(c);
  }
  return out;
}

}  // namespace reference
