// The command line on Linux: the arguments as the kernel keeps them for the
// process (/proc/self/cmdline, each ended by a NUL), read and converted once.
#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "runtime/platform/kept_arguments.h"
#include "runtime/platform/platform.h"
#include "runtime/platform/posix/file_handle.h"
#include "runtime/platform/posix/utf8.h"

namespace platform {

namespace {

std::vector<std::u16string> ReadArguments() {
  const int descriptor = ::open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return {};
  std::string bytes;
  char chunk[4096];
  ssize_t got = 0;
  while ((got = ReadDescriptor(descriptor, chunk, sizeof chunk)) > 0) {
    bytes.append(chunk, static_cast<std::size_t>(got));
  }
  ::close(descriptor);
  if (got < 0) return {};

  // The first text is the program's own name.
  const std::size_t nameEnd = bytes.find('\0');
  if (nameEnd == std::string::npos) return {};
  std::vector<std::u16string> arguments;
  for (std::size_t start = nameEnd + 1; start < bytes.size();) {
    std::size_t end = bytes.find('\0', start);
    if (end == std::string::npos) end = bytes.size();
    std::u16string argument(end - start, u'\0');
    const auto* utf8 = reinterpret_cast<const unsigned char*>(bytes.data() + start);
    argument.resize(DecodeUtf8(utf8, end - start, true, argument.data()).units);
    arguments.push_back(std::move(argument));
    start = end + 1;
  }
  return arguments;
}

}  // namespace

const char16_t* const* CommandLineArguments(std::size_t* count) {
  return KeptArguments(ReadArguments, count);
}

}  // namespace platform
