// The record is JSON text built as the run goes, ASCII only: every character
// outside printable ASCII is written as a \u escape, so any JSON reader takes the
// system's names as they are. Numbers are the run's own integers, and the
// comparison's figures to the last decimal their measurement tells apart.
#include "program/run_record.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <string_view>

#include "program/benchmark_run.h"
#include "program/comparison.h"
#include "program/error_line.h"
#include "program/options.h"

namespace {

// Bytes of one write; a record of any length goes out in pieces of this size.
constexpr std::uint32_t kWriteBytes = std::uint32_t{1} << 30;

// The text kept in memory before it goes to the scratch file, about a thousand
// progress rows; also the pieces in which it comes back.
constexpr std::uint32_t kSpillBytes = std::uint32_t{1} << 16;

constexpr char CsvFileReason[] = "it is the file of --csv";

// Held while a record's new file is there. Ending: a control event has come.
platform::Lock FinishingLock;
bool Ending = false;

void AppendString(std::string& text, std::u16string_view value) {
  text += '"';
  for (char16_t c : value) {
    if (c == u'"' || c == u'\\') {
      text += '\\';
      text += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
      text += static_cast<char>(c);
    } else {
      char escape[7];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
      text += escape;
    }
  }
  text += '"';
}

void AppendNumber(std::string& text, std::int64_t value) {
  char digits[20];
  text.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

// A figure of the comparison, or null for one it could not give.
void AppendFigure(std::string& text, double value) {
  if (!(value >= 0)) {
    text += "null";
    return;
  }
  char digits[400];  // room for any double without an exponent
  text.append(digits,
              std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed).ptr);
}

// `seconds` since 1970 as "2026-12-08T00:15:10Z".
void AppendUtcTime(std::string& text, std::int64_t seconds) {
  using namespace std::chrono;
  const sys_seconds time{std::chrono::seconds{seconds}};
  const sys_days day = floor<days>(time);
  const year_month_day date{day};
  const hh_mm_ss timeOfDay{time - day};
  char iso[32];
  std::snprintf(iso, sizeof iso, "\"%04d-%02u-%02uT%02d:%02d:%02dZ\"",
                static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()), static_cast<int>(timeOfDay.hours().count()),
                static_cast<int>(timeOfDay.minutes().count()),
                static_cast<int>(timeOfDay.seconds().count()));
  text += iso;
}

platform::SystemError WriteWhole(platform::FileHandle file, std::string_view text) {
  for (std::size_t done = 0; done < text.size();) {
    const auto bytes =
        static_cast<std::uint32_t>(std::min<std::size_t>(text.size() - done, kWriteBytes));
    std::uint32_t written = 0;
    if (!platform::WriteFileBytes(file, text.data() + done, bytes, &written)) {
      return platform::LastSystemError();
    }
    done += bytes;
  }
  return 0;
}

// Whether the file at `path` is `file`'s (not null), without waiting for a pipe's reader.
bool IsFileAt(const char16_t* path, platform::FileHandle file) {
  platform::SystemError failure = 0;
  platform::FileHandle existing = platform::OpenExistingFile(path, &failure);
  if (existing == nullptr) return false;
  const bool same = platform::SameFile(existing, file);
  platform::CloseFile(existing);
  return same;
}

}  // namespace

RunRecord::~RunRecord() {
  if (scratch_ != nullptr) platform::CloseFile(scratch_);
}

bool RunRecord::Open(const char16_t* path, platform::FileHandle csv, std::string* error) {
  // The new file is made once here, where the run can still be refused, and
  // again at the end; a run that is stopped leaves nothing behind.
  newPath_ = std::u16string(path) + u".tmp";
  platform::SystemError failure = 0;
  if (*path == u'\0') {
    // No file takes the empty name, though its new file's, ".tmp", is a name:
    // making it fails, and the system says why, as for a CSV file of that name.
    platform::CreateNewFile(path, &failure);
    *error = OutputFileError(OutputFile::Json, path, SystemReason(failure));
    return false;
  }
  // As at the end, a control event waits until the new file is gone again.
  platform::EnterLock(&FinishingLock);
  platform::FileHandle file =
      Ending ? nullptr : platform::CreateNewFile(newPath_.c_str(), &failure);
  if (file != nullptr) {
    platform::CloseFile(file);
    platform::RemoveFile(newPath_.c_str());
  }
  platform::LeaveLock(&FinishingLock);
  if (file == nullptr && failure != 0) {
    // The name the system refused is not the one given: say which it is, as a
    // run that was killed while it wrote its record leaves that file behind.
    const bool isCsv = csv != nullptr && IsFileAt(newPath_.c_str(), csv);
    *error = OutputFileError(
        OutputFile::Json, path,
        QuotedText(newPath_) + ": " + (isCsv ? CsvFileReason : SystemReason(failure)));
    return false;
  }

  platform::FileHandle existing = platform::OpenExistingFile(path, &failure);
  if (existing == nullptr) {
    if (failure == 0) {
      path_ = path;
      return true;
    }
    *error = OutputFileError(OutputFile::Json, path, SystemReason(failure));
    return false;
  }
  bool standard = false;
  for (auto stream : {platform::StandardStream::Output, platform::StandardStream::Error}) {
    standard = standard || platform::SameFile(existing, platform::GetStandardHandle(stream));
  }
  const bool isCsv = csv != nullptr && platform::SameFile(existing, csv);
  const bool disk = platform::IsDiskFile(existing);
  platform::CloseFile(existing);
  if (standard) {
    *error = OutputFileStandardStreamError(OutputFile::Json, path);
  } else if (isCsv) {
    *error = OutputFileError(OutputFile::Json, path, CsvFileReason);
  } else if (!disk) {
    *error = OutputFileError(OutputFile::Json, path, "not a file");
  } else {
    path_ = path;
  }
  return path_ != nullptr;
}

void RunRecord::Start(const BenchmarkSizes& sizes) {
  char16_t name[256];
  text_ = "{\"program\": {\"name\": \"stringchurn\", \"version\": \"" STRINGCHURN_VERSION "\"},\n";
  text_ += " \"machine\": {\"processor\": ";
  platform::ProcessorName(name, sizeof name / sizeof name[0]);
  AppendString(text_, name);
  text_ += ", \"logical_processors\": ";
  AppendNumber(text_, platform::LogicalProcessorCount());
  text_ += ", \"memory_bytes\": ";
  AppendNumber(text_, platform::PhysicalMemoryBytes());
  text_ += ", \"system\": ";
  platform::SystemName(name, sizeof name / sizeof name[0]);
  AppendString(text_, name);
  text_ += "},\n \"started\": ";
  AppendUtcTime(text_, platform::UtcSeconds());
  text_ += ",\n \"settings\": {\"passes\": ";
  AppendNumber(text_, sizes.passCount);
  text_ += ", \"length\": ";
  AppendNumber(text_, sizes.textLength);
  text_ += ", \"interval\": ";
  AppendNumber(text_, sizes.progressInterval);
  text_ += "},\n \"progress\": [";
}

void RunRecord::AddProgress(std::int64_t pass, std::int64_t workingSetKB, std::int64_t durationMs) {
  text_ += firstProgress_ ? "\n  {\"pass\": " : ",\n  {\"pass\": ";
  firstProgress_ = false;
  AppendNumber(text_, pass);
  text_ += ", \"working_set_kib\": ";
  AppendNumber(text_, workingSetKB);
  text_ += ", \"duration_ms\": ";
  AppendNumber(text_, durationMs);
  text_ += '}';
  if (text_.size() >= kSpillBytes) Spill();
}

void RunRecord::Spill() {
  // Without a scratch file, or once its disk is full, the rest of the text stays
  // in memory, as it would be written anyway.
  if (kept_) return;
  if (scratch_ == nullptr) {
    scratch_ = platform::OpenScratchFile();
    kept_ = scratch_ == nullptr;
    if (kept_) return;
  }
  kept_ = WriteWhole(scratch_, text_) != 0;
  if (kept_) return;
  scratchBytes_ += text_.size();
  text_.clear();  // its room stays for the text to come
}

// The bytes the scratch file holds whole, through `piece`, then the text.
platform::SystemError RunRecord::WriteTo(platform::FileHandle file, std::string& piece) {
  if (scratch_ != nullptr) {
    std::uint64_t offset = 0;
    std::uint32_t got = 0;
    do {
      const auto bytes =
          static_cast<std::uint32_t>(std::min<std::uint64_t>(scratchBytes_ - offset, piece.size()));
      if (const platform::SystemError failure =
              platform::ReadFileAt(scratch_, offset, piece.data(), bytes, &got)) {
        return failure;
      }
      if (const platform::SystemError failure = WriteWhole(file, {piece.data(), got})) {
        return failure;
      }
      offset += got;
    } while (got != 0);
    platform::CloseFile(scratch_);  // it goes away now, not after the wait for a line
    scratch_ = nullptr;
  }
  return WriteWhole(file, text_);
}

void RunRecord::InitFinishing() {
  platform::InitializeLock(&FinishingLock);
  Ending = false;
}

void RunRecord::StopFinishing() {
  platform::EnterLock(&FinishingLock);
  Ending = true;
  platform::LeaveLock(&FinishingLock);
}

platform::SystemError RunRecord::Finish(std::int64_t totalMs, const ComparisonFigures* compare,
                                        const char16_t** named) {
  text_ += "],\n \"total_ms\": ";
  AppendNumber(text_, totalMs);
  if (compare != nullptr) {
    text_ += ",\n \"compare\": {\"limit_us\": ";
    AppendFigure(text_, compare->limit);
    text_ += ", \"run_us\": ";
    AppendFigure(text_, compare->run);
    text_ += ", \"plain_cxx_us\": ";
    AppendFigure(text_, compare->plain);
    text_ += '}';
  }
  text_ += "}\n";
  *named = path_;
  // Had before the new file is there, which a failure here would leave behind.
  std::string piece(scratch_ != nullptr ? kSpillBytes : 0, '\0');

  platform::EnterLock(&FinishingLock);
  platform::SystemError failure = 0;
  platform::FileHandle file =
      Ending ? nullptr : platform::CreateNewFile(newPath_.c_str(), &failure);
  if (file == nullptr) {
    if (failure != 0) *named = newPath_.c_str();
  } else {
    failure = WriteTo(file, piece);
    if (failure == 0) {
      failure = platform::PutFileInPlace(file, newPath_.c_str(), path_);
    } else {
      platform::CloseFile(file);
    }
    if (failure != 0) platform::RemoveFile(newPath_.c_str());
  }
  platform::LeaveLock(&FinishingLock);
  return failure;
}
