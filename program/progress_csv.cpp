// Rows are plain ASCII with LF line ends, the same bytes on every system. The
// file is opened first and emptied only once it is known not to be a standard
// stream's, nor the record's.
#include "program/progress_csv.h"

#include <charconv>
#include <initializer_list>

#include "program/error_line.h"
#include "program/options.h"

namespace {

platform::SystemError WriteFlushed(platform::FileHandle file, const char* bytes,
                                   std::size_t length) {
  std::uint32_t written = 0;
  if (!platform::WriteFileBytes(file, bytes, static_cast<std::uint32_t>(length), &written)) {
    return platform::LastSystemError();
  }
  platform::FlushFile(file);
  return 0;
}

}  // namespace

platform::FileHandle OpenProgressCsv(const char16_t* path, bool* made, std::string* error) {
  platform::SystemError failure = 0;
  platform::FileHandle file = platform::OpenOutputFile(path, made, &failure);
  if (file == nullptr) {
    *error = OutputFileError(OutputFile::Csv, path, SystemReason(failure));
    return nullptr;
  }
  // Compared before it is emptied: --csv /dev/stdout must not empty a file that
  // standard output appends to.
  for (auto stream : {platform::StandardStream::Output, platform::StandardStream::Error}) {
    if (platform::SameFile(file, platform::GetStandardHandle(stream))) {
      *error = OutputFileStandardStreamError(OutputFile::Csv, path);
      platform::CloseFile(file);
      return nullptr;
    }
  }
  return file;
}

platform::SystemError WriteProgressCsvHeader(platform::FileHandle file) {
  return WriteFlushed(file, ProgressCsvHeader, sizeof ProgressCsvHeader - 1);
}

platform::SystemError WriteProgressCsvRow(platform::FileHandle file, std::int64_t pass,
                                          std::int64_t workingSetKB, std::int64_t durationMs) {
  char row[3 * 21];  // three signed 64-bit numbers, their separators and the LF
  char* end = row;
  for (std::int64_t field : {pass, workingSetKB, durationMs}) {
    end = std::to_chars(end, row + sizeof row, field).ptr;
    *end++ = ',';
  }
  end[-1] = '\n';
  return WriteFlushed(file, row, static_cast<std::size_t>(end - row));
}
