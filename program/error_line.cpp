// Every line that tells why the program stops early is made here, as UTF-8: a
// name shows as it was given, escaped only where the line would otherwise be
// ambiguous, so that two different names never read the same.
#include "program/error_line.h"

#include <cstdio>

namespace {

bool IsSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDFFF;
}

// What a terminal shows as no character of its own, or as a line end: the C0
// and C1 controls, DEL, and the line and paragraph separators.
bool IsControl(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0x2028 || c == 0x2029;
}

// The character of `text` at `*at`, a pair of surrogates taken as one; moves `*at`
// past it. A surrogate without its partner comes back as itself.
char32_t NextCharacter(std::u16string_view text, std::size_t* at) {
  const char32_t c = text[(*at)++];
  if (c >= 0xD800 && c <= 0xDBFF && *at < text.size() && text[*at] >= 0xDC00 &&
      text[*at] <= 0xDFFF) {
    return 0x10000 + ((c - 0xD800) << 10) + (text[(*at)++] - 0xDC00);
  }
  return c;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
    return;
  }
  const int tail = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
  out.push_back(static_cast<char>(((0xFF << (7 - tail)) & 0xFF) | (c >> (6 * tail))));
  for (int i = tail - 1; i >= 0; --i)
    out.push_back(static_cast<char>(0x80 | ((c >> (6 * i)) & 0x3F)));
}

// Whether a backslash before `next` would read as the start of an escape.
bool ReadsAsEscape(char32_t next) {
  return IsControl(next) || IsSurrogate(next) || next == u'"' || next == u'\\' || next == u'x' ||
         next == u'u';
}

// \xHH for a control below 0x80, and for a surrogate U+DC80 to U+DCFF, which on
// Linux stands for the byte 0x80 to 0xFF of a name that is not UTF-8 (the command
// line gives such bytes so); \uHHHH for every other control and lone surrogate.
void AppendEscape(std::string& out, char32_t c) {
  char escape[12];  // room for any char32_t, though only controls and surrogates come
  if (c < 0x80 || (c >= 0xDC80 && c <= 0xDCFF)) {
    std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(c & 0xFF));
  } else {
    std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
  }
  out += escape;
}

// `text` as UTF-8, controls and lone surrogates escaped; with `quoted`, also a
// double quote as \", and a backslash as \\ where it would otherwise read as
// the start of an escape (before ", \, x, u or the closing quote), so that a
// Windows path keeps its single backslashes.
std::string EscapedText(std::u16string_view text, bool quoted) {
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    const char32_t c = NextCharacter(text, &at);
    if (IsControl(c) || IsSurrogate(c)) {
      AppendEscape(out, c);
    } else if (quoted && c == u'"') {
      out += "\\\"";
    } else if (quoted && c == u'\\') {
      std::size_t next = at;
      out += at == text.size() || ReadsAsEscape(NextCharacter(text, &next)) ? "\\\\" : "\\";
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

}  // namespace

std::string PlainText(std::u16string_view text) {
  std::string plain;
  for (char16_t c : text) plain.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
  return plain;
}

std::string QuotedText(std::u16string_view text) {
  return '"' + EscapedText(text, true) + '"';
}

std::string SystemReason(platform::SystemError error) {
  char16_t words[256];
  platform::DescribeSystemError(error, words, sizeof words / sizeof words[0]);
  return EscapedText(words, false);
}

std::int64_t WriteErrorLine(std::uint32_t exitCode, const std::string& error) {
  std::string line = "stringchurn: " + error + "\n";
  if (exitCode == CommandLineErrorExitCode) line += "Try 'stringchurn --help'.\n";
  platform::WriteStandardError(line.data(), line.size());
  return exitCode;
}

std::int64_t ReportCannotWrite(const char16_t* file, platform::SystemError error) {
  if (file == nullptr && platform::IsBrokenPipe(error)) return OutputFailedExitCode;
  const std::string what = file == nullptr ? "standard output" : QuotedText(file);
  return WriteErrorLine(OutputFailedExitCode, "cannot write " + what + ": " + SystemReason(error));
}

std::int64_t ReportIfNotPrinted(std::int64_t printed) {
  return printed == 0 ? 0 : ReportCannotWrite(nullptr, static_cast<platform::SystemError>(printed));
}
