// The console on Windows: KERNEL32's console functions and its control handler.
#include <windows.h>

#include "runtime/platform/platform.h"

namespace platform {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

// The numbers that pass through unchanged are the system's own.
static_assert(static_cast<DWORD>(StandardStream::Input) == STD_INPUT_HANDLE);
static_assert(static_cast<DWORD>(StandardStream::Output) == STD_OUTPUT_HANDLE);
static_assert(static_cast<DWORD>(StandardStream::Error) == STD_ERROR_HANDLE);
static_assert(ControlCEvent == CTRL_C_EVENT);
static_assert(ControlBreakEvent == CTRL_BREAK_EVENT);
static_assert(ControlCloseEvent == CTRL_CLOSE_EVENT);
static_assert(ControlLogoffEvent == CTRL_LOGOFF_EVENT);
static_assert(ControlShutdownEvent == CTRL_SHUTDOWN_EVENT);
static_assert(ProcessedInputMode == ENABLE_PROCESSED_INPUT);
static_assert(LineInputMode == ENABLE_LINE_INPUT);
static_assert(EchoInputMode == ENABLE_ECHO_INPUT);

namespace {

ControlHandler RegisteredHandler;

// The system calls handlers with its own calling convention; this one passes
// the event on.
BOOL WINAPI CallRegisteredHandler(DWORD controlType) {
  return RegisteredHandler(controlType);
}

}  // namespace

void AllocateConsole() {
  ::AllocConsole();
}

FileHandle GetStandardHandle(StandardStream stream) {
  return ::GetStdHandle(static_cast<DWORD>(static_cast<std::int32_t>(stream)));
}

void SetConsoleTitleText(const char16_t* title) {
  ::SetConsoleTitleW(reinterpret_cast<const wchar_t*>(title));
}

bool IsConsole(FileHandle file) {
  DWORD mode = 0;
  return ::GetConsoleMode(file, &mode) != 0;
}

bool SetConsoleInputMode(FileHandle console, std::uint32_t mode) {
  return ::SetConsoleMode(console, mode) != 0;
}

bool ReadConsoleChars(FileHandle console, char16_t* buffer, std::uint32_t capacity,
                      std::uint32_t* read) {
  DWORD count = 0;
  const BOOL ok = ::ReadConsoleW(console, buffer, capacity, &count, nullptr);
  *read = count;
  return ok == TRUE;
}

bool WriteConsoleChars(FileHandle console, const char16_t* buffer, std::uint32_t count,
                       std::uint32_t* written) {
  DWORD done = 0;
  const BOOL ok = ::WriteConsoleW(console, buffer, count, &done, nullptr);
  *written = done;
  return ok != 0;
}

void RegisterControlHandler(ControlHandler handler) {
  RegisteredHandler = handler;
  ::SetConsoleCtrlHandler(CallRegisteredHandler, TRUE);
}

}  // namespace platform
