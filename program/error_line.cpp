// Every line that tells why the program stops early is made here, plain ASCII
// whatever the system's words or the file's name hold.
#include "program/error_line.h"

std::string PlainText(std::u16string_view text) {
  std::string plain;
  for (char16_t c : text) plain.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
  return plain;
}

std::string SystemReason(platform::SystemError error) {
  char16_t words[256];
  platform::DescribeSystemError(error, words, sizeof words / sizeof words[0]);
  return PlainText(words);
}

std::int64_t ReportFailure(std::uint32_t exitCode, const std::string& error) {
  std::string line = "stringchurn: " + error + "\n";
  if (exitCode == CommandLineErrorExitCode) line += "Try 'stringchurn --help'.\n";
  platform::WriteStandardError(line.data(), line.size());
  return exitCode;
}

std::int64_t ReportOutputFailure(const char16_t* file, platform::SystemError error) {
  if (file == nullptr && platform::IsBrokenPipe(error)) return OutputFailedExitCode;
  const std::string what = file == nullptr ? "standard output" : PlainText(file);
  return ReportFailure(OutputFailedExitCode, "cannot write " + what + ": " + SystemReason(error));
}

std::int64_t ReportedLineFailure(std::int64_t printed) {
  return printed == 0 ? 0
                      : ReportOutputFailure(nullptr, static_cast<platform::SystemError>(printed));
}
