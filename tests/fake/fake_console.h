// The scripted console, files and control handler of the fake platform. Standard
// input and output start redirected, with input at its end; tests script typed
// lines or file reads, and read back what was written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/platform/platform.h"

namespace fake {

// The handles the fake gives for standard input and output.
platform::FileHandle InputHandle();
platform::FileHandle OutputHandle();

// Forgets every script and everything written; called by Reset().
void ResetConsole();

// Makes standard input a console on which these chunks are typed, one per console
// read. A chunk longer than the caller's capacity is handed out over several
// reads, as a real console does. With the script used up, a read is a test error.
void TypeOnConsole(std::vector<std::u16string> chunks);

// One scripted result of a read from redirected input.
struct FileRead {
  std::string bytes;  // handed out over as many reads as the requested sizes need
  platform::FileReadResult result = platform::FileReadResult::Success;
};
// Makes standard input redirected, with these reads to come; after them every
// read reports end of file.
void RedirectInput(std::vector<FileRead> reads);
// The bytes of `text` in UTF-16LE.
std::string Utf16Bytes(const std::u16string& text);

// Makes standard output a console (true) or a file (false, the start).
void SetOutputIsConsole(bool console);
// Makes every write to a file fail.
void FailFileWrites();

// Text written to the output console, and bytes written to the output file.
const std::u16string& ConsoleOutput();
const std::string& FileOutput();
// The byte counts that ReadFileBytes was asked for, in order.
const std::vector<std::uint32_t>& FileReadSizes();

// One line per console or file call, such as "ReadFileBytes input 8192".
const std::vector<std::string>& ConsoleCalls();

// The handler registered by RegisterControlHandler, or null.
platform::ControlHandler RegisteredControlHandler();
// The last title set, and whether one was set at all.
const std::u16string& ConsoleTitle();
bool ConsoleTitleSet();

}  // namespace fake
