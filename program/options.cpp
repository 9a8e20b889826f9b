// Each argument is matched against the table of options; a number is decimal
// digits only, checked against its range before it can overflow.
#include "program/options.h"

#include <string_view>

#include "program/error_line.h"

namespace {

enum class Field { Passes, Length, Interval, Csv, Json, Compare, NoWait, Help, Version };

struct KnownOption {
  std::u16string_view name;
  Field field;
  std::int64_t min;  // numbers only
  std::int64_t max;
};

constexpr KnownOption kCsvOption = {u"--csv", Field::Csv, 0, 0};
constexpr KnownOption kJsonOption = {u"--json", Field::Json, 0, 0};

constexpr KnownOption kOptions[] = {
    {u"--passes", Field::Passes, 0, MaxPassCount},
    {u"--length", Field::Length, 0, MaxTextLength},
    {u"--interval", Field::Interval, 1, MaxProgressInterval},
    kCsvOption,
    kJsonOption,
    {u"--compare", Field::Compare, 0, 0},
    {u"--no-wait", Field::NoWait, 0, 0},
    {u"--help", Field::Help, 0, 0},
    {u"-h", Field::Help, 0, 0},
    {u"--version", Field::Version, 0, 0},
    {u"-V", Field::Version, 0, 0},
};

bool TakesNumber(Field field) {
  return field == Field::Passes || field == Field::Length || field == Field::Interval;
}

bool TakesValue(Field field) {
  return TakesNumber(field) || field == Field::Csv || field == Field::Json;
}

// "--name takes" what the option accepts.
std::string Accepted(const KnownOption& option) {
  std::string accepted(option.name.begin(), option.name.end());
  accepted += " takes ";
  if (TakesNumber(option.field)) {
    return accepted + "a whole number from " + std::to_string(option.min) + " to " +
           std::to_string(option.max);
  }
  return accepted + (TakesValue(option.field) ? "the name of a file it can create" : "no value");
}

// "--name takes ..., not "value"".
std::string Refused(const KnownOption& option, std::u16string_view value) {
  return Accepted(option) + ", not " + QuotedText(value);
}

bool ParseNumber(std::u16string_view text, std::int64_t max, std::int64_t* value) {
  if (text.empty()) return false;
  std::int64_t number = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
    const int digit = c - u'0';
    if (number > (max - digit) / 10) return false;
    number = number * 10 + digit;
  }
  *value = number;
  return true;
}

}  // namespace

ProgramOptions ParseOptions(const char16_t* const* arguments, std::size_t count) {
  ProgramOptions options;
  bool usage = false;
  bool version = false;
  auto fail = [&options](std::string error) {
    options.action = ProgramAction::Error;
    options.error = std::move(error);
    return options;
  };

  bool optionsEnded = false;  // by "--"
  for (std::size_t i = 0; i < count; ++i) {
    const std::u16string_view argument = arguments[i];
    if (optionsEnded)
      return fail(QuotedText(argument) + " follows --; stringchurn takes options only");
    if (argument == u"--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t equals = argument.find(u'=');
    const std::u16string_view name = argument.substr(0, equals);
    const KnownOption* option = nullptr;
    for (const KnownOption& candidate : kOptions) {
      if (candidate.name == name) option = &candidate;
    }
    if (option == nullptr) {
      return fail(QuotedText(argument) +
                  " is not an option; the options are --passes, --length, --interval, --csv, "
                  "--json, --compare, --no-wait, --help (-h) and --version (-V)");
    }

    const char16_t* value = nullptr;
    if (equals != std::u16string_view::npos) {
      value = arguments[i] + equals + 1;
    } else if (TakesValue(option->field) && i + 1 < count) {
      value = arguments[++i];
    }
    if (value == nullptr && TakesValue(option->field)) return fail(Accepted(*option));
    if (value != nullptr && !TakesValue(option->field)) return fail(Refused(*option, value));

    std::int64_t number = 0;
    if (TakesNumber(option->field) &&
        (!ParseNumber(value, option->max, &number) || number < option->min)) {
      return fail(Refused(*option, value));
    }
    switch (option->field) {
      case Field::Passes:
        options.sizes.passCount = number;
        break;
      case Field::Length:
        options.sizes.textLength = static_cast<std::int32_t>(number);
        break;
      case Field::Interval:
        options.sizes.progressInterval = number;
        break;
      case Field::Csv:
        options.outputs.csvPath = value;
        break;
      case Field::Json:
        options.outputs.jsonPath = value;
        break;
      case Field::Compare:
        options.outputs.compare = true;
        break;
      case Field::NoWait:
        options.outputs.wait = false;
        break;
      case Field::Help:
        usage = true;
        break;
      case Field::Version:
        version = true;
        break;
    }
  }
  if (usage) {
    options.action = ProgramAction::Usage;
  } else if (version) {
    options.action = ProgramAction::Version;
  }
  return options;
}

std::string OutputFileError(OutputFile file, const char16_t* path, const std::string& reason) {
  return Refused(file == OutputFile::Csv ? kCsvOption : kJsonOption, path) + ": " + reason;
}

std::string OutputFileStandardStreamError(OutputFile file, const char16_t* path) {
  const KnownOption& option = file == OutputFile::Csv ? kCsvOption : kJsonOption;
  return std::string(option.name.begin(), option.name.end()) +
         " takes the name of a file other than standard output's and standard error's, not " +
         QuotedText(path);
}

const char16_t* const UsageLines[] = {
    u"Usage: stringchurn [OPTION]...",
    u"Copies a text of L spaces into one element after another of a string array",
    u"(passes 0 to N) and empties each element again at once; prints the working set",
    u"and the time of every K passes, then the total time, and waits for a line.",
    u"  --passes N     the highest pass index, 0 or more (default 1000000)",
    u"  --length L     characters of the text, 0 or more (default 1000000)",
    u"  --interval K   passes between progress lines, 1 or more (default 10000)",
    u"  --csv FILE     also write pass,working_set_kib,duration_ms to FILE,",
    u"                 a row a line",
    u"  --json FILE    at the end, write a record of the run, the machine and the",
    u"                 sizes to FILE as JSON",
    u"  --compare      then time two copies of the text and the pass in plain C++",
    u"                 on this machine, and print them next to this run's time a pass",
    u"  --no-wait      end without waiting for a line",
    u"  -h, --help     print this text and exit",
    u"  -V, --version  print the version and exit",
    u"  --             end the options",
};
const std::size_t UsageLineCount = sizeof UsageLines / sizeof UsageLines[0];

const char16_t* const VersionLines[] = {
    (u"stringchurn " STRINGCHURN_VERSION),  // one line, though two literals
    u"Copyright (c) 2026 stringchurn developers",
    u"License MIT: <https://opensource.org/licenses/MIT>.",
    u"This is free software: you are free to change and redistribute it.",
    u"There is NO WARRANTY, to the extent permitted by law.",
};
const std::size_t VersionLineCount = sizeof VersionLines / sizeof VersionLines[0];
