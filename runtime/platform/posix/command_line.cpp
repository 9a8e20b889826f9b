// The start of the process on Linux: main's arguments, kept as UTF-16 whatever
// their bytes, and the standard descriptors, held so that no file opened later
// takes the number of one that the process was started without.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "runtime/platform/kept_arguments.h"
#include "runtime/platform/platform.h"
#include "runtime/platform/posix/utf8.h"

namespace platform {

namespace {

int ArgumentCount;
char** Arguments;

std::vector<std::u16string> DecodeArguments() {
  std::vector<std::u16string> arguments;
  // The first is the program's own name.
  for (int i = 1; i < ArgumentCount; ++i) {
    const std::string bytes = Arguments[i];
    std::u16string argument(bytes.size(), u'\0');
    const auto* utf8 = reinterpret_cast<const unsigned char*>(bytes.data());
    argument.resize(DecodeUtf8(utf8, bytes.size(), true, argument.data(), Malformed::Escape).units);
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

// A closed standard descriptor gets the null device opened the other way round
// (input for writing, output for reading): its number is taken, and a read or
// write on it still fails with EBADF, as on the closed descriptor.
void HoldStandardDescriptors() {
  for (int descriptor = STDIN_FILENO; descriptor <= STDERR_FILENO; ++descriptor) {
    if (::fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number is this one: those below it are open by now.
    const int standIn = ::open("/dev/null", descriptor == STDIN_FILENO ? O_WRONLY : O_RDONLY);
    if (standIn >= 0 && standIn != descriptor) {
      ::dup2(standIn, descriptor);
      ::close(standIn);
    }
  }
}

}  // namespace

void StartProcess(int argumentCount, char** arguments) {
  // A write to a pipe whose reader has gone fails from the start, as on Windows,
  // also for an error line written before the console is set up.
  ::signal(SIGPIPE, SIG_IGN);
  HoldStandardDescriptors();
  ArgumentCount = argumentCount;
  Arguments = arguments;
}

const char16_t* const* CommandLineArguments(std::size_t* count) {
  return KeptArguments(DecodeArguments, count);
}

}  // namespace platform
