// ReadLine on redirected input against the line rules. The first bytes say where
// the reads fall and where one fails; the rest is the UTF-16LE input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/console/console.h"
#include "runtime/console/read_line.h"
#include "runtime/platform/platform.h"
#include "runtime/program_heap.h"
#include "runtime/strings/workspace.h"
#include "tests/fake/fake_platform.h"
#include "tests/reference.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t cuts = data[0] % 16u < size ? data[0] % 16u : size - 1;
  const std::string bytes(reinterpret_cast<const char*>(data) + 1 + cuts, size - 1 - cuts);
  // The runtime starts once; each input begins with nothing pending.
  static const bool started = [] {
    ProgramHeap = platform::CreatePrivateHeap();
    InitStringWorkspace();
    OpenConsole();
    return true;
  }();
  static_cast<void>(started);
  fake::state.reads.clear();
  platform::FreeBlock(ProgramHeap, PendingInput);
  PendingInput = nullptr;
  PendingByteHeld = SkipLineFeed = false;
  std::vector<std::size_t> failures;
  std::size_t at = 0;
  for (std::size_t k = 0; k < cuts; ++k) {
    const std::size_t length = (data[1 + k] & 0x7Fu) * (k % 4 == 3 ? 97 : 1) + 1;  // some long
    if (at < bytes.size()) fake::state.reads.push_back({bytes.substr(at, length)});
    at = std::min(at + length, bytes.size());
    if ((data[1 + k] & 0x80) != 0) {
      fake::state.reads.push_back({"", platform::FileReadResult::Failure});
      failures.push_back(at);
    }
  }
  if (at < bytes.size()) fake::state.reads.push_back({bytes.substr(at)});
  std::vector<std::u16string> lines;
  while (lines.empty() || lines.back() != u"\x04") {
    const auto count = static_cast<std::size_t>(ReadLine(0));
    lines.emplace_back(WorkspaceTextAt(0), count);
    TruncateWorkspace(0);
  }
  if (lines != reference::Lines(bytes, failures)) __builtin_trap();
  return 0;
}
