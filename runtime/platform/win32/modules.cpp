// Shared libraries on Windows: DLLs through KERNEL32's loader, function names in
// the ANSI code page that GetProcAddress takes.
#include <windows.h>

#include <cwchar>

#include "runtime/platform/platform.h"

namespace platform {

ModuleHandle OpenModule(const char16_t* path) {
  return ::LoadLibraryW(reinterpret_cast<const wchar_t*>(path));
}

bool NarrowFunctionName(const char16_t* name, char (&narrow)[FunctionNameBytes]) {
  // With a length of -1 the NUL is converted too; a name that does not fit, NUL
  // included, makes the conversion fail and report 0.
  const auto* wide = reinterpret_cast<const wchar_t*>(name);
  if (::WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, static_cast<int>(FunctionNameBytes),
                            nullptr, nullptr) == 0) {
    return false;
  }
  // Where the code page has no such character, the conversion puts a look-alike
  // (a full-width letter, e for an e with a macron) or ?, and the name would find
  // another function. Only a narrow form that converts back to the name itself
  // is exact. (WC_NO_BEST_FIT_CHARS and the default-character flag are refused
  // for some code pages, UTF-8 among them; the way back works for all.)
  wchar_t back[FunctionNameBytes];
  const int length = ::MultiByteToWideChar(CP_ACP, 0, narrow, -1, back, FunctionNameBytes);
  return length > 0 && std::wcscmp(back, wide) == 0;
}

void* FindModuleSymbol(ModuleHandle module, const char* name) {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), name));
}

void CloseModule(ModuleHandle module) {
  ::FreeLibrary(static_cast<HMODULE>(module));
}

}  // namespace platform
