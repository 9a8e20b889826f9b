// The record of a run, --json FILE: one JSON object with the program, the machine,
// when the run started, its sizes, the figures of every progress line, the total
// and the comparison. It is kept until the run has finished, then written to a
// new file beside FILE that takes FILE's place, so FILE is whole or as it was.
// What it keeps stays out of the working set it records: beyond a few pages the
// text goes to a scratch file as the run goes.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/platform/platform.h"

struct BenchmarkSizes;
struct ComparisonFigures;

class RunRecord {
 public:
  RunRecord() = default;
  RunRecord(const RunRecord&) = delete;
  RunRecord& operator=(const RunRecord&) = delete;
  ~RunRecord();

  // Checks that a record can be written to `path` before the run: that its new
  // file can be created beside it, and that `path` is no device, pipe or folder
  // and not the file that standard output or standard error writes, nor the CSV
  // file `csv` (null: none), which neither the record nor its new file may be.
  // Returns false, with the command-line error that says why in `*error`, when not.
  bool Open(const char16_t* path, platform::FileHandle csv, std::string* error);

  // The members up to the progress, with the system's time now as the start.
  void Start(const BenchmarkSizes& sizes);
  void AddProgress(std::int64_t pass, std::int64_t workingSetKB, std::int64_t durationMs);
  // Ends the record with the total and, when not null, the comparison, and puts
  // it in the place of the file at the path of Open. Returns 0, or the system's reason,
  // with nothing left behind and that file as it was; `*named` is then the file the
  // reason is about: the new file when it could not be created, else that path.
  // After a control event it writes nothing and returns 0: the process is ending.
  platform::SystemError Finish(std::int64_t totalMs, const ComparisonFigures* compare,
                               const char16_t** named);

  // Prepares what keeps a record's new file from outliving the process; at start-up.
  static void InitFinishing();
  // The program's ControlEventHook: waits until a record being put in place is
  // there whole, or gone, and keeps any other from being begun, so that an event
  // that ends the process leaves no new file behind.
  static void StopFinishing();

 private:
  void Spill();
  platform::SystemError WriteTo(platform::FileHandle file, std::string& piece);

  const char16_t* path_ = nullptr;
  std::u16string newPath_;
  std::string text_;  // what follows the scratch file's bytes
  platform::FileHandle scratch_ = nullptr;
  std::uint64_t scratchBytes_ = 0;  // written to the scratch file whole
  bool kept_ = false;               // the text stays in memory: no scratch file can take it
  bool firstProgress_ = true;
};
