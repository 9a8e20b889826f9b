// The harness: starts the runtime, runs every benchmark with its repetitions
// interleaved at random (so that a noisy stretch of the shared machine does not
// fall on one benchmark only), prints one table of medians, and ends with the
// ratios that the targets are stated in, taken from the medians. With
// --benchmark_format=json or csv the library's own report goes to standard
// output as documented, and the harness's lines go to standard error.
//
// --text_vector_bytes=16|32|64 makes the text routines use that vector width
// instead of the processor's choice: 16 stands in for a processor without AVX2,
// 64 tries the AVX-512BW form that is otherwise left unused.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "bench/bench_runtime.h"
#include "runtime/strings/text.h"

namespace {

struct Figures {
  std::int64_t order[2];  // family, then instance: the order of registration
  double median = 0;      // seconds per iteration
  double min = 0;
  double cv = 0;
  double heapCalls = -1;  // per iteration; -1 when not counted
  double newCalls = -1;
};

// Collects the aggregates of every benchmark and prints them as one table at
// the end, to `own`. Everything else goes to `shown`, the reporter of the chosen
// format; the console format's lines of each benchmark the table replaces.
class MedianReporter : public benchmark::BenchmarkReporter {
 public:
  MedianReporter(benchmark::BenchmarkReporter* shown, bool console, std::FILE* own)
      : shown_(shown), console_(console), own_(own) {}

  bool ReportContext(const Context& context) override { return shown_->ReportContext(context); }

  void ReportRuns(const std::vector<Run>& runs) override {
    if (!console_) shown_->ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Aggregate || run.error_occurred) continue;
      Figures& f = figures_[NameOf(run)];
      f.order[0] = run.family_index;
      f.order[1] = run.per_family_instance_index;
      const double seconds =
          run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      if (run.aggregate_name == "median") {
        f.median = seconds;
        if (auto c = run.counters.find("heap_calls"); c != run.counters.end())
          f.heapCalls = c->second;
        if (auto c = run.counters.find("new_calls"); c != run.counters.end())
          f.newCalls = c->second;
      } else if (run.aggregate_name == "min") {
        f.min = seconds;
      } else if (run.aggregate_name == "cv") {
        f.cv = run.real_accumulated_time;  // a fraction, not a time
      }
    }
  }

  void Finalize() override {
    shown_->Finalize();
    std::vector<std::pair<std::string, Figures>> rows(figures_.begin(), figures_.end());
    std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
      return std::tie(a.second.order[0], a.second.order[1]) <
             std::tie(b.second.order[0], b.second.order[1]);
    });
    std::fprintf(own_, "\n%-34s %12s %12s %7s %11s %10s\n", "benchmark (real time)", "median",
                 "min", "cv", "heap calls", "new calls");
    for (const auto& [name, f] : rows) {
      std::fprintf(own_, "%-34s %12s %12s %6.1f%% %11s %10s\n", name.c_str(),
                   Time(f.median).c_str(), Time(f.min).c_str(), 100 * f.cv,
                   Count(f.heapCalls).c_str(), Count(f.newCalls).c_str());
    }
    std::fflush(own_);
  }

  // The median of `name` in seconds, or 0 when it did not run.
  double Median(const std::string& name) const {
    auto found = figures_.find(name);
    return found == figures_.end() ? 0 : found->second.median;
  }

 private:
  static std::string NameOf(const Run& run) {
    std::string name = run.run_name.function_name;
    if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
    return name;
  }

  static std::string Time(double seconds) {
    char text[32];
    if (seconds < 1e-6) {
      std::snprintf(text, sizeof text, "%.2f ns", seconds * 1e9);
    } else {
      std::snprintf(text, sizeof text, "%.2f us", seconds * 1e6);
    }
    return text;
  }

  static std::string Count(double count) {
    if (count < 0) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", count);
    return text;
  }

  benchmark::BenchmarkReporter* shown_;
  bool console_;
  std::FILE* own_;
  std::map<std::string, Figures> figures_;
};

void PrintRatio(std::FILE* own, const MedianReporter& reporter, const char* name,
                const std::string& numerator, const std::string& denominator) {
  const double top = reporter.Median(numerator);
  const double bottom = reporter.Median(denominator);
  if (top == 0 || bottom == 0) return;  // filtered out
  std::fprintf(own, "ratio %s: %.3f\n", name, top / bottom);
}

// Takes --text_vector_bytes=N out of `args` and applies it; false, with a
// message, when N is not one of the widths or not a width this processor has.
bool ApplyTextVectorOption(std::vector<char*>& args) {
  static constexpr char kOption[] = "--text_vector_bytes=";
  for (auto arg = args.begin(); arg != args.end(); ++arg) {
    if (std::strncmp(*arg, kOption, sizeof kOption - 1) != 0) continue;
    const std::string value = *arg + sizeof kOption - 1;
    args.erase(arg);
    if (value != "16" && value != "32" && value != "64") {
      std::fprintf(stderr,
                   "stringchurn_bench: --text_vector_bytes takes 16, 32 or 64, not \"%s\"\n",
                   value.c_str());
      return false;
    }
    if (!SetTextVectorBytes(std::stoi(value))) {
      std::fprintf(stderr, "stringchurn_bench: no %s-byte text vectors on this processor\n",
                   value.c_str());
      return false;
    }
    return true;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // Interleaved repetitions unless the command line says otherwise.
  std::vector<char*> args(argv, argv + argc);
  if (!ApplyTextVectorOption(args)) return 1;
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave.data());
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

  // The reporter of --benchmark_format; the library keeps it.
  benchmark::BenchmarkReporter* shown = benchmark::CreateDefaultDisplayReporter();
  const bool console = dynamic_cast<benchmark::ConsoleReporter*>(shown) != nullptr;
  std::FILE* own = console ? stdout : stderr;
  std::fprintf(own, "text vectors: %d bytes\n", TextVectorBytes());
  StartBenchRuntime();
  MedianReporter reporter(shown, console, own);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const std::string shipped = "/" + std::to_string(ShippedTextLength);
  if (const double limit = reporter.Median("BM_Limit" + shipped); limit > 0) {
    std::fprintf(own,
                 "\nlimit of a full run: 1000001 x %.2f us = %.1f s; Total Time target <= %.1f s\n",
                 limit * 1e6, 1'000'001 * limit, 1.15 * 1'000'001 * limit);
  }
  std::fprintf(own, "\n");
  for (const std::int32_t length : {ShippedTextLength, ShortTextLength, LongTextLength}) {
    const std::string arg = "/" + std::to_string(length);
    PrintRatio(own, reporter, ("pass/limit at " + std::to_string(length) + " chars").c_str(),
               "BM_Pass" + arg, "BM_Limit" + arg);
  }
  PrintRatio(own, reporter, "pass/plain C++", "BM_Pass" + shipped, "BM_PlainCxx" + shipped);
  PrintRatio(own, reporter, "IntegerText/to_chars", "BM_IntegerText", "BM_ToCharsInteger");
  PrintRatio(own, reporter, "FormatGrouped/to_chars", "BM_FormatGrouped", "BM_ToCharsDouble");
  PrintRatio(own, reporter, "pass field (IntegerText+PadLeftText)/(to_chars+padding)",
             "BM_IntegerTextPadLeftText", "BM_ToCharsPadded");
  return 0;
}
