// The fake console and files: standard input and output are scripts and logs.
#include "tests/fake/fake_console.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <stdexcept>

namespace {

struct ConsoleState {
  bool inputIsConsole = false;
  std::deque<std::u16string> typed;
  std::deque<fake::FileRead> reads;
  bool outputIsConsole = false;
  bool failFileWrites = false;
  std::u16string consoleOutput;
  std::string fileOutput;
  std::vector<std::uint32_t> readSizes;
  std::vector<std::string> calls;
  platform::ControlHandler handler = nullptr;
  std::u16string title;
  bool titleSet = false;
};

ConsoleState& State() {
  static ConsoleState state;
  return state;
}

// Two distinct, recognisable handles.
char InputTag;
char OutputTag;

std::string NameOf(platform::FileHandle handle) {
  if (handle == &InputTag) return "input";
  if (handle == &OutputTag) return "output";
  return "unknown";
}

void Log(const std::string& call, platform::FileHandle handle, const std::string& detail = "") {
  State().calls.push_back(call + " " + NameOf(handle) + (detail.empty() ? "" : " " + detail));
}

}  // namespace

namespace platform {

void AllocateConsole() {
  State().calls.push_back("AllocateConsole");
}

FileHandle GetStandardHandle(StandardStream stream) {
  FileHandle handle = stream == StandardStream::Input ? &InputTag : &OutputTag;
  Log("GetStandardHandle", handle);
  return handle;
}

void SetConsoleTitleText(const char16_t* title) {
  State().calls.push_back("SetConsoleTitleText");
  State().title = title;
  State().titleSet = true;
}

bool SetConsoleInputMode(FileHandle console, std::uint32_t mode) {
  Log("SetConsoleInputMode", console, std::to_string(mode));
  return console == &InputTag && State().inputIsConsole;
}

bool ReadConsoleChars(FileHandle console, char16_t* buffer, std::uint32_t capacity,
                      std::uint32_t* read) {
  Log("ReadConsoleChars", console, std::to_string(capacity));
  *read = 0;
  if (console != &InputTag || !State().inputIsConsole) return false;
  auto& typed = State().typed;
  if (typed.empty()) throw std::logic_error("a console read beyond the typed script");
  std::u16string& chunk = typed.front();
  const std::size_t count = std::min<std::size_t>(chunk.size(), capacity);
  std::memcpy(buffer, chunk.data(), count * sizeof(char16_t));
  chunk.erase(0, count);
  if (chunk.empty()) typed.pop_front();
  *read = static_cast<std::uint32_t>(count);
  return true;
}

bool WriteConsoleChars(FileHandle console, const char16_t* buffer, std::uint32_t count,
                       std::uint32_t* written) {
  Log("WriteConsoleChars", console, std::to_string(count));
  *written = 0;
  if (console != &OutputTag || !State().outputIsConsole) return false;
  State().consoleOutput.append(buffer, count);
  *written = count;
  return true;
}

FileReadResult ReadFileBytes(FileHandle file, void* buffer, std::uint32_t bytes,
                             std::uint32_t* got) {
  Log("ReadFileBytes", file, std::to_string(bytes));
  State().readSizes.push_back(bytes);
  *got = 0;
  if (file != &InputTag) return FileReadResult::Failure;
  auto& reads = State().reads;
  if (reads.empty()) return FileReadResult::Success;
  fake::FileRead& next = reads.front();
  if (next.bytes.empty()) {
    const FileReadResult result = next.result;
    reads.pop_front();
    return result;
  }
  const std::size_t count = std::min<std::size_t>(next.bytes.size(), bytes);
  std::memcpy(buffer, next.bytes.data(), count);
  next.bytes.erase(0, count);
  // A scripted failure follows the bytes scripted with it.
  if (next.bytes.empty() && next.result == FileReadResult::Success) reads.pop_front();
  *got = static_cast<std::uint32_t>(count);
  return FileReadResult::Success;
}

bool WriteFileBytes(FileHandle file, const void* buffer, std::uint32_t bytes,
                    std::uint32_t* written) {
  Log("WriteFileBytes", file, std::to_string(bytes));
  *written = 0;
  if (file != &OutputTag || State().failFileWrites) return false;
  State().fileOutput.append(static_cast<const char*>(buffer), bytes);
  *written = bytes;
  return true;
}

void FlushFile(FileHandle file) {
  Log("FlushFile", file);
}

// The fake's scratch file is its redirected standard output, where tests see it.
FileHandle OpenScratchFile() {
  Log("OpenScratchFile", &OutputTag);
  return &OutputTag;
}

void RegisterControlHandler(ControlHandler handler) {
  State().calls.push_back("RegisterControlHandler");
  State().handler = handler;
}

}  // namespace platform

namespace fake {

platform::FileHandle InputHandle() {
  return &InputTag;
}
platform::FileHandle OutputHandle() {
  return &OutputTag;
}

void ResetConsole() {
  State() = ConsoleState{};
}

void TypeOnConsole(std::vector<std::u16string> chunks) {
  State().inputIsConsole = true;
  State().typed.assign(chunks.begin(), chunks.end());
}

void RedirectInput(std::vector<FileRead> reads) {
  State().inputIsConsole = false;
  State().reads.assign(reads.begin(), reads.end());
}

std::string Utf16Bytes(const std::u16string& text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

void SetOutputIsConsole(bool console) {
  State().outputIsConsole = console;
}
void FailFileWrites() {
  State().failFileWrites = true;
}

const std::u16string& ConsoleOutput() {
  return State().consoleOutput;
}
const std::string& FileOutput() {
  return State().fileOutput;
}
const std::vector<std::uint32_t>& FileReadSizes() {
  return State().readSizes;
}
const std::vector<std::string>& ConsoleCalls() {
  return State().calls;
}

platform::ControlHandler RegisteredControlHandler() {
  return State().handler;
}
const std::u16string& ConsoleTitle() {
  return State().title;
}
bool ConsoleTitleSet() {
  return State().titleSet;
}

}  // namespace fake
