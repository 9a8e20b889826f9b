// The fake platform. Heap blocks stand on malloc, where the sanitizers see them.
// Handles of heaps and modules are numbers the fake hands out; nothing
// dereferences them. (Its locks are the system's: see CMakeLists.txt.)
#include "tests/fake/fake_platform.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <stdexcept>
#include <utility>

namespace fake {

State state;

namespace {

// The standard streams' handles.
char InputTag;
char OutputTag;
std::uintptr_t Handles;  // the last heap or module handle handed out
long HeapsCreated;       // since the last reset

void* NextHandle() {
  return reinterpret_cast<void*>(++Handles);
}

void Misuse(const char* what) {
  throw std::logic_error(what);
}

std::map<void*, Block>& BlocksOf(platform::HeapHandle heap) {
  if (state.heaps.count(heap) == 0) Misuse("a heap the fake never created");
  return state.heaps[heap].second;
}

Block& BlockOf(platform::HeapHandle heap, const void* block) {
  auto found = BlocksOf(heap).find(const_cast<void*>(block));
  if (found == BlocksOf(heap).end()) Misuse("a block the heap does not hold");
  return found->second;
}

// Bytes behind every block, which a write past its end changes. They spell the
// block's own address, so that a copy of another block's end shows too.
constexpr std::size_t kGuardBytes = 16;

unsigned char GuardByte(const void* block, std::size_t i) {
  return static_cast<unsigned char>(reinterpret_cast<std::uintptr_t>(block) >> (8 * (i % 8)));
}

// Whether the guard behind the room of a block is as it was written.
bool Intact(void* block, const Block& sizes) {
  const auto* guard = static_cast<unsigned char*>(block) + sizes.room;
  for (std::size_t i = 0; i < kGuardBytes; ++i) {
    if (guard[i] != GuardByte(block, i)) return false;
  }
  return true;
}

// Frees a block, writing over it first so that what is read after shows.
void Scribble(platform::HeapHandle heap, void* block) {
  const Block sizes = BlockOf(heap, block);
  if (!Intact(block, sizes)) Misuse("a write past the end of a block");
  std::memset(block, 0xDD, sizes.room);
  BlocksOf(heap).erase(block);
  std::free(block);
}

// A block of `bytes` with room to spare at every third heap call, garbage in the
// room unless it is zero-filled.
void* NewBlock(platform::HeapHandle heap, std::size_t bytes, bool zero) {
  const std::size_t room = state.heapCalls % 3 == 0 ? (bytes + bytes / 4 + 7) / 8 * 8 : bytes;
  void* block = std::malloc(room + kGuardBytes);
  if (block == nullptr) throw std::bad_alloc();
  std::memset(block, zero ? 0 : 0xAA, room);  // memory not asked to be zero is not
  for (std::size_t i = 0; i < kGuardBytes; ++i) {
    static_cast<unsigned char*>(block)[room + i] = GuardByte(block, i);
  }
  BlocksOf(heap)[block] = {bytes, room};
  return block;
}

}  // namespace

void Reset() {
  bool overrun = false;
  for (auto& [heap, numbered] : state.heaps) {
    for (auto& [block, sizes] : numbered.second) {
      overrun |= !Intact(block, sizes);
      std::free(block);
    }
  }
  state = State{};
  HeapsCreated = 0;
  if (overrun) Misuse("a write past the end of a block still live");
}

std::size_t LiveBlocks(platform::HeapHandle heap) {
  return BlocksOf(heap).size();
}

std::size_t BlockBytes(const void* block) {
  for (auto& [heap, numbered] : state.heaps)
    if (numbered.second.count(const_cast<void*>(block)) != 0) return BlockOf(heap, block).bytes;
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
  return {reinterpret_cast<const char*>(text.data()), 2 * text.size()};  // x86-64 is little-endian
}

}  // namespace fake

namespace platform {

using fake::state;

HeapHandle CreatePrivateHeap() {
  if (++state.heapCalls == state.failingCall) return nullptr;
  auto heap = static_cast<HeapHandle>(fake::NextHandle());
  state.heaps[heap].first = ++fake::HeapsCreated;
  return heap;
}

void* AllocateBlock(HeapHandle heap, std::size_t bytes, bool zero) {
  fake::BlocksOf(heap);
  if (++state.heapCalls == state.failingCall) return nullptr;
  return fake::NewBlock(heap, bytes, zero);
}

void* ResizeBlock(HeapHandle heap, void* block, std::size_t bytes) {
  fake::Block& old = fake::BlockOf(heap, block);
  if (++state.heapCalls == state.failingCall) return nullptr;
  ++state.resizes;
  if (bytes <= old.room && bytes >= old.room / 2) {
    old.bytes = bytes;
    return block;
  }
  void* moved = fake::NewBlock(heap, bytes, false);
  std::memcpy(moved, block, std::min(old.room, bytes));
  fake::Scribble(heap, block);
  return moved;
}

std::size_t BlockSize(HeapHandle heap, const void* block) {
  return fake::BlockOf(heap, block).room;
}

void FreeBlock(HeapHandle heap, void* block) {
  if (block == nullptr) return;
  state.freed.push_back(fake::BlockOf(heap, block).bytes);
  fake::Scribble(heap, block);
}

void DestroyPrivateHeap(HeapHandle heap) {
  if (heap == nullptr) return;
  while (!fake::BlocksOf(heap).empty()) fake::Scribble(heap, fake::BlocksOf(heap).begin()->first);
  state.released.push_back("heap " + std::to_string(state.heaps[heap].first));
  state.heaps.erase(heap);
}

bool RealProcessorHasVectorBytes(int bytes);  // runtime/platform/processor.cpp

bool ProcessorHasVectorBytes(int bytes) {
  if (auto asking = std::exchange(state.askingProcessor, nullptr)) asking();
  return RealProcessorHasVectorBytes(bytes);
}

bool QueryCounterFrequency(std::int64_t* frequency) {
  *frequency = state.frequencyFails ? 0 : state.frequency;
  return !state.frequencyFails;
}

bool QueryCounter(std::int64_t* counter) {
  *counter = state.counter;
  std::int64_t step = state.counterStep;
  if (!state.counterSteps.empty()) {
    step = state.counterSteps.front();
    state.counterSteps.pop_front();
  }
  state.counter += step;
  return true;
}

std::uint32_t TickCount() {
  return state.tickCount;
}

ModuleHandle OpenModule(const char16_t* path) {
  if (auto opening = std::exchange(state.opening, nullptr)) opening();
  if (state.modules.count(path) == 0) return nullptr;
  ModuleHandle module = fake::NextHandle();
  state.open[module] = path;
  return module;
}

bool NarrowFunctionName(const char16_t* name, char (&narrow)[FunctionNameBytes]) {
  const std::u16string text = name;
  std::copy(text.begin(), text.begin() + std::min(text.size() + 1, FunctionNameBytes), narrow);
  return text.size() < FunctionNameBytes;
}

void* FindModuleSymbol(ModuleHandle module, const char* name) {
  const auto& symbols = state.modules.at(state.open.at(module));
  return symbols.count(name) == 0 ? nullptr : symbols.at(name);
}

void CloseModule(ModuleHandle module) {
  if (state.open.count(module) == 0) fake::Misuse("closing a module the fake never opened");
  state.released.push_back("module " +
                           std::string(state.open[module].begin(), state.open[module].end()));
  state.open.erase(module);
  if (state.closing) state.closing();
}

void AllocateConsole() {}

FileHandle GetStandardHandle(StandardStream stream) {
  return stream == StandardStream::Input ? &fake::InputTag : &fake::OutputTag;
}

void SetConsoleTitleText(const char16_t*) {}

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
  if (chunk.erase(0, *read).empty()) state.typed.pop_front();
  return true;
}

bool WriteConsoleChars(FileHandle console, const char16_t* buffer, std::uint32_t count,
                       std::uint32_t* written) {
  *written = console == &fake::OutputTag && state.outputIsConsole ? count : 0;
  state.consoleText.append(buffer, *written);
  state.consoleWrites += *written != 0;
  // A pair cut between two writes shows as a replacement character.
  if (*written != 0 && (buffer[*written - 1] & 0xFC00) == 0xD800) state.consoleText.back() = 0xFFFD;
  return *written == count;
}

FileReadResult ReadFileBytes(FileHandle file, void* buffer, std::uint32_t bytes,
                             std::uint32_t* got) {
  *got = 0;
  if (file != &fake::InputTag) fake::Misuse("reading from standard output");
  if (state.reads.empty()) return FileReadResult::Success;
  fake::Read& next = state.reads.front();
  const FileReadResult result = next.result;
  *got = std::min<std::uint32_t>(static_cast<std::uint32_t>(next.bytes.size()), bytes);
  std::memcpy(buffer, next.bytes.data(), *got);
  if (next.bytes.erase(0, *got).empty()) state.reads.pop_front();
  return result;
}

bool WriteFileBytes(FileHandle file, const void* buffer, std::uint32_t bytes,
                    std::uint32_t* written) {
  *written = 0;
  if (file == &fake::InputTag) fake::Misuse("writing to standard input");
  if (state.writeError != 0) return false;
  std::string& to = file == &fake::OutputTag ? state.fileBytes : *static_cast<std::string*>(file);
  const std::size_t room = &to == &state.scratch ? state.scratchRoom - to.size() : SIZE_MAX;
  to.append(static_cast<const char*>(buffer), std::min<std::size_t>(bytes, room));
  *written = bytes;
  return bytes <= room;
}

void FlushFile(FileHandle) {}

bool IsConsole(FileHandle file) {
  return file == &fake::OutputTag ? state.outputIsConsole : state.inputIsConsole;
}

bool WriteTextBytes(FileHandle file, const char* text, std::size_t length) {
  std::uint32_t written;
  return WriteFileBytes(file, text, static_cast<std::uint32_t>(length), &written);
}

FileHandle OpenScratchFile() {
  return &state.scratch;
}

SystemError ReadFileAt(FileHandle file, std::uint64_t offset, void* buffer, std::uint32_t bytes,
                       std::uint32_t* got) {
  const std::string& text = *static_cast<std::string*>(file);
  *got = static_cast<std::uint32_t>(text.copy(static_cast<char*>(buffer), bytes, offset));
  return 0;
}

FileHandle OpenOutputFile(const char16_t* path, bool* made, SystemError*) {
  *made = state.files.count(path) == 0;
  return &state.files[path];
}

void CloseFile(FileHandle) {}  // the fake's files stay for the test to read

bool SameFile(FileHandle a, FileHandle b) {
  return a == b;
}

SystemError EmptyFile(FileHandle file) {
  static_cast<std::string*>(file)->clear();
  return 0;
}

FileHandle OpenExistingFile(const char16_t* path, SystemError* error) {
  *error = 0;
  return state.files.count(path) != 0 ? &state.files[path] : nullptr;
}

FileHandle CreateNewFile(const char16_t* path, SystemError* error) {
  *error = 17;  // EEXIST
  return state.files.count(path) != 0 ? nullptr : &state.files[path];
}

bool IsDiskFile(FileHandle) {
  return true;
}

SystemError PutFileInPlace(FileHandle, const char16_t* from, const char16_t* to) {
  if (state.putting) std::exchange(state.putting, nullptr)();
  state.files[to] = state.files[from];
  state.files.erase(from);
  return 0;
}

void RemoveFile(const char16_t* path) {
  state.files.erase(path);
}

void ProcessorName(char16_t* text, std::size_t capacity) {
  text[state.processorName.copy(text, capacity - 1)] = u'\0';
}

std::int64_t LogicalProcessorCount() {
  return 2;
}

std::int64_t PhysicalMemoryBytes() {
  return 0;
}

void SystemName(char16_t* text, std::size_t) {
  text[0] = u'\0';
}

std::int64_t UtcSeconds() {
  return state.utcSeconds;
}

SystemError LastSystemError() {
  return state.writeError != 0 ? state.writeError : 28;
}

bool IsBrokenPipe(SystemError) {
  return false;
}

void DescribeSystemError(SystemError, char16_t* text, std::size_t) {
  text[0] = u'\0';  // the fake has no words for its failures
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
  if (state.directWorkingSet) *bytes = *state.directWorkingSet;
  return state.directWorkingSet.has_value();
}

void WriteStandardError(const char* text, std::size_t length) {
  state.standardError.append(text, length);
}

void EndProcess(std::uint32_t code) {
  state.released.push_back("exit " + std::to_string(code));
  throw fake::ProcessExit{code};
}

}  // namespace platform

// Locks: the standard library's recursive mutex, which counts the waits.
std::atomic<int> fake::LockWaits;

namespace platform {

static_assert(sizeof(std::recursive_mutex) <= sizeof(Lock::storage));

static std::recursive_mutex* MutexOf(Lock* lock) {
  return std::launder(reinterpret_cast<std::recursive_mutex*>(lock->storage));
}

void InitializeLock(Lock* lock) {
  new (lock->storage) std::recursive_mutex;
}

void EnterLock(Lock* lock) {
  if (MutexOf(lock)->try_lock()) return;
  ++fake::LockWaits;
  MutexOf(lock)->lock();
}

void LeaveLock(Lock* lock) {
  MutexOf(lock)->unlock();
}

}  // namespace platform
