// The scripted fake platform that the unit tests link instead of the real seam.
// One state, reset before each test, scripts what the system does (input, time,
// modules, the working set, the one heap call that fails) and keeps what a caller
// can observe (output, live blocks and heaps, open modules, what was released in
// which order). Freeing or closing anything it never handed out throws, and so
// does freeing a block that was written past its end.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "runtime/platform/platform.h"

namespace fake {

// Thrown by EndProcess, so that a test can watch the process end.
struct ProcessExit {
  std::uint32_t code;
};

// One redirected read: its bytes, over as many reads as the sizes asked for need,
// or else `result`.
struct Read {
  std::string bytes;
  platform::FileReadResult result = platform::FileReadResult::Success;
};

// A failure a test may script, which is never that of a reader that went away.
inline constexpr platform::SystemError NoSpace = 28;

// A live heap block: the size asked for, and its usable room (BlockSize), which
// now and then is larger and then holds garbage beyond the size asked.
struct Block {
  std::size_t bytes;
  std::size_t room;
};

struct State {
  // Heaps by handle: their number (1 for the first created), and their live
  // blocks. A resize that fits the room stays in place, one that does not moves,
  // and the memory a block leaves, like a freed block's, is written over first.
  std::map<platform::HeapHandle, std::pair<long, std::map<void*, Block>>> heaps;
  long heapCalls = 0;              // heap creations, allocations and resizes so far
  long failingCall = 0;            // the heap call with this number fails (1: the first)
  long resizes = 0;                // resizes that succeeded
  std::vector<std::size_t> freed;  // the sizes of the blocks freed one by one, in order
  // Time: each counter reading is `counterStep` after the one before, unless
  // `counterSteps` holds the step after it.
  std::int64_t frequency = 10'000'000;
  std::int64_t counter = 0;
  std::int64_t counterStep = 0;
  std::deque<std::int64_t> counterSteps;
  bool frequencyFails = false;
  std::uint32_t tickCount = 0;
  // Modules that load, by path, with the functions they export; every other
  // path fails. `open` holds the paths of the modules loaded and not closed.
  std::map<std::u16string, std::map<std::string, void*>> modules;
  std::map<void*, std::u16string> open;
  std::function<void()> opening;  // run once by the next OpenModule, as a library's start
  std::function<void()> closing;  // run by every CloseModule, as a library's end
  // Run once by the next question about the processor, as another thread might
  // run meanwhile. The answers are the processor's own.
  std::function<void()> askingProcessor;
  // Standard input: a console on which `typed` chunks arrive one per read (cut
  // at the capacity), or redirected `reads`, after which the input has ended.
  // Standard output: a console, or a file whose writes fail with `writeError`
  // when that is not 0 (and so do those of the files created); it is the last
  // error the system tells of, and otherwise ENOSPC, a full scratch file's.
  bool inputIsConsole = false;
  bool outputIsConsole = false;
  platform::SystemError writeError = 0;
  std::deque<std::u16string> typed;
  std::deque<Read> reads;
  std::u16string consoleText;
  std::size_t consoleWrites = 0;  // calls that wrote to the console
  std::string fileBytes;
  std::string standardError;
  platform::ControlHandler handler = nullptr;
  // The process's arguments; the files it created, by path, with what was
  // written to them.
  std::vector<std::u16string> arguments;
  std::map<std::u16string, std::string> files;
  std::function<void()> putting;  // run once by the next PutFileInPlace, before it
  // The scratch file's bytes, and those its disk takes: a write beyond them
  // writes up to them and fails.
  std::string scratch;
  std::size_t scratchRoom = SIZE_MAX;
  // The machine: what the processor is called, and the seconds since 1970 of the clock.
  std::u16string processorName = u"Fake processor";
  std::int64_t utcSeconds = 0;
  // The working set the system reports itself; none: it is psapi.dll's to give.
  std::optional<std::int64_t> directWorkingSet;
  // "module <path>", "heap <n>", "exit <code>", in the order they happened.
  std::vector<std::string> released;
};

extern State state;

// The handle CurrentProcess gives.
inline constexpr std::int64_t ProcessHandle = 0x7E57;

// Destroys every heap, closes nothing, and starts a fresh state; throws when a
// block that was still live had been written past its end.
void Reset();
// Blocks live in `heap`, and the size asked for `block` (0: no such live block).
std::size_t LiveBlocks(platform::HeapHandle heap);
std::size_t BlockBytes(const void* block);
// Runs `body`; the exit code if it ended the process.
std::optional<std::uint32_t> ExitCodeOf(const std::function<void()>& body);
// The bytes of `text` in UTF-16LE.
std::string Utf16Bytes(const std::u16string& text);

// How often a thread has found a lock held by another and waited for it.
extern std::atomic<int> LockWaits;

}  // namespace fake
