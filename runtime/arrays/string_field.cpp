// String fields of structures: always a block of their own, never shared with
// the text they were copied from.
#include "runtime/arrays/string_field.h"

#include "runtime/memory/heaps.h"
#include "runtime/strings/text.h"
#include "runtime/strings/workspace.h"

void FreeString(char16_t* text) {
  if (text != nullptr) FreeBlock(StringHeap, text);
}

void CopyStringToField(StringVariable* field, const char16_t* text) {
  if (text == nullptr) return;
  const std::size_t length = FindTerminator(text);
  auto* block = static_cast<char16_t*>(AllocateBlock(StringHeap, StringBlockBytes(length), false));
  *field = block;
  if (block != nullptr) CopyText(block, text, length);
}
