// The StringWorkspace: one growable UTF-16 buffer on the StringHeap, used like a
// stack in which every string expression is assembled, consumed and cut back.
// StringVariables (string_variable.h) live on the same heap.
//
// Expression protocol: remember the workspace position P; append the fragments
// at the current position; consume the text (AssignFromWorkspace, or a pointer
// buffer + P formed only after the last fragment was appended, since the buffer
// moves when it grows); set the position back to P.
#pragma once

#include <climits>
#include <cstdint>

struct StringWorkspaceState {
  char16_t* buffer;       // the StringHeap block that holds the workspace text
  std::int64_t capacity;  // usable bytes of the buffer (the block is 10 bytes larger)
  std::int64_t position;  // byte offset of the first free byte; always even
};

extern StringWorkspaceState StringWorkspace;

// Bytes added beyond the need whenever the workspace buffer grows.
inline constexpr std::int32_t WorkspaceGrowthMargin = 0x4000;
// A grown buffer is allocated this much beyond its capacity.
inline constexpr std::int64_t WorkspaceBlockSlack = 10;

// Creates the StringHeap and a 16-byte workspace at position 0.
void InitStringWorkspace();
// Frees the workspace buffer and destroys the StringHeap with every text on it.
void FreeStringWorkspace();

// The largest need (position plus reservation, in bytes) that the workspace
// serves: the used part plus the growth margin and the block's slack stay
// below 2^31 bytes.
inline constexpr std::int64_t WorkspaceNeedLimit =
    INT32_MAX - WorkspaceGrowthMargin - WorkspaceBlockSlack;

// What ReserveWorkspace does when the need is past the capacity less 4 or past
// the limit: ends the process past the limit, or grows the buffer to the need
// plus the growth margin.
void GrowWorkspace(std::int64_t need);

// Whether a need (the current position plus a reservation, in bytes) fits the
// buffer as it is: below the capacity less 4, and within the limit.
inline bool WorkspaceServesNeed(std::int64_t need) {
  return need < StringWorkspace.capacity - 4 && need <= WorkspaceNeedLimit;
}

// Makes room for `chars` characters at byte offset `position` (the current
// position or an earlier one) and returns buffer + position; the workspace
// position becomes position + 2 * chars. Nothing is written. May move the buffer.
// Inline, since the formatting operations reserve a few characters at a time.
inline char16_t* ReserveWorkspace(std::int32_t chars, std::int32_t position) {
  // The need is measured from the current position, which is never below the
  // argument.
  const std::int64_t need = StringWorkspace.position + 2 * static_cast<std::int64_t>(chars);
  if (!WorkspaceServesNeed(need)) GrowWorkspace(need);
  StringWorkspace.position = position + 2 * static_cast<std::int64_t>(chars);
  return reinterpret_cast<char16_t*>(reinterpret_cast<char*>(StringWorkspace.buffer) + position);
}

// The current position, as the 32-bit byte offset that the operations take.
inline std::int32_t WorkspacePosition() {
  return static_cast<std::int32_t>(StringWorkspace.position);
}

// Moves the workspace position back by `chars` characters; writes nothing.
inline void ReleaseWorkspace(std::int32_t chars) {
  StringWorkspace.position -= static_cast<std::int32_t>(2 * static_cast<std::uint32_t>(chars));
}

// Sets the workspace position to `position` and writes a NUL there.
void TruncateWorkspace(std::int32_t position);

// Appends `text` (null appends nothing) at the current position; the position
// ends on the text's NUL. A text in the workspace itself is taken as it stood.
void AppendText(const char16_t* text);
// Writes `text` at `position`; the position ends on its NUL. A null text
// truncates the workspace at `position`. A text in the workspace itself is taken
// as it stood, also where it overlaps the place it is written to.
void AppendTextAt(const char16_t* text, std::int32_t position);

// Offset plus one of `pointer` when it lies in the used workspace, both ends
// included; 0 otherwise. Survives a move of the buffer, unlike the pointer.
inline std::int64_t WorkspaceOffsetOf(const void* pointer) {
  const auto at = reinterpret_cast<std::uintptr_t>(pointer);
  const auto start = reinterpret_cast<std::uintptr_t>(StringWorkspace.buffer);
  const auto end = start + static_cast<std::uintptr_t>(StringWorkspace.position);
  if (at < start || at > end) return 0;
  return static_cast<std::int64_t>(at - start) + 1;
}

// The pointer for a WorkspaceOffsetOf value, in the current buffer.
inline char16_t* WorkspacePointerAt(std::int32_t offsetPlusOne) {
  return reinterpret_cast<char16_t*>(reinterpret_cast<char*>(StringWorkspace.buffer) +
                                     (static_cast<std::int64_t>(offsetPlusOne) - 1));
}

// The workspace text that starts at byte offset `position`.
inline char16_t* WorkspaceTextAt(std::int64_t position) {
  return reinterpret_cast<char16_t*>(reinterpret_cast<char*>(StringWorkspace.buffer) + position);
}
