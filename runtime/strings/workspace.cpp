// The StringWorkspace and its reservation rule. Growth is the one place where the
// workspace can run out of memory; it ends the process rather than return a
// buffer that is too small.
#include "runtime/strings/workspace.h"

#include <climits>
#include <cstring>

#include "runtime/memory/heaps.h"
#include "runtime/memory/out_of_memory.h"
#include "runtime/strings/text.h"

StringWorkspaceState StringWorkspace;

namespace {

constexpr std::int64_t kFirstBlockBytes = 16;

// The character count of a text that is about to enter the workspace; a text
// that could never fit under the 2^31-byte limit is refused here, before its
// count is narrowed to 32 bits.
std::int32_t WorkspaceChars(std::size_t length) {
  if (length > INT32_MAX / 2) FailOutOfMemory();
  return static_cast<std::int32_t>(length);
}

// Writes the text at byte offset `offsetPlusOne` - 1 of the workspace at
// `position`. Such a text ends at the workspace position at the latest, where a
// NUL stands; it is measured before the reservation, found again by its offset
// after it, since the buffer may move, and moved, since it may overlap where it
// goes.
void AppendWorkspaceText(std::int64_t offsetPlusOne, std::int32_t position) {
  const std::int64_t offset = offsetPlusOne - 1;
  const auto length = static_cast<std::int32_t>(LengthUpTo(
      WorkspaceTextAt(offset), static_cast<std::size_t>(StringWorkspace.position - offset) / 2));
  char16_t* p = ReserveWorkspace(length, position);
  std::memmove(p, WorkspacePointerAt(static_cast<std::int32_t>(offsetPlusOne)),
               static_cast<std::size_t>(length) * sizeof(char16_t));
  p[length] = u'\0';
}

}  // namespace

void InitStringWorkspace() {
  StringHeap = CreatePrivateHeap();
  if (StringHeap == nullptr) FailOutOfMemory();
  StringWorkspace.position = 0;
  StringWorkspace.capacity = kFirstBlockBytes;
  StringWorkspace.buffer =
      static_cast<char16_t*>(AllocateBlock(StringHeap, kFirstBlockBytes, false));
  if (StringWorkspace.buffer == nullptr) FailOutOfMemory();
}

void FreeStringWorkspace() {
  FreeBlock(StringHeap, StringWorkspace.buffer);
  DestroyPrivateHeap(StringHeap);
}

void GrowWorkspace(std::int64_t need) {
  if (need > WorkspaceNeedLimit) FailOutOfMemory();
  const std::int64_t capacity = need + WorkspaceGrowthMargin;
  void* grown = ResizeBlock(StringHeap, StringWorkspace.buffer,
                            static_cast<std::size_t>(capacity + WorkspaceBlockSlack), false);
  if (grown == nullptr) FailOutOfMemory();
  StringWorkspace.buffer = static_cast<char16_t*>(grown);
  StringWorkspace.capacity = capacity;
}

void TruncateWorkspace(std::int32_t position) {
  StringWorkspace.position = position;
  *WorkspaceTextAt(position) = u'\0';
}

void AppendText(const char16_t* text) {
  if (text == nullptr) {
    *WorkspaceTextAt(StringWorkspace.position) = u'\0';
    return;
  }
  const std::int32_t position = WorkspacePosition();
  // Copied while it is scanned, a text in the workspace would find its NUL
  // overwritten by its own copy.
  if (const std::int64_t offset = WorkspaceOffsetOf(text); offset != 0) {
    AppendWorkspaceText(offset, position);
    return;
  }
  // The text is copied while it is measured, into the room that the workspace
  // has without growing: the need (position + 2 * length) stays below the
  // capacity less 4. Only a text longer than that room is measured to its end;
  // the reservation then grows the buffer by the usual rule, keeping what has
  // been copied, and the rest follows.
  const std::int64_t free = StringWorkspace.capacity - 4 - StringWorkspace.position;
  std::size_t copied = 0;
  if (free > 0) {
    const auto room = static_cast<std::size_t>((free - 1) / 2);
    const std::size_t length = CopyTextWithin(WorkspaceTextAt(position), text, room);
    if (length <= room) {
      ReserveWorkspace(static_cast<std::int32_t>(length), position);
      return;
    }
    copied = room;
  }
  const std::int32_t length = WorkspaceChars(copied + FindTerminator(text + copied));
  char16_t* p = ReserveWorkspace(length, position);
  CopyChars(p + copied, text + copied, length - static_cast<std::int32_t>(copied));
}

void AppendTextAt(const char16_t* text, std::int32_t position) {
  if (text == nullptr) {
    TruncateWorkspace(position);
    return;
  }
  if (const std::int64_t offset = WorkspaceOffsetOf(text); offset != 0) {
    AppendWorkspaceText(offset, position);
    return;
  }
  const std::int32_t length = WorkspaceChars(FindTerminator(text));
  char16_t* p = ReserveWorkspace(length, position);
  CopyChars(p, text, length);
}
