// The machine as Windows describes it, through KERNEL32 alone: the processor's
// brand string (the registry would need ADVAPI32), the system's information and
// memory status, the version in the page the kernel shares with every process,
// and the system time.
#include <windows.h>

#include <string>

#include "runtime/platform/platform.h"
#include "runtime/platform/processor_brand.h"

namespace platform {

namespace {

// The version fields of KUSER_SHARED_DATA, which lies at this address in every
// process of every Windows since NT; unlike GetVersionExW they do not depend on
// what the program's manifest declares. The build number is there from Windows 10 on.
constexpr std::uintptr_t kSharedUserData = 0x7FFE0000;
constexpr std::uintptr_t kBuildNumber = 0x260;
constexpr std::uintptr_t kMajorVersion = 0x26C;
constexpr std::uintptr_t kMinorVersion = 0x270;

std::uint32_t SharedWord(std::uintptr_t offset) {
  return *reinterpret_cast<const volatile std::uint32_t*>(kSharedUserData + offset);
}

}  // namespace

void ProcessorName(char16_t* text, std::size_t capacity) {
  ProcessorBrandString(text, capacity);
}

std::int64_t LogicalProcessorCount() {
  return ::GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
}

std::int64_t PhysicalMemoryBytes() {
  MEMORYSTATUSEX status;
  status.dwLength = sizeof status;
  if (!::GlobalMemoryStatusEx(&status)) return 0;
  return static_cast<std::int64_t>(status.ullTotalPhys);
}

void SystemName(char16_t* text, std::size_t capacity) {
  std::string name = "Windows ";
  name += std::to_string(SharedWord(kMajorVersion));
  name += '.';
  name += std::to_string(SharedWord(kMinorVersion));
  if (const std::uint32_t build = SharedWord(kBuildNumber)) {
    name += '.';
    name += std::to_string(build);
  }
  SYSTEM_INFO system;
  ::GetNativeSystemInfo(&system);
  if (system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64) name += " x86-64";
  if (system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_ARM64) name += " ARM64";
  // Wine says so through ntdll, which every process has loaded; found by name, not imported.
  using WineVersion = const char* (*)();
  if (HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll")) {
    if (auto version = reinterpret_cast<WineVersion>(
            reinterpret_cast<void*>(::GetProcAddress(ntdll, "wine_get_version")))) {
      name += " (Wine ";
      name += version();
      name += ')';
    }
  }
  CopyTrimmedName(name.data(), name.size(), text, capacity);
}

std::int64_t UtcSeconds() {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  const std::int64_t ticks =
      static_cast<std::int64_t>((std::uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime);
  // 100-nanosecond ticks since 1601-01-01; 11,644,473,600 seconds lie before 1970.
  return ticks / 10'000'000 - 11'644'473'600;
}

}  // namespace platform
