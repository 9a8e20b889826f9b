// The one seam between the runtime and the operating system. Every service the
// runtime needs from the system is declared here, with its contract; win32/ and
// posix/ translate these contracts and hold no behaviour of the runtime.
// Unit tests link a scripted fake implementation of this header instead.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// ---- Private heaps ---------------------------------------------------------

// A private heap: a growable pool of blocks that can be destroyed whole. Its
// type is the seam's own, so that no other handle passes for one.
struct SystemHeap;
using HeapHandle = SystemHeap*;

// Creates a private heap with an initial size of 4,096 bytes and no maximum.
// Returns null when the system refuses. Heap blocks may be allocated and resized
// only on the thread that created the heap; any thread may free into it.
HeapHandle CreatePrivateHeap();

// Allocates a block of at least `bytes` bytes (0 is allowed) from `heap`; with
// `zero`, every usable byte of it (BlockSize) is zero. Returns null on failure;
// never throws.
void* AllocateBlock(HeapHandle heap, std::size_t bytes, bool zero);

// Resizes `block` (not null, from `heap`) to at least `bytes` bytes; the block
// may move. The contents up to the smaller of its old usable size and `bytes`
// are kept; the bytes beyond them hold anything, zero or not. Returns the
// block's new address, or null on failure, in which case `block` is unchanged
// and still valid.
void* ResizeBlock(HeapHandle heap, void* block, std::size_t bytes);

// The usable bytes of `block` (not null, from `heap`): at least the size it was
// allocated or last resized with. Every address from `block` up to that many
// bytes beyond it belongs to the block.
std::size_t BlockSize(HeapHandle heap, const void* block);

// Frees `block` into `heap`. A null block is ignored.
void FreeBlock(HeapHandle heap, void* block);

// Destroys `heap` and every block still allocated from it. A null heap is ignored.
void DestroyPrivateHeap(HeapHandle heap);

// ---- Locks -------------------------------------------------------------------

// A mutual-exclusion lock that the thread holding it may enter again. Its storage
// is the caller's (a global, typically); it is never destroyed.
struct Lock {
  alignas(16) unsigned char storage[64];
};

// Prepares `lock` for use; called once, before any other thread can see it.
void InitializeLock(Lock* lock);
// Waits until the calling thread holds `lock`.
void EnterLock(Lock* lock);
// Gives up one hold of `lock` by the calling thread.
void LeaveLock(Lock* lock);

// ---- Processor -----------------------------------------------------------------

// Whether the processor, and the system for its registers, let the text routines
// use vectors of `bytes` bytes: 16 (SSE2, on every x86-64), 32 (AVX2) or 64
// (AVX-512BW). Any other width is false.
bool ProcessorHasVectorBytes(int bytes);

// ---- Time --------------------------------------------------------------------

// Writes the frequency of the high-resolution counter, in ticks per second, to
// `frequency` and returns true; on failure writes 0 and returns false.
bool QueryCounterFrequency(std::int64_t* frequency);
// Writes the current value of the high-resolution counter to `counter` and
// returns true; on failure leaves `counter` as it was and returns false.
bool QueryCounter(std::int64_t* counter);
// Milliseconds since the system started, wrapping after 2^32.
std::uint32_t TickCount();

// ---- Shared libraries --------------------------------------------------------

// A module loaded at run time (a DLL, a shared object); null is none.
using ModuleHandle = void*;

// Bytes that the narrow form of a function name, its NUL included, may take.
inline constexpr std::size_t FunctionNameBytes = 260;

// Loads the module at `path` (NUL-terminated UTF-16, not null), or takes one more
// hold on it if it is loaded already. Returns null when it cannot be loaded.
ModuleHandle OpenModule(const char16_t* path);

// Writes the narrow form of `name` (NUL-terminated UTF-16, not null), with its NUL,
// into `narrow`: the form that FindModuleSymbol takes. Returns false, with `narrow`
// unspecified, when that form needs more than FunctionNameBytes bytes or cannot be made.
bool NarrowFunctionName(const char16_t* name, char (&narrow)[FunctionNameBytes]);

// The address of the function that `module` exports as `name`; null if none.
void* FindModuleSymbol(ModuleHandle module, const char* name);

// Gives up one hold on `module`; the last one unloads it. Failures are ignored.
void CloseModule(ModuleHandle module);
// ---- Failures -------------------------------------------------------------------

// Why a call failed, as the system numbers it: errno on Linux, GetLastError on
// Windows. 0 is no failure.
using SystemError = std::uint32_t;

// The reason the calling thread's last failed call gave; taken right after the
// call that reported the failure, before any other. Never 0.
SystemError LastSystemError();

// Whether `error` is that of a write to a pipe whose reader has gone.
bool IsBrokenPipe(SystemError error);

// The system's own words for `error`, such as "No space left on device", without
// a line end or a closing full stop: NUL-terminated in `text`, cut to
// `capacity` - 1 characters (`capacity` is 1 or more).
void DescribeSystemError(SystemError error, char16_t* text, std::size_t capacity);

// ---- Console ------------------------------------------------------------------

// The system's handle of an open console, file or pipe.
using FileHandle = void*;

// The standard streams, numbered as GetStdHandle numbers them.
enum class StandardStream : std::int32_t { Input = -10, Output = -11, Error = -12 };

// Console control events, numbered as the system numbers them.
inline constexpr std::uint32_t ControlCEvent = 0;
inline constexpr std::uint32_t ControlBreakEvent = 1;
inline constexpr std::uint32_t ControlCloseEvent = 2;
inline constexpr std::uint32_t ControlLogoffEvent = 5;
inline constexpr std::uint32_t ControlShutdownEvent = 6;

// Called with a control event code; a nonzero result means the event was handled,
// zero leaves it to the system's default handling, which ends the process.
using ControlHandler = std::int32_t (*)(std::uint32_t controlType);

// Console input mode bits: processed input (the interrupt keys raise control
// events), line input, and echo of what is typed.
inline constexpr std::uint32_t ProcessedInputMode = 1;
inline constexpr std::uint32_t LineInputMode = 2;
inline constexpr std::uint32_t EchoInputMode = 4;

// Gives the process a console of its own when it has none. Failures are ignored.
void AllocateConsole();

// The handle of a standard stream; it may be a console, a file or a pipe.
FileHandle GetStandardHandle(StandardStream stream);

// Sets the title of the console window to `title` (not null). Failures are ignored.
void SetConsoleTitleText(const char16_t* title);

// Sets the input mode bits of `console`. Returns false when it is not a console.
bool SetConsoleInputMode(FileHandle console, std::uint32_t mode);

// Reads typed text from `console` into `buffer`: at most `capacity` characters of
// one line, which ends in CR LF; the rest of a longer line comes with the next
// calls. End of input typed alone on a line arrives as U+001A CR LF. Stores the
// count in `*read`. Returns false, reading nothing, when `console` is not a console.
bool ReadConsoleChars(FileHandle console, char16_t* buffer, std::uint32_t capacity,
                      std::uint32_t* read);

// Writes `count` characters to `console` as text. Returns false, writing nothing,
// when `console` is not a console.
bool WriteConsoleChars(FileHandle console, const char16_t* buffer, std::uint32_t count,
                       std::uint32_t* written);

// How a read from a file or pipe ended.
enum class FileReadResult {
  Success,     // `*got` bytes were read; 0 means end of file
  BrokenPipe,  // the writing end of the pipe was closed, or its server disconnected it
  Failure,     // any other failure
};

// Reads up to `bytes` bytes from `file` into `buffer`, waiting for at least one
// unless the input has ended. Stores the count in `*got`.
FileReadResult ReadFileBytes(FileHandle file, void* buffer, std::uint32_t bytes,
                             std::uint32_t* got);

// Writes `bytes` bytes from `buffer` to `file` as they are. Stores the count
// written in `*written`; returns false on failure, which includes a pipe whose
// reader has gone (IsBrokenPipe tells it by LastSystemError).
bool WriteFileBytes(FileHandle file, const void* buffer, std::uint32_t bytes,
                    std::uint32_t* written);

// Passes everything written to `file` on to its destination. Failures are ignored.
void FlushFile(FileHandle file);

// True when `file` is a console (a terminal on Linux); false for a file, a pipe
// or no handle at all.
bool IsConsole(FileHandle file);

// Writes `length` bytes of plain text to `file` as the system's text files hold
// it: `text` is ASCII whose lines end in LF, and each LF goes out as the system's
// line end (LF on Linux, CR LF on Windows). Returns false when a write fails.
bool WriteTextBytes(FileHandle file, const char* text, std::size_t length);

// Opens a new, empty file for writing that no other process sees and that goes
// away when the process ends; for output that is to be redirected, or held for a
// while, but not kept. It can be read back with ReadFileAt. Returns null on failure.
FileHandle OpenScratchFile();

// Reads up to `bytes` bytes of `file` (from OpenScratchFile), from byte `offset`
// of it on, into `buffer`, and stores the count in `*got`: 0 at the end of the
// file. The next write goes where it would have gone without the read. Returns 0,
// or the system's reason when the read fails.
SystemError ReadFileAt(FileHandle file, std::uint64_t offset, void* buffer, std::uint32_t bytes,
                       std::uint32_t* got);

// Opens the file at `path` (NUL-terminated UTF-16, not null) for writing,
// creating it when there is none, but does not empty it: the caller may first
// compare it with the files it writes already (SameFile), then EmptyFile it.
// Other processes may read it meanwhile. Writes go to it with WriteFileBytes and
// FlushFile; it stays open until CloseFile or the end of the process. `*made`
// tells whether the name `path` is new, so that RemoveFile takes back only what
// this call made: a link found there was not made, even where it names no file
// yet. Returns null, with the system's reason in `*error`, when it cannot be opened.
FileHandle OpenOutputFile(const char16_t* path, bool* made, SystemError* error);

// Closes `file` (from OpenOutputFile, OpenScratchFile, OpenExistingFile or
// CreateNewFile; not null), which is not used again. Failures are ignored.
void CloseFile(FileHandle file);

// Whether `a` and `b` write to one and the same file or pipe. Devices (a
// terminal, a console, the null device) keep nothing that two writers could
// mix, and are never the same file; neither is a handle that is not open.
bool SameFile(FileHandle a, FileHandle b);

// Cuts `file` (from OpenOutputFile) to no bytes; a device or a pipe has none to
// cut. Returns 0, or the system's reason when that fails.
SystemError EmptyFile(FileHandle file);

// ---- Whole files ------------------------------------------------------------------

// Opens the file, device or pipe that is at `path` (NUL-terminated UTF-16, not
// null) for writing, without creating, emptying or waiting for it, so that the
// caller can tell what it is (SameFile, IsDiskFile) before it replaces it. Returns
// null when it cannot, with the system's reason in `*error`, or with 0 there when
// nothing of that name exists.
FileHandle OpenExistingFile(const char16_t* path, SystemError* error);

// Creates a new, empty file at `path` for writing; one that exists already is
// never opened, nor changed. Returns null, with the system's reason in `*error`,
// when it cannot be created.
FileHandle CreateNewFile(const char16_t* path, SystemError* error);

// True when `file` is a file on a disk; false for a console, a device, a pipe, a
// folder or a handle that is not open.
bool IsDiskFile(FileHandle file);

// Puts the file at `from` in the place of `to` in one step, replacing what is
// there: a reader of `to` finds the old file or the new, never part of one, also
// after the system went down. Both lie in one folder; `file` is `from`'s handle
// from CreateNewFile, written to the end, and is closed here whatever happens.
// Where files have permissions (Linux), it takes those of the file it replaces.
// Returns 0, or the system's reason, with `to` as it was.
SystemError PutFileInPlace(FileHandle file, const char16_t* from, const char16_t* to);

// Removes the file at `path`, which is closed. Failures are ignored.
void RemoveFile(const char16_t* path);

// Registers `handler` for the console control events. The system calls it on a
// thread of its own, which is not the thread that registered it.
void RegisterControlHandler(ControlHandler handler);

// ---- Process memory ------------------------------------------------------------

// A handle of the calling process that needs no closing (GetCurrentProcess on
// Windows); never 0.
std::int64_t CurrentProcess();

// Where the system reports the working set without a run-time library (Linux),
// writes that of `process` in bytes to `bytes` and returns true: the resident set
// size of the calling process, or 0 for another process or when it cannot be
// read. Returns false, writing nothing, where the figure comes from psapi.dll's
// GetProcessMemoryInfo (Windows).
bool ReadWorkingSetDirectly(std::int64_t process, std::int64_t* bytes);

// ---- The machine --------------------------------------------------------------

// The processor's name as the system gives it (Linux: /proc/cpuinfo's model name),
// or else as the processor itself gives it (its brand string), without leading or
// trailing blanks: NUL-terminated in `text`, cut to `capacity` - 1 characters
// (`capacity` is 1 or more). Empty when neither tells.
void ProcessorName(char16_t* text, std::size_t capacity);

// The logical processors the system runs threads on; 0 when it does not tell.
std::int64_t LogicalProcessorCount();

// The bytes of physical memory the system has; 0 when it does not tell.
std::int64_t PhysicalMemoryBytes();

// The system's name, release and architecture, as "Linux 6.1.0-18-amd64 x86_64"
// or "Windows 10.0.19045 x86-64": NUL-terminated in `text`, cut to `capacity` - 1
// characters (`capacity` is 1 or more). Parts the system does not tell are left out.
void SystemName(char16_t* text, std::size_t capacity);

// The wall-clock time: whole seconds since 1970-01-01 00:00:00 UTC, leap seconds
// not counted. Never fails.
std::int64_t UtcSeconds();

// ---- Process -----------------------------------------------------------------

// Called from main before anything else, with the arguments the C runtime gave
// it. On Linux it keeps them for CommandLineArguments, and a standard stream that
// the process was started without (a closed descriptor) is held by a stand-in on
// which reads and writes fail as on the closed one, so that no file the process
// opens later takes its place, and a write to a pipe whose reader has gone fails
// instead of ending the process, as on Windows. Windows reads its own command
// line and has no such numbers to reuse: there it does nothing.
void StartProcess(int argumentCount, char** arguments);

// The arguments the process was started with, its own name left out, as
// NUL-terminated UTF-16 texts; stores their number in `*count`. On Windows they
// are split from the process's command line by the Microsoft C runtime's rules;
// on Linux they are those given to StartProcess, decoded from UTF-8, where each
// byte that is not part of well-formed UTF-8 becomes the unpaired surrogate
// U+DC80 + (byte - 0x80), so that OpenOutputFile finds the same bytes again. The
// array and texts stay valid until the process ends. None, with a count of 0,
// when there are none.
const char16_t* const* CommandLineArguments(std::size_t* count);

// Writes `length` bytes of text (UTF-8, lines ended by LF) to the standard
// error stream as WriteTextBytes does, unbuffered. Failures are ignored.
void WriteStandardError(const char* text, std::size_t length);

// Ends the process with `code` as its exit code. Never returns.
[[noreturn]] void EndProcess(std::uint32_t code);

}  // namespace platform
