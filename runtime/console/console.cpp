// Console set-up and the control handler. A control event can come at any moment
// after set-up, on the system's control thread; the handler runs the program's
// ControlEventHook, and for the close event its CloseEventHook (the shared part of
// its shutdown), before the system ends the process.
#include "runtime/console/console.h"

platform::FileHandle StdInputHandle;
platform::FileHandle StdOutputHandle;
platform::Lock InputLock;
char16_t* PendingInput;
std::int32_t PendingInputLength;
bool PendingByteHeld;
std::uint8_t PendingByte;
bool SkipLineFeed;
CloseEventFunction CloseEventHook;
ControlEventFunction ControlEventHook;

std::int64_t OpenConsole(const char16_t* title) {
  platform::AllocateConsole();
  StdInputHandle = platform::GetStandardHandle(platform::StandardStream::Input);
  StdOutputHandle = platform::GetStandardHandle(platform::StandardStream::Output);
  platform::RegisterControlHandler(ConsoleControlHandler);
  if (title != nullptr) platform::SetConsoleTitleText(title);
  platform::InitializeLock(&InputLock);
  return 1;
}

void ResetLineInput() {
  PendingInput = nullptr;
  PendingInputLength = 0;
  PendingByteHeld = false;
  PendingByte = 0;
  SkipLineFeed = false;
}

std::int32_t ConsoleControlHandler(std::uint32_t controlType) {
  if (ControlEventHook != nullptr) ControlEventHook();
  if (controlType == platform::ControlCloseEvent && CloseEventHook != nullptr) CloseEventHook();
  return 0;
}
