// Out of line on purpose: a caller timing a loop of these cannot have the
// copies hoisted out of the loop or folded into one another.
#include "program/reference_passes.h"

#include <cstring>

namespace {

// Makes the compiler assume that any memory may be read here, so a copy before
// it is done and complete.
inline void KeepWrites() {
  __asm__ __volatile__("" : : : "memory");
}

}  // namespace

void CopyLimitPass(const char16_t* text, char16_t* workspace, char16_t* block, std::size_t bytes) {
  std::memcpy(workspace, text, bytes);
  KeepWrites();
  std::memcpy(block, workspace, bytes);
  KeepWrites();
}

void PlainCxxPass(std::u16string& element, const std::u16string& text) {
  element.assign(text);
  element.clear();
  element.shrink_to_fit();
}
