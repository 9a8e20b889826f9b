// Storing texts into StringVariables. A variable that already holds a block is
// resized, never freed and allocated anew, so the benchmark's element blocks
// shrink to 10 bytes in place.
#include "runtime/strings/string_variable.h"

#include "runtime/platform/out_of_memory.h"
#include "runtime/strings/text.h"
#include "runtime/strings/workspace.h"

namespace {

// Gives `variable` a block of `bytes` bytes, keeping the block it holds if any.
char16_t* SizeStringBlock(StringVariable* variable, std::size_t bytes) {
  void* block = *variable == nullptr ? platform::AllocateBlock(StringHeap, bytes, false)
                                     : platform::ResizeBlock(StringHeap, *variable, bytes, false);
  if (block == nullptr) FailOutOfMemory();
  *variable = static_cast<char16_t*>(block);
  return *variable;
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
      platform::FreeBlock(StringHeap, *variable);
      *variable = nullptr;
    }
    return 2;
  }
  const std::size_t length = FindTerminator(text);
  char16_t* block = SizeStringBlock(variable, StringBlockBytes(length));
  CopyText(block, text, length);
  return static_cast<std::int64_t>(2 * length + 2);
}
