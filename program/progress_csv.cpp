// Rows are plain ASCII with LF line ends, the same bytes on every system.
#include "program/progress_csv.h"

#include <charconv>
#include <initializer_list>

namespace {

void WriteFlushed(platform::FileHandle file, const char* bytes, std::size_t length) {
  std::uint32_t written = 0;
  platform::WriteFileBytes(file, bytes, static_cast<std::uint32_t>(length), &written);
  platform::FlushFile(file);
}

}  // namespace

void WriteProgressCsvHeader(platform::FileHandle file) {
  WriteFlushed(file, ProgressCsvHeader, sizeof ProgressCsvHeader - 1);
}

void WriteProgressCsvRow(platform::FileHandle file, std::int64_t pass, std::int64_t workingSetKB,
                         std::int64_t durationMs) {
  char row[3 * 21];  // three signed 64-bit numbers, their separators and the LF
  char* end = row;
  for (std::int64_t field : {pass, workingSetKB, durationMs}) {
    end = std::to_chars(end, row + sizeof row, field).ptr;
    *end++ = ',';
  }
  end[-1] = '\n';
  WriteFlushed(file, row, static_cast<std::size_t>(end - row));
}
