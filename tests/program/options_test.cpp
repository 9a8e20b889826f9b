// The command line as the program reads it: each option, its limits, and the
// one line that a mistake gives.
#include "program/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program/error_line.h"

namespace {

// The options read, or the error.
std::string Described(std::vector<const char16_t*> arguments) {
  const ProgramOptions options = ParseOptions(arguments.data(), arguments.size());
  const RunOutputs& outputs = options.outputs;
  if (options.action != ProgramAction::Run)
    return options.action == ProgramAction::Error   ? options.error
           : options.action == ProgramAction::Usage ? "usage"
                                                    : "version";
  return "run " + std::to_string(options.sizes.passCount) + " " +
         std::to_string(options.sizes.textLength) + " " +
         std::to_string(options.sizes.progressInterval) +
         (outputs.csvPath == nullptr ? "" : " csv " + PlainText(outputs.csvPath)) +
         (outputs.jsonPath == nullptr ? "" : " json " + PlainText(outputs.jsonPath)) +
         (outputs.compare ? " compare" : "") + (outputs.wait ? "" : " no-wait");
}

TEST(OptionsTest, ReadsEachOptionAndRefusesWhatItDoesNotTake) {
  const std::string passes = "--passes takes a whole number from 0 to 1152921504606846968";
  const std::string length = "--length takes a whole number from 0 to 1073733626";
  const std::string interval = "--interval takes a whole number from 1 to 9223372036854775807";
  const std::string unknown =
      " is not an option; the options are --passes, --length, --interval, --csv, --json, "
      "--compare, --no-wait, --help (-h) and --version (-V)";
  const std::pair<std::vector<const char16_t*>, std::string> cases[] = {
      // clang-format off
      {{}, "run 1000000 1000000 10000"},
      {{u"--passes", u"0", u"--length=0", u"--interval", u"1", u"--compare"}, "run 0 0 1 compare"},
      {{u"--passes=1152921504606846968", u"--length", u"1073733626", u"--interval", u"9223372036854775807"},
       "run 1152921504606846968 1073733626 9223372036854775807"},
      {{u"--passes", u"5", u"--passes=007", u"--csv", u"a b.csv", u"--json", u"r.json", u"--no-wait", u"--csv=c=d"},
       "run 7 1000000 10000 csv c=d json r.json no-wait"},
      {{u"--version", u"--help", u"--passes", u"3"}, "usage"},
      {{u"-h"}, "usage"},
      {{u"-V", u"--"}, "version"},
      {{u"--passes", u"1152921504606846969"}, passes + ", not \"1152921504606846969\""},
      {{u"--passes", u"99999999999999999999"}, passes + ", not \"99999999999999999999\""},
      {{u"--passes=-1"}, passes + ", not \"-1\""},
      {{u"--passes="}, passes + ", not \"\""},
      {{u"--length", u"1073733627"}, length + ", not \"1073733627\""},
      {{u"--length", u"1e3"}, length + ", not \"1e3\""},
      {{u"--interval", u"0"}, interval + ", not \"0\""},
      {{u"--interval", u"--passes", u"3"}, interval + ", not \"--passes\""},
      {{u"--csv"}, "--csv takes the name of a file it can create"},
      {{u"--bogus", u"--help"}, "\"--bogus\"" + unknown},
      {{u"--passes", u"3", u"\u00e9\u00a0\u0800\u2028\u2029\xD800\xDC00\xDC80\xDBFF\xDFFF\xDFFF\\\xD800\\\t\x7f\u0080\"C:\\a\\x\xDCFF\\"}, "\"\xC3\xA9\xC2\xA0\xE0\xA0\x80\\u2028\\u2029\xF0\x90\x80\x80\\x80\xF4\x8F\xBF\xBF\\uDFFF\\\\\\uD800\\\\\\x09\\x7F\\u0080\\\"C:\\a\\\\x\\xFF\\\\\"" + unknown},
      {{u"--", u"--help"}, "\"--help\" follows --; stringchurn takes options only"},
      // clang-format on
  };
  for (const auto& [arguments, expected] : cases) EXPECT_EQ(Described(arguments), expected);
}

}  // namespace
