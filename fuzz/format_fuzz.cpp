// The formatting operations against texts built from std::to_chars: the input
// gives a value, a width or number of decimals, and the point and separator.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "runtime/strings/format.h"
#include "runtime/strings/workspace.h"
#include "tests/fake/fake_platform.h"
#include "tests/reference.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 10) return 0;
  double value;
  std::int64_t integer;
  std::memcpy(&value, data, 8);
  std::memcpy(&integer, data, 8);
  const auto number = static_cast<std::int32_t>(static_cast<std::int8_t>(data[8])) * 5;
  const std::string rest(reinterpret_cast<const char*>(data) + 10, size - 10);
  const std::size_t split = data[9] % (rest.size() + 1);
  const std::u16string point = reference::Widen(rest.substr(0, split).c_str());
  const std::u16string separator = reference::Widen(rest.substr(split).c_str());
  static const bool started = (InitStringWorkspace(), true);
  static_cast<void>(started);
  FormatGrouped(value, number, point.c_str(), separator.c_str(), 0);
  if (WorkspaceTextAt(0) != reference::Grouped(value, number, point, separator)) __builtin_trap();
  IntegerText(integer, 0);
  if (WorkspaceTextAt(0) != reference::Integer(integer)) __builtin_trap();
  PadText(point.c_str(), number, separator.c_str(), 0);
  const std::u16string field =
      reference::Pad(point, number, separator.empty() ? u'\0' : separator[0]);
  if (std::u16string(WorkspaceTextAt(0), field.size()) != field) __builtin_trap();
  return 0;
}
