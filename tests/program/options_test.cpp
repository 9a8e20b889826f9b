// The command line as the program reads it: each option, its limits, and the
// one line that a mistake gives.
#include "program/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The options read, or the error.
std::string Described(std::vector<std::u16string> words) {
  std::vector<const char16_t*> arguments;
  for (const std::u16string& word : words) arguments.push_back(word.c_str());
  const ProgramOptions options = ParseOptions(arguments.data(), arguments.size());
  if (options.action != ProgramAction::Run)
    return options.action == ProgramAction::Error   ? options.error
           : options.action == ProgramAction::Usage ? "usage"
                                                    : "version";
  const RunOutputs& outputs = options.outputs;
  std::u16string files =
      outputs.csvPath == nullptr ? u"" : u" csv " + std::u16string(outputs.csvPath);
  if (outputs.jsonPath != nullptr) files += u" json " + std::u16string(outputs.jsonPath);
  return "run " + std::to_string(options.sizes.passCount) + " " +
         std::to_string(options.sizes.textLength) + " " +
         std::to_string(options.sizes.progressInterval) + std::string(files.begin(), files.end()) +
         (outputs.compare ? " compare" : "") + (outputs.wait ? "" : " no-wait");
}

TEST(OptionsTest, ReadsEachOptionAndRefusesWhatItDoesNotTake) {
  const std::string passes = "--passes takes a whole number from 0 to 1152921504606846968";
  const std::string length = "--length takes a whole number from 0 to 1073733626";
  const std::string interval = "--interval takes a whole number from 1 to 9223372036854775807";
  const std::string unknown =
      " is not an option; the options are --passes, --length, --interval, --csv, --json, "
      "--compare, "
      "--no-wait, --help (-h) and --version (-V)";
  const std::pair<std::vector<std::u16string>, std::string> cases[] = {
      // clang-format off
      {{}, "run 1000000 1000000 10000"}, {{u"--passes", u"0", u"--length=0", u"--interval", u"1"}, "run 0 0 1"},
      {{u"--passes=1152921504606846968", u"--length", u"1073733626", u"--interval", u"9223372036854775807"},
       "run 1152921504606846968 1073733626 9223372036854775807"},
      {{u"--passes", u"5", u"--passes=007", u"--csv", u"a b.csv", u"--csv=c=d"}, "run 7 1000000 10000 csv c=d"},
      {{u"--compare", u"--length=0"}, "run 1000000 0 10000 compare"}, {{u"--compare=1"}, "--compare takes no value, not \"1\""},
      {{u"--version"}, "version"}, {{u"--version", u"--help", u"--passes", u"3"}, "usage"},
      {{u"--passes"}, passes}, {{u"--passes", u"1152921504606846969"}, passes + ", not \"1152921504606846969\""},
      {{u"--passes", u"99999999999999999999"}, passes + ", not \"99999999999999999999\""},
      {{u"--passes=-1"}, passes + ", not \"-1\""}, {{u"--passes", u"+1"}, passes + ", not \"+1\""},
      {{u"--passes="}, passes + ", not \"\""}, {{u"--length", u"1073733627"}, length + ", not \"1073733627\""},
      {{u"--length", u"1e3"}, length + ", not \"1e3\""}, {{u"--interval", u"0"}, interval + ", not \"0\""},
      {{u"--csv"}, "--csv takes the name of a file it can create"}, {{u"--help=yes"}, "--help takes no value, not \"yes\""},
      {{u"-h"}, "usage"}, {{u"-V", u"--"}, "version"}, {{u"-v"}, "\"-v\"" + unknown},
      {{u"--json", u"r.json", u"--no-wait", u"--csv=c"}, "run 1000000 1000000 10000 csv c json r.json no-wait"},
      {{u"--json"}, "--json takes the name of a file it can create"}, {{u"--", u"--help"}, "\"--help\" follows --; stringchurn takes options only"},
      {{u"--passes", u"3", u"\u00e9\t\x7f\"C:\\a\\x\xDCE9\\"}, "\"\xC3\xA9\\x09\\x7F\\\"C:\\a\\\\x\\xE9\\\\\"" + unknown},
      {{u"--interval", u"--passes", u"3"}, interval + ", not \"--passes\""}, {{u"--bogus", u"--help"}, "\"--bogus\"" + unknown},
      // clang-format on
  };
  for (const auto& [arguments, expected] : cases) EXPECT_EQ(Described(arguments), expected);
}

}  // namespace
