// The console on Linux is the terminal the process already has. Text crosses it
// as UTF-8; a read returns one line in canonical mode, ended by CR LF as on
// Windows. A handle that is not a terminal is not a console, so the runtime falls
// back to plain file reads and writes for it.
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/platform/platform.h"
#include "runtime/platform/posix/file_handle.h"
#include "runtime/platform/posix/terminal.h"
#include "runtime/platform/posix/utf8.h"

namespace platform {

namespace {

constexpr char16_t kEndOfFileKey = 0x1A;  // what Ctrl-Z and Enter give on Windows
constexpr std::size_t kTerminalReadBytes = 4096;
constexpr std::size_t kMaxSequence = 4;  // the longest UTF-8 sequence

// One line read from the terminal and converted, handed out over as many calls
// as the callers' capacities need. Only the main thread reads the console.
struct TerminalLine {
  int descriptor = -1;
  char16_t units[kTerminalReadBytes + kMaxSequence + 2];
  std::size_t next = 0;
  std::size_t end = 0;
  // The start of a UTF-8 sequence that the last read cut off.
  unsigned char partial[kMaxSequence];
  std::size_t partialBytes = 0;
};

TerminalLine Line;

// The terminal whose modes this process changed first (-1: none), and its local
// modes before that change.
std::atomic<int> ChangedTerminal = -1;
tcflag_t ModesAtStart = 0;
constexpr tcflag_t kInputModes = ISIG | ICANON | ECHO;

bool WriteAll(int descriptor, const unsigned char* bytes, std::size_t length) {
  std::size_t written = 0;
  return WriteDescriptor(descriptor, bytes, length, &written);
}

// Writes `count` UTF-16 units to `descriptor` as UTF-8, a chunk at a time;
// `*written` counts the units whose bytes went out.
bool WriteAsUtf8(int descriptor, const char16_t* units, std::size_t count, std::size_t* written) {
  constexpr std::size_t kChunk = 1024;
  unsigned char bytes[3 * kChunk];
  *written = 0;
  while (*written < count) {
    const std::size_t at = *written;
    std::size_t take = count - at < kChunk ? count - at : kChunk;
    // A surrogate pair stays within one chunk, or it would turn into two U+FFFD.
    if (at + take < count && units[at + take - 1] >= 0xD800 && units[at + take - 1] <= 0xDBFF) {
      --take;
    }
    if (!WriteAll(descriptor, bytes, EncodeUtf8(units + at, take, bytes))) return false;
    *written = at + take;
  }
  return true;
}

// Reads what the terminal gives for one line and converts it into Line.units.
bool ReadTerminalLine(int descriptor) {
  unsigned char bytes[kMaxSequence + kTerminalReadBytes];
  Line.next = 0;
  Line.end = 0;
  // Repeats only while a read brings nothing but the start of a sequence.
  while (Line.end == 0) {
    std::memcpy(bytes, Line.partial, Line.partialBytes);
    const ssize_t got = ReadDescriptor(descriptor, bytes + Line.partialBytes, kTerminalReadBytes);
    if (got < 0) return false;

    std::size_t length = Line.partialBytes + static_cast<std::size_t>(got);
    Line.partialBytes = 0;
    if (length == 0) {
      // End of file typed at the start of a line.
      Line.units[0] = kEndOfFileKey;
      Line.units[1] = u'\r';
      Line.units[2] = u'\n';
      Line.end = 3;
      return true;
    }
    const bool lineEnds = bytes[length - 1] == '\n';
    if (lineEnds) --length;
    // A sequence cut off at the end of a read waits for the next one; a line end
    // or an end of file completes whatever came before it.
    const bool final = lineEnds || got == 0;
    const Utf8Decoded decoded = DecodeUtf8(bytes, length, final, Line.units);
    Line.partialBytes = length - decoded.bytes;
    std::memcpy(Line.partial, bytes + decoded.bytes, Line.partialBytes);
    Line.end = decoded.units;
    if (lineEnds) {
      Line.units[Line.end++] = u'\r';
      Line.units[Line.end++] = u'\n';
    }
  }
  return true;
}

}  // namespace

void AllocateConsole() {
  // The terminal is already there, and StartProcess has made a write to a pipe
  // whose reader has gone fail rather than end the process.
}

FileHandle GetStandardHandle(StandardStream stream) {
  switch (stream) {
    case StandardStream::Input:
      return HandleOfDescriptor(STDIN_FILENO);
    case StandardStream::Output:
      return HandleOfDescriptor(STDOUT_FILENO);
    case StandardStream::Error:
      break;
  }
  return HandleOfDescriptor(STDERR_FILENO);
}

void SetConsoleTitleText(const char16_t* title) {
  if (::isatty(STDOUT_FILENO) != 1) return;
  // A terminal that names no type, or a dumb one (an editor's shell buffer), would
  // show the sequence as text.
  const char* type = std::getenv("TERM");
  if (type == nullptr || std::strcmp(type, "dumb") == 0) return;
  // The xterm sequence that sets the window title: ESC ] 0 ; title BEL.
  static constexpr unsigned char kStart[] = {0x1B, ']', '0', ';'};
  static constexpr unsigned char kEnd[] = {0x07};
  std::size_t written = 0;
  if (WriteAll(STDOUT_FILENO, kStart, sizeof kStart) &&
      WriteAsUtf8(STDOUT_FILENO, title, std::char_traits<char16_t>::length(title), &written)) {
    WriteAll(STDOUT_FILENO, kEnd, sizeof kEnd);
  }
}

bool IsConsole(FileHandle file) {
  return ::isatty(DescriptorOf(file)) == 1;
}

bool SetConsoleInputMode(FileHandle console, std::uint32_t mode) {
  const int descriptor = DescriptorOf(console);
  termios settings;
  if (::tcgetattr(descriptor, &settings) != 0) return false;
  termios wanted = settings;
  // Processed input: Ctrl-C and Ctrl-\ raise signals (control events); line
  // input: canonical mode; echo input: the terminal echoes what is typed.
  const auto apply = [](tcflag_t& flags, tcflag_t bit, bool on) {
    flags = on ? (flags | bit) : (flags & ~bit);
  };
  apply(wanted.c_lflag, ISIG, (mode & ProcessedInputMode) != 0);
  apply(wanted.c_lflag, ICANON, (mode & LineInputMode) != 0);
  apply(wanted.c_lflag, ECHO, (mode & EchoInputMode) != 0);
  // Setting the same mode again would only stop a background process (SIGTTOU).
  if (wanted.c_lflag == settings.c_lflag) return true;
  if (::tcsetattr(descriptor, TCSANOW, &wanted) != 0) return false;
  if (ChangedTerminal.load() < 0) {
    ModesAtStart = settings.c_lflag & kInputModes;
    ChangedTerminal.store(descriptor);
  }
  return true;
}

void RestoreTerminalModes() {
  const int descriptor = ChangedTerminal.load();
  termios settings;
  if (descriptor < 0 || ::tcgetpgrp(descriptor) != ::getpgrp() ||
      ::tcgetattr(descriptor, &settings) != 0) {
    return;
  }
  settings.c_lflag = (settings.c_lflag & ~kInputModes) | ModesAtStart;
  ::tcsetattr(descriptor, TCSANOW, &settings);
}

bool ReadConsoleChars(FileHandle console, char16_t* buffer, std::uint32_t capacity,
                      std::uint32_t* read) {
  *read = 0;
  const int descriptor = DescriptorOf(console);
  if (::isatty(descriptor) != 1) return false;
  if (Line.descriptor != descriptor) {
    Line = TerminalLine{};
    Line.descriptor = descriptor;
  }
  if (Line.next == Line.end && !ReadTerminalLine(descriptor)) return false;
  std::size_t count = Line.end - Line.next;
  if (count > capacity) count = capacity;
  std::memcpy(buffer, Line.units + Line.next, count * sizeof(char16_t));
  Line.next += count;
  *read = static_cast<std::uint32_t>(count);
  return true;
}

bool WriteConsoleChars(FileHandle console, const char16_t* buffer, std::uint32_t count,
                       std::uint32_t* written) {
  *written = 0;
  const int descriptor = DescriptorOf(console);
  if (::isatty(descriptor) != 1) return false;
  std::size_t done = 0;
  const bool ok = WriteAsUtf8(descriptor, buffer, count, &done);
  *written = static_cast<std::uint32_t>(done);
  return ok;
}

}  // namespace platform
