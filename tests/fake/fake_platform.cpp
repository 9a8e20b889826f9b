// The fake platform. Heaps stand on malloc, where the sanitizers see every
// block; locks are real, so that tests with threads behave as on the system.
#include "tests/fake/fake_platform.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <stdexcept>

namespace fake {

State state;

namespace {

// Two distinct handles for the standard streams.
char InputTag, OutputTag;
long HeapsCreated;
std::map<void*, long> HeapNumbers;

void Misuse(const char* what) {
  throw std::logic_error(what);
}

// Counts a heap call; true when it is the one scripted to fail.
bool HeapCallFails() {
  return ++state.heapCalls == state.failingCall;
}

std::map<void*, std::size_t>& BlocksOf(platform::HeapHandle heap) {
  auto found = state.heaps.find(heap);
  if (found == state.heaps.end()) Misuse("a heap the fake never created");
  return found->second;
}

std::size_t SizeOf(platform::HeapHandle heap, const void* block) {
  auto found = BlocksOf(heap).find(const_cast<void*>(block));
  if (found == BlocksOf(heap).end()) Misuse("a block the heap does not hold");
  return found->second;
}

void* NewBlock(std::size_t bytes) {
  void* block = std::malloc(bytes == 0 ? 1 : bytes);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

// Frees a block, writing over it first so that what is read after shows.
void Scribble(platform::HeapHandle heap, void* block) {
  std::memset(block, 0xDD, SizeOf(heap, block));
  BlocksOf(heap).erase(block);
  std::free(block);
}

std::string Narrow(const std::u16string& text) {
  return std::string(text.begin(), text.end());
}

}  // namespace

void Reset() {
  for (auto& [heap, blocks] : state.heaps) {
    for (auto& [block, bytes] : blocks) std::free(block);
    std::free(heap);
  }
  for (auto& [module, path] : state.open) std::free(module);
  state = State{};
  HeapsCreated = 0;
  HeapNumbers.clear();
}

std::size_t LiveBlocks(platform::HeapHandle heap) {
  return BlocksOf(heap).size();
}

std::size_t BlockBytes(const void* block) {
  for (auto& [heap, blocks] : state.heaps) {
    if (auto found = blocks.find(const_cast<void*>(block)); found != blocks.end())
      return found->second;
  }
  return 0;
}

std::optional<std::uint32_t> ExitCodeOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const ProcessExit& exit) {
    return exit.code;
  }
  return std::nullopt;
}

std::string Utf16Bytes(const std::u16string& text) {
  std::string bytes;
  for (char16_t unit : text)
    bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  return bytes;
}

}  // namespace fake

namespace platform {

using fake::state;

HeapHandle CreatePrivateHeap() {
  if (fake::HeapCallFails()) return nullptr;
  void* heap = fake::NewBlock(1);
  state.heaps[heap];
  fake::HeapNumbers[heap] = ++fake::HeapsCreated;
  return heap;
}

void* AllocateBlock(HeapHandle heap, std::size_t bytes, bool zero) {
  auto& blocks = fake::BlocksOf(heap);
  if (fake::HeapCallFails()) return nullptr;
  void* block = fake::NewBlock(bytes);
  std::memset(block, zero ? 0 : 0xAA, bytes);  // memory not asked to be zero is not
  return blocks[block] = bytes, block;
}

void* ResizeBlock(HeapHandle heap, void* block, std::size_t bytes, bool zeroGrowth) {
  const std::size_t old = fake::SizeOf(heap, block);
  void* moved = AllocateBlock(heap, bytes, zeroGrowth);
  if (moved == nullptr) return nullptr;
  std::memcpy(moved, block, std::min(old, bytes));
  fake::Scribble(heap, block);
  ++state.resizes;
  return moved;
}

std::size_t BlockSize(HeapHandle heap, const void* block) {
  return fake::SizeOf(heap, block);
}

void FreeBlock(HeapHandle heap, void* block) {
  if (block == nullptr) return;
  state.freed.push_back(fake::SizeOf(heap, block));
  fake::Scribble(heap, block);
}

void DestroyPrivateHeap(HeapHandle heap) {
  if (heap == nullptr) return;
  while (!fake::BlocksOf(heap).empty()) fake::Scribble(heap, fake::BlocksOf(heap).begin()->first);
  state.heaps.erase(heap);
  state.released.push_back("heap " + std::to_string(fake::HeapNumbers[heap]));
  std::free(heap);
}

static_assert(sizeof(std::recursive_mutex) <= sizeof(Lock::storage));

void InitializeLock(Lock* lock) {
  new (lock->storage) std::recursive_mutex;
}
void EnterLock(Lock* lock) {
  std::launder(reinterpret_cast<std::recursive_mutex*>(lock->storage))->lock();
}
void LeaveLock(Lock* lock) {
  std::launder(reinterpret_cast<std::recursive_mutex*>(lock->storage))->unlock();
}

bool QueryCounterFrequency(std::int64_t* frequency) {
  *frequency = state.frequencyFails ? 0 : state.frequency;
  return !state.frequencyFails;
}

bool QueryCounter(std::int64_t* counter) {
  *counter = state.counter;
  state.counter += state.counterStep;
  return true;
}

std::uint32_t TickCount() {
  return state.tickCount;
}

ModuleHandle OpenModule(const char16_t* path) {
  if (state.modules.count(path) == 0) return nullptr;
  void* handle = fake::NewBlock(1);
  state.open[handle] = path;
  return handle;
}

bool NarrowFunctionName(const char16_t* name, char (&narrow)[FunctionNameBytes]) {
  const std::u16string text = name;
  if (text.size() >= FunctionNameBytes) return false;
  std::memcpy(narrow, fake::Narrow(text).c_str(), text.size() + 1);
  return true;
}

void* FindModuleSymbol(ModuleHandle module, const char* name) {
  const auto& symbols = state.modules.at(state.open.at(module));
  auto found = symbols.find(name);
  return found == symbols.end() ? nullptr : found->second;
}

void CloseModule(ModuleHandle module) {
  auto found = state.open.find(module);
  if (found == state.open.end()) fake::Misuse("closing a module the fake never opened");
  state.released.push_back("module " + fake::Narrow(found->second));
  state.open.erase(found);
  std::free(module);
}

void AllocateConsole() {}

FileHandle GetStandardHandle(StandardStream stream) {
  return stream == StandardStream::Input ? &fake::InputTag : &fake::OutputTag;
}

void SetConsoleTitleText(const char16_t* title) {
  state.title = title;
}

bool SetConsoleInputMode(FileHandle console, std::uint32_t) {
  return console == &fake::InputTag && state.inputIsConsole;
}

bool ReadConsoleChars(FileHandle console, char16_t* buffer, std::uint32_t capacity,
                      std::uint32_t* read) {
  *read = 0;
  if (console != &fake::InputTag || !state.inputIsConsole) return false;
  if (state.typed.empty()) fake::Misuse("a console read beyond what was typed");
  std::u16string& chunk = state.typed.front();
  *read = std::min<std::uint32_t>(static_cast<std::uint32_t>(chunk.size()), capacity);
  std::memcpy(buffer, chunk.data(), *read * sizeof(char16_t));
  chunk.erase(0, *read);
  if (chunk.empty()) state.typed.pop_front();
  return true;
}

bool WriteConsoleChars(FileHandle console, const char16_t* buffer, std::uint32_t count,
                       std::uint32_t* written) {
  *written = 0;
  if (console != &fake::OutputTag || !state.outputIsConsole) return false;
  state.consoleText.append(buffer, count);
  *written = count;
  return true;
}

FileReadResult ReadFileBytes(FileHandle file, void* buffer, std::uint32_t bytes,
                             std::uint32_t* got) {
  *got = 0;
  if (file != &fake::InputTag) fake::Misuse("reading from standard output");
  if (state.reads.empty()) return FileReadResult::Success;
  fake::Read& next = state.reads.front();
  if (next.bytes.empty()) {
    const FileReadResult result = next.result;
    state.reads.pop_front();
    return result;
  }
  *got = std::min<std::uint32_t>(static_cast<std::uint32_t>(next.bytes.size()), bytes);
  std::memcpy(buffer, next.bytes.data(), *got);
  next.bytes.erase(0, *got);
  if (next.bytes.empty() && next.result == FileReadResult::Success) state.reads.pop_front();
  return FileReadResult::Success;
}

bool WriteFileBytes(FileHandle file, const void* buffer, std::uint32_t bytes,
                    std::uint32_t* written) {
  *written = 0;
  if (file == &fake::InputTag) fake::Misuse("writing to standard input");
  if (state.writesFail) return false;
  (file == &fake::OutputTag ? state.fileBytes : *static_cast<std::string*>(file))
      .append(static_cast<const char*>(buffer), bytes);
  *written = bytes;
  return true;
}

void FlushFile(FileHandle) {}

// The scratch file is the redirected standard output, where tests see it.
FileHandle OpenScratchFile() {
  return &fake::OutputTag;
}

FileHandle CreateOutputFile(const char16_t* path) {
  return std::u16string(path) == u"?" ? nullptr : &(state.files[path] = "");
}

const char16_t* const* CommandLineArguments(std::size_t* count) {
  static std::vector<const char16_t*> texts;
  texts.clear();
  for (const std::u16string& argument : state.arguments) texts.push_back(argument.c_str());
  *count = texts.size();
  return texts.data();
}

void RegisterControlHandler(ControlHandler handler) {
  state.handler = handler;
}

std::int64_t CurrentProcess() {
  return fake::ProcessHandle;
}

bool ReadWorkingSetDirectly(std::int64_t, std::int64_t* bytes) {
  if (!state.directWorkingSet) return false;
  *bytes = *state.directWorkingSet;
  return true;
}

void WriteStandardError(const char* text, std::size_t length) {
  state.standardError.append(text, length);
}

void EndProcess(std::uint32_t code) {
  state.released.push_back("exit " + std::to_string(code));
  throw fake::ProcessExit{code};
}

}  // namespace platform
