// ReadLine and WaitForLine. The reservation starts at LineReservation characters
// and grows by as much whenever redirected input leaves fewer than LowWaterMark of
// them free; the characters already held stay at its start, so each one is
// searched only once. WaitForLine grows it once at most: then what was searched
// beyond the line's start makes room for the next read.
#include "runtime/console/read_line.h"

#include <cstring>

#include "runtime/console/console.h"
#include "runtime/memory/heaps.h"
#include "runtime/memory/out_of_memory.h"
#include "runtime/memory/private_heap.h"
#include "runtime/platform/platform.h"
#include "runtime/strings/text.h"
#include "runtime/strings/workspace.h"

namespace {

// The room in the workspace: `reserved` characters at `p`. Unless `keepAll`, only
// the line's first LineReservation characters are kept.
struct Reservation {
  std::int32_t position;
  std::int32_t reserved;
  char16_t* p;
  bool keepAll;
};

// The redirected text collected so far: `count` characters at the start of the
// reservation and, when `oddByte` is set, the first byte of one more character
// behind them, which the next read completes.
struct Collected {
  std::int32_t count;
  bool oddByte;
};

unsigned char* ByteAt(char16_t* p, std::int32_t index) {
  return reinterpret_cast<unsigned char*>(p + index);
}

// Moves the pending input, text and byte, to the start of the reservation.
Collected TakePendingInput(char16_t* p) {
  Collected collected = {0, false};
  if (PendingInput != nullptr) {
    // Fewer than LineReservation characters: they fit the first reservation.
    collected.count = PendingInputLength;
    CopyChars(p, PendingInput, collected.count);
    FreeBlock(ProgramHeap, PendingInput);
    PendingInput = nullptr;
  }
  if (PendingByteHeld) {
    *ByteAt(p, collected.count) = PendingByte;
    collected.oddByte = true;
    PendingByteHeld = false;
  }
  return collected;
}

// Keeps what follows a line break, characters from `after` on and a held byte,
// for the next call. Input that was read is never dropped: without a block for
// it, the process ends as it does when any other memory runs out.
void KeepPendingInput(char16_t* p, std::int32_t after, Collected collected) {
  if (after < collected.count) {
    const std::int32_t chars = collected.count - after;
    auto* block = static_cast<char16_t*>(AllocateBlock(
        ProgramHeap, (static_cast<std::size_t>(chars) + 1) * sizeof(char16_t), false));
    if (block == nullptr) FailOutOfMemory();
    CopyChars(block, p + after, chars);
    PendingInput = block;
    PendingInputLength = chars;
  }
  if (collected.oddByte) {
    PendingByte = *ByteAt(p, collected.count);
    PendingByteHeld = true;
  }
}

// Keeps the first LineReservation collected characters, and a held byte behind them.
void KeepLineStart(char16_t* p, Collected& collected) {
  if (collected.oddByte) *ByteAt(p, LineReservation) = *ByteAt(p, collected.count);
  collected.count = LineReservation;
}

// Drops the first collected character, moving the rest (and a held byte) down.
void DropFirstCharacter(char16_t* p, Collected& collected) {
  const std::size_t bytes =
      2 * static_cast<std::size_t>(collected.count - 1) + (collected.oddByte ? 1 : 0);
  std::memmove(p, p + 1, bytes);
  --collected.count;
}

// The redirected path: takes the pending input, then searches and reads until a
// line break, the end of input or a read failure. Returns the line's length.
std::int32_t ReadRedirectedLine(Reservation& r) {
  Collected collected = TakePendingInput(r.p);
  std::int32_t free = LineReservation - collected.count;
  std::int32_t scan = 0;
  for (;;) {
    char16_t* p = r.p;
    // The last line ended on a CR that was the last character read: the first
    // character after it is known only now, and an LF completes that break.
    if (SkipLineFeed && collected.count > 0) {
      SkipLineFeed = false;
      if (p[0] == LineFeed) {
        DropFirstCharacter(p, collected);
        ++free;
        continue;
      }
    }
    for (; scan < collected.count; ++scan) {
      if (p[scan] != CarriageReturn && p[scan] != LineFeed) continue;
      std::int32_t after = scan + 1;
      if (p[scan] == CarriageReturn && after < collected.count && p[after] == LineFeed) ++after;
      SkipLineFeed = p[scan] == CarriageReturn && scan + 1 == collected.count;
      KeepPendingInput(p, after, collected);
      return scan;
    }

    if (free < LowWaterMark && !r.keepAll && r.reserved > LineReservation) {
      KeepLineStart(r.p, collected);
      scan = collected.count;
      free = r.reserved - collected.count;
    } else if (free < LowWaterMark) {
      r.reserved = collected.count + LineReservation;
      r.p = ReserveWorkspace(r.reserved, r.position);
      free = LineReservation;
    }
    const std::int32_t held = collected.oddByte ? 1 : 0;
    std::uint32_t got = 0;
    const platform::FileReadResult result =
        platform::ReadFileBytes(StdInputHandle, ByteAt(r.p, collected.count) + held,
                                static_cast<std::uint32_t>(2 * free - held), &got);
    if (result == platform::FileReadResult::Success && got > 0) {
      const std::int64_t bytes = static_cast<std::int64_t>(got) + held;
      const auto k = static_cast<std::int32_t>(bytes / 2);
      collected.count += k;
      collected.oddByte = bytes % 2 != 0;
      free -= k;
      continue;
    }
    if (result == platform::FileReadResult::Failure) {
      // A later read may still complete a held byte.
      KeepPendingInput(r.p, collected.count, collected);
      return collected.count;
    }
    // End of file, or a pipe whose writer has gone. A byte without its partner
    // can never become a character and is dropped.
    if (collected.count == 0) {
      r.p[0] = EndOfInputChar;
      return 1;
    }
    return collected.count;
  }
}

std::int64_t ReadLineKeeping(std::int32_t position, bool keepAll) {
  Reservation r = {position, LineReservation, nullptr, keepAll};
  r.p = ReserveWorkspace(r.reserved, position);
  platform::SetConsoleInputMode(StdInputHandle, InputMode);

  std::int32_t count;
  std::uint32_t read = 0;
  if (platform::ReadConsoleChars(StdInputHandle, r.p, LineReservation, &read)) {
    // The console path takes no lock and leaves the pending input alone.
    count = static_cast<std::int32_t>(read);
    if (count >= 2 && r.p[count - 2] == CarriageReturn && r.p[count - 1] == LineFeed) count -= 2;
    if (count == 1 && r.p[0] == ConsoleEndOfFileKey) r.p[0] = EndOfInputChar;
  } else {
    platform::EnterLock(&InputLock);
    count = ReadRedirectedLine(r);
    platform::LeaveLock(&InputLock);
  }
  if (!keepAll && count > LineReservation) count = LineReservation;

  ReleaseWorkspace(r.reserved - count);
  r.p[count] = u'\0';
  return count;
}

}  // namespace

std::int64_t ReadLine(std::int32_t position) {
  return ReadLineKeeping(position, true);
}

std::int64_t WaitForLine(std::int32_t position) {
  return ReadLineKeeping(position, false);
}
