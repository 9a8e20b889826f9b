// Properties that the unit tests check on random inputs and the fuzz targets on
// theirs. Each makes a case of any bytes and tells whether the runtime agrees
// with the reference on it, and where not, the input and the first difference.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/console/console.h"
#include "runtime/console/read_line.h"
#include "runtime/platform/posix/utf8.h"
#include "runtime/program_heap.h"
#include "runtime/strings/format.h"
#include "runtime/strings/text.h"
#include "runtime/strings/workspace.h"
#include "tests/fake/fake_platform.h"
#include "tests/reference.h"

namespace check {

// Success when `got` is `expected`; otherwise where they first differ and what
// each holds from there.
template <class Sequence>
::testing::AssertionResult Same(const char* what, const Sequence& got, const Sequence& expected) {
  const auto [g, e] = std::mismatch(got.begin(), got.end(), expected.begin(), expected.end());
  if (g == got.end() && e == expected.end()) return ::testing::AssertionSuccess();
  auto shown = [](auto from, auto end) {
    return ::testing::PrintToString(Sequence(from, from + std::min<std::ptrdiff_t>(end - from, 8)));
  };
  return ::testing::AssertionFailure()
         << what << " differs at " << g - got.begin() << ": " << shown(g, got.end())
         << " instead of " << shown(e, expected.end());
}

// `result`, and on failure the input in hex behind it.
inline ::testing::AssertionResult ForInput(::testing::AssertionResult result,
                                           const std::uint8_t* data, std::size_t size) {
  if (result) return result;
  result << "; input";
  for (std::size_t i = 0; i < size; ++i) result << ' ' << std::hex << int{data[i]};
  return result;
}

// Runs `body` with each vector width this processor has, and then returns the
// text routines to their own choice.
template <class Body>
void AtEveryWidth(Body body) {
  for (int bytes : {16, 32, 64})
    if (SetTextVectorBytes(bytes)) body(bytes);
  SetTextVectorBytes(0);
}

// ReadLine on redirected input, with the runtime started on the fake platform.
// The first byte says how many of the next ones each end a read (the low seven
// bits, some times 97) and fail the one after it (the high bit); the rest is the
// UTF-16LE input.
inline ::testing::AssertionResult ReadLineAgrees(const std::uint8_t* data, std::size_t size) {
  const std::size_t cuts = size == 0 ? 0 : std::min<std::size_t>(data[0] % 16u, size - 1);
  const std::string bytes(reinterpret_cast<const char*>(data) + 1 + cuts,
                          size - std::min<std::size_t>(size, 1 + cuts));
  fake::state.reads.clear();
  fake::state.freed.clear();
  PendingByteHeld = false;
  SkipLineFeed = false;
  std::vector<std::size_t> failures;
  std::size_t at = 0;
  for (std::size_t k = 0; k < cuts; ++k) {
    const std::size_t length = (data[1 + k] & 0x7Fu) * (k % 4 == 3 ? 97 : 1) + 1;
    if (at < bytes.size()) fake::state.reads.push_back({bytes.substr(at, length)});
    at = std::min(at + length, bytes.size());
    if ((data[1 + k] & 0x80) == 0) continue;
    fake::state.reads.push_back({"", platform::FileReadResult::Failure});
    failures.push_back(at);
  }
  if (at < bytes.size()) fake::state.reads.push_back({bytes.substr(at)});
  std::vector<std::u16string> lines;
  while (lines.empty() || lines.back() != u"\x04") {
    const auto count = static_cast<std::size_t>(ReadLine(0));
    lines.emplace_back(WorkspaceTextAt(0), count);
  }
  FreeBlock(ProgramHeap, PendingInput);  // what a line of U+0004 left behind
  PendingInput = nullptr;
  return ForInput(Same("the lines", lines, reference::Lines(bytes, failures)), data, size);
}

// The terminal's UTF-8: the bytes decoded whole, and in two reads cut where the
// first byte says; the bytes taken as UTF-16 and encoded; and the bytes as a file
// name, which comes back whole from its UTF-16 form.
inline ::testing::AssertionResult Utf8Agrees(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  auto decode = [](const std::string& part, bool final, std::size_t* consumed) {
    std::u16string out(part.size(), u'\0');
    const auto decoded = platform::DecodeUtf8(reinterpret_cast<const unsigned char*>(part.data()),
                                              part.size(), final, out.data());
    *consumed = decoded.bytes;
    return out.substr(0, decoded.units);
  };
  std::size_t consumed = 0;
  const std::u16string whole = decode(bytes, true, &consumed);
  auto result = Same("the decoded text", whole, reference::DecodeUtf8(bytes));
  if (result && consumed != size)
    result = ::testing::AssertionFailure() << consumed << " bytes read";
  std::u16string parts =
      decode(bytes.substr(0, size == 0 ? 0 : data[0] % (size + 1)), false, &consumed);
  parts += decode(bytes.substr(consumed), true, &consumed);
  // The units, and behind them a low surrogate that is not theirs to read.
  std::u16string units(size / 2, u'\0');
  std::memcpy(units.data(), data, 2 * units.size());
  const std::u16string unitsAndMore = units + u'\xDC00';
  std::string encoded(3 * units.size(), '\0');
  encoded.resize(platform::EncodeUtf8(unitsAndMore.data(), units.size(),
                                      reinterpret_cast<unsigned char*>(encoded.data())));
  std::u16string name(size, u'\0');
  name.resize(
      platform::DecodeUtf8(data, size, true, name.data(), platform::Malformed::Escape).units);
  std::string named(3 * name.size(), '\0');
  named.resize(platform::EncodeUtf8(name.data(), name.size(),
                                    reinterpret_cast<unsigned char*>(named.data()),
                                    platform::Malformed::Escape));
  if (result) result = Same("the text decoded in two parts", parts, whole);
  if (result) result = Same("the encoded units", encoded, reference::EncodeUtf8(units));
  if (result) result = Same("the name", named, bytes);
  return ForInput(result, data, size);
}

// FormatGrouped, IntegerText and PadText in a started workspace: eight bytes are
// the value (a double and an integer), one a count (decimals, a width), one where
// the texts lie (outside the workspace, or in it where the result goes), and the
// rest the point and the separator (also the field's text and its pad).
inline ::testing::AssertionResult FormatAgrees(const std::uint8_t* data, std::size_t size) {
  if (size < 11) return ::testing::AssertionSuccess();
  double value;
  std::int64_t integer;
  std::memcpy(&value, data, 8);
  std::memcpy(&integer, data, 8);
  const std::int32_t count = static_cast<std::int8_t>(data[8]) * (data[9] % 4 == 3 ? 40 : 1);
  const std::string rest(reinterpret_cast<const char*>(data) + 11, size - 11);
  const std::size_t split = data[10] % (rest.size() + 1);
  const std::u16string point = reference::Widen(rest.substr(0, split).c_str());
  const std::u16string separator = reference::Widen(rest.substr(split).c_str());
  // In the workspace the texts lie behind a "<": where the result goes, or before it.
  auto place = [&](const char16_t** pointText, const char16_t** separatorText) {
    TruncateWorkspace(0);
    AppendText(u"<");
    *pointText = point.c_str();
    *separatorText = separator.c_str();
    if (data[9] % 3 == 0) return 2;
    AppendText(separator.c_str());  // its NUL stays, unless the point starts right there
    if (!separator.empty()) ReserveWorkspace(1, WorkspacePosition());
    const std::int64_t pointAt = StringWorkspace.position;
    AppendText(point.c_str());
    *pointText = WorkspaceTextAt(pointAt);
    if (!separator.empty()) *separatorText = WorkspaceTextAt(2);
    return data[9] % 3 == 1 ? 2 : WorkspacePosition();
  };
  const char16_t* pointText;
  const char16_t* separatorText;
  std::int32_t at = place(&pointText, &separatorText);
  FormatGrouped(value, count, pointText, separatorText, at);
  const std::u16string expected = reference::Grouped(value, count, point, separator);
  auto result = Same("the grouped text", std::u16string(WorkspaceTextAt(at)), expected);
  if (result && StringWorkspace.position != at + 2 * static_cast<std::int64_t>(expected.size()))
    result = ::testing::AssertionFailure() << "the grouped text ends at " << WorkspacePosition();
  at = place(&pointText, &separatorText);
  PadText(pointText, count, separatorText, at);
  const std::u16string field =
      reference::Pad(point, count, separator.empty() ? u'\0' : separator[0]);
  if (result) result = Same("the field", std::u16string(WorkspaceTextAt(at), field.size()), field);
  if (result && StringWorkspace.position != at + 2 * static_cast<std::int64_t>(field.size()))
    result = ::testing::AssertionFailure() << "the field ends at " << WorkspacePosition();
  IntegerText(integer, 2);
  if (result)
    result =
        Same("the integer", std::u16string(WorkspaceTextAt(0)), u"<" + reference::Integer(integer));
  return ForInput(result, data, size);
}

}  // namespace check
