// Console set-up and the control handler. The close event can come at any moment
// after set-up, on the system's control thread; the handler releases what the
// shared part of the shutdown releases before the system ends the process.
#include "runtime/console/console.h"

#include "program/program_main.h"

platform::FileHandle StdInputHandle;
platform::FileHandle StdOutputHandle;
platform::Lock InputLock;
char16_t* PendingInput;
bool PendingByteHeld;
std::uint8_t PendingByte;

std::int64_t OpenConsole(const char16_t* title) {
  platform::AllocateConsole();
  StdInputHandle = platform::GetStandardHandle(platform::StandardStream::Input);
  StdOutputHandle = platform::GetStandardHandle(platform::StandardStream::Output);
  platform::RegisterControlHandler(ConsoleControlHandler);
  if (title != nullptr) platform::SetConsoleTitleText(title);
  platform::InitializeLock(&InputLock);
  return 1;
}

std::int32_t ConsoleControlHandler(std::uint32_t controlType) {
  if (controlType == platform::ControlCloseEvent) ProgramEnd();
  return 0;
}
