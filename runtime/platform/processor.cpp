// What the processor offers and what it calls itself, from the compiler's own
// query of it. The query also asks the system whether it saves the registers, so
// it is the same on Windows and on Linux.
#include <cpuid.h>

#include <cstring>
#include <string>

#include "runtime/platform/platform.h"
#include "runtime/platform/processor_brand.h"

namespace platform {

bool ProcessorHasVectorBytes(int bytes) {
  __builtin_cpu_init();
  switch (bytes) {
    case 16:
      return true;
    case 32:
      return __builtin_cpu_supports("avx2");
    case 64:
      return __builtin_cpu_supports("avx512bw");
  }
  return false;
}

void CopyTrimmedName(const char16_t* name, std::size_t length, char16_t* text,
                     std::size_t capacity) {
  auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\0'; };
  while (length > 0 && blank(name[length - 1])) --length;
  std::size_t start = 0;
  while (start < length && blank(name[start])) ++start;
  std::size_t count = 0;
  for (; start + count < length && count + 1 < capacity; ++count) text[count] = name[start + count];
  if (start + count < length && count > 0 && text[count - 1] >= 0xD800 &&
      text[count - 1] <= 0xDBFF) {
    --count;
  }
  text[count] = u'\0';
}

void CopyTrimmedName(const char* name, std::size_t length, char16_t* text, std::size_t capacity) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(name);
  const std::u16string wide(bytes, bytes + length);
  CopyTrimmedName(wide.data(), wide.size(), text, capacity);
}

void ProcessorBrandString(char16_t* text, std::size_t capacity) {
  unsigned registers[12] = {};
  unsigned highest = __get_cpuid_max(0x80000000, nullptr);
  for (unsigned leaf = 0; leaf < 3 && highest >= 0x80000004; ++leaf) {
    unsigned* r = registers + 4 * leaf;
    __get_cpuid(0x80000002 + leaf, &r[0], &r[1], &r[2], &r[3]);
  }
  char brand[sizeof registers];
  std::memcpy(brand, registers, sizeof brand);
  CopyTrimmedName(brand, strnlen(brand, sizeof brand), text, capacity);
}

}  // namespace platform
