// The scripted fake platform: unit tests link it instead of the real seam, so
// that every failure the runtime must survive can be provoked on demand. Its
// heaps stand on malloc, where the sanitizers see every block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "runtime/platform/platform.h"

namespace fake {

// Thrown by EndProcess, so that a test can watch the process end.
struct ProcessExit {
  std::uint32_t code;
};

// Destroys every heap and forgets every script, log and counter.
void Reset();

// Heaps created and not yet destroyed.
std::size_t LiveHeaps();
// Blocks allocated from `heap` and not yet freed.
std::size_t LiveBlocks(platform::HeapHandle heap);
// The size asked for when `block` was last allocated or resized; 0 if unknown.
std::size_t BlockBytes(const void* block);

// The nth CreatePrivateHeap from now (1 = the next one) fails.
void FailHeapCreation(int nth);
// The nth AllocateBlock or ResizeBlock from now (1 = the next one) fails.
void FailAllocation(int nth);

// One line per call made to the fake, such as "AllocateBlock 16".
const std::vector<std::string>& Calls();
// Everything written to standard error.
const std::string& StandardError();

// Runs `body`; returns the exit code if it ended the process, nothing otherwise.
std::optional<std::uint32_t> ExitCodeOf(const std::function<void()>& body);

}  // namespace fake
