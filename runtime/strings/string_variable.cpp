// Storing texts into StringVariables. A variable that already holds a block is
// resized, never freed and allocated anew, so the benchmark's element blocks
// shrink to 10 bytes in place.
#include "runtime/strings/string_variable.h"

#include <cstdint>
#include <cstring>

#include "runtime/memory/heaps.h"
#include "runtime/memory/out_of_memory.h"
#include "runtime/strings/text.h"
#include "runtime/strings/workspace.h"

namespace {

// Gives `variable` a block of `bytes` bytes, keeping the block it holds if any.
char16_t* SizeStringBlock(StringVariable* variable, std::size_t bytes) {
  void* block = *variable == nullptr ? AllocateBlock(StringHeap, bytes, false)
                                     : ResizeBlock(StringHeap, *variable, bytes, false);
  if (block == nullptr) FailOutOfMemory();
  *variable = static_cast<char16_t*>(block);
  return *variable;
}

// Whether `text` lies in the block of `variable` (null: no block).
bool LiesInBlock(const char16_t* text, const char16_t* block) {
  if (block == nullptr) return false;
  const auto at = reinterpret_cast<std::uintptr_t>(text);
  const auto start = reinterpret_cast<std::uintptr_t>(block);
  return at >= start && at - start < BlockSize(StringHeap, block);
}

}  // namespace

void AssignFromWorkspace(StringVariable* variable, std::int32_t saved) {
  const auto size = static_cast<std::int32_t>(StringWorkspace.position - saved);
  const std::size_t chars = size > 0 ? static_cast<std::size_t>(size) / 2 : 0;
  char16_t* block = SizeStringBlock(variable, StringBlockBytes(chars));
  CopyText(block, WorkspaceTextAt(saved), chars);
  StringWorkspace.position = saved;
}

std::int64_t AssignText(StringVariable* variable, const char16_t* text) {
  if (text == nullptr) {
    if (*variable != nullptr) {
      FreeBlock(StringHeap, *variable);
      *variable = nullptr;
    }
    return 2;
  }
  const std::size_t length = FindTerminator(text);
  if (LiesInBlock(text, *variable)) {
    // Part of the variable's own text: moved to the start of its block first,
    // where the resize keeps it, since the resize may move or free the rest.
    std::memmove(*variable, text, (length + 1) * sizeof(char16_t));
    SizeStringBlock(variable, StringBlockBytes(length));
  } else {
    CopyText(SizeStringBlock(variable, StringBlockBytes(length)), text, length);
  }
  return static_cast<std::int64_t>(2 * length + 2);
}
