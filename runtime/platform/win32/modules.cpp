// Shared libraries on Windows: DLLs through KERNEL32's loader, function names in
// the ANSI code page that GetProcAddress takes.
#include <windows.h>

#include "runtime/platform/platform.h"

namespace platform {

ModuleHandle OpenModule(const char16_t* path) {
  return ::LoadLibraryW(reinterpret_cast<const wchar_t*>(path));
}

bool NarrowFunctionName(const char16_t* name, char (&narrow)[FunctionNameBytes]) {
  // With a length of -1 the NUL is converted too; a name that does not fit, NUL
  // included, makes the conversion fail and report 0.
  return ::WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(name), -1, narrow,
                               static_cast<int>(FunctionNameBytes), nullptr, nullptr) != 0;
}

void* FindModuleSymbol(ModuleHandle module, const char* name) {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), name));
}

void CloseModule(ModuleHandle module) {
  ::FreeLibrary(static_cast<HMODULE>(module));
}

}  // namespace platform
