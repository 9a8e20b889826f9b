// Shared libraries on Linux: shared objects through the dynamic linker. Paths and
// function names go from UTF-16 to UTF-8, the names under the same 260-byte limit
// as on Windows.
#include <dlfcn.h>

#include <cstdint>
#include <string>

#include "runtime/platform/platform.h"

namespace platform {

namespace {

// Feeds the UTF-8 form of `text`, up to its NUL, byte by byte to `put`, which
// returns false to stop. Returns false when stopped or when `text` holds a
// surrogate without its partner, which no UTF-8 text can carry.
template <typename Put>
bool EncodeUtf8(const char16_t* text, Put put) {
  for (; *text != u'\0'; ++text) {
    std::uint32_t c = *text;
    if (c >= 0xD800 && c <= 0xDBFF) {
      const std::uint32_t low = text[1];  // the NUL at worst, which ends the text
      if (low < 0xDC00 || low > 0xDFFF) return false;
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      ++text;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
    bool ok;
    if (c < 0x80) {
      ok = put(c);
    } else if (c < 0x800) {
      ok = put(0xC0 | c >> 6) && put(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      ok = put(0xE0 | c >> 12) && put(0x80 | (c >> 6 & 0x3F)) && put(0x80 | (c & 0x3F));
    } else {
      ok = put(0xF0 | c >> 18) && put(0x80 | (c >> 12 & 0x3F)) && put(0x80 | (c >> 6 & 0x3F)) &&
           put(0x80 | (c & 0x3F));
    }
    if (!ok) return false;
  }
  return true;
}

}  // namespace

ModuleHandle OpenModule(const char16_t* path) {
  std::string utf8;
  if (!EncodeUtf8(path, [&utf8](std::uint32_t byte) {
        utf8.push_back(static_cast<char>(byte));
        return true;
      })) {
    return nullptr;
  }
  // The dynamic linker reads an empty path as the program itself, which is not a
  // module that a path names.
  if (utf8.empty()) return nullptr;
  return ::dlopen(utf8.c_str(), RTLD_NOW | RTLD_LOCAL);
}

bool NarrowFunctionName(const char16_t* name, char (&narrow)[FunctionNameBytes]) {
  std::size_t used = 0;
  const bool converted = EncodeUtf8(name, [&](std::uint32_t byte) {
    if (used == FunctionNameBytes - 1) return false;  // keep the last byte for the NUL
    narrow[used++] = static_cast<char>(byte);
    return true;
  });
  if (!converted) return false;
  narrow[used] = '\0';
  return true;
}

void* FindModuleSymbol(ModuleHandle module, const char* name) {
  // dlsym() also finds what the libraries the module depends on export. Since
  // glibc 2.34 libpthread.so.0, libdl.so.2 and librt.so.1 are empty and their
  // functions are the C library's, much as a Windows DLL forwards an export
  // that another DLL holds, which GetProcAddress follows.
  return ::dlsym(module, name);
}

void CloseModule(ModuleHandle module) {
  ::dlclose(module);
}

}  // namespace platform
