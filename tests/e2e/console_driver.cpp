// Runs the shipped program as a user would: its standard streams on files, pipes
// or a pseudo-terminal, with good and bad command lines; checks what comes out
// and how it ends. The same checks run natively and, under Wine, on the .exe.
//
//   console_driver CASE... -- PROGRAM...
//
// The program runs with small sizes on its command line: 30,000 passes of a
// 1,000-character text, a line every 10,000. Cases: file, pipe, closed,
// nonblocking, nohup, csv, options (redirected streams); tty-line, tty-eof,
// tty-sighup, tty-hangup (a pseudo-terminal); full (the file case with no
// arguments, at the shipped sizes).
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;
using Words = std::vector<std::string>;

Words Program, Sizes = {"--passes", "30000", "--length", "1000", "--interval", "10000"};
long long Passes = 30'000, MaxWorkingSetKib = 0;  // 0: no bound
milliseconds Timeout(120'000);
std::vector<int> IgnoredSignals;  // the program starts with these ignored
bool NonBlockingInput = false;    // and with its input made non-blocking

struct Failure {
  std::string what;
};
void Expect(bool condition, const std::string& what) {
  if (!condition) throw Failure{what};
}

std::string Utf16Le(const std::string& ascii) {
  std::string bytes;
  for (char c : ascii) bytes += {c, '\0'};
  return bytes;
}

// Starts the program with `arguments` after the sizes; with `terminal`, as the
// leader of a session whose controlling terminal is `input`.
pid_t Start(int input, int output, int error, bool terminal, const Words& arguments = {}) {
  const pid_t child = fork();
  if (child != 0) return child;
  if (terminal) setsid(), ioctl(input, TIOCSCTTY, 0);
  dup2(input, STDIN_FILENO), dup2(output, STDOUT_FILENO);
  if (error >= 0) dup2(error, STDERR_FILENO);
  if (NonBlockingInput) fcntl(STDIN_FILENO, F_SETFL, fcntl(STDIN_FILENO, F_GETFL) | O_NONBLOCK);
  signal(SIGPIPE, SIG_DFL);  // as any program gets it; the driver ignores it
  for (int ignored : IgnoredSignals) signal(ignored, SIG_IGN);
  setenv("TERM", "xterm", 0);
  Words words = Program;
  words.insert(words.end(), Sizes.begin(), Sizes.end());
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  _exit(127);
}

// How the program ended within `limit` (it is killed when it has not).
std::string End(pid_t child, milliseconds limit = Timeout) {
  int status = 0;
  for (const auto until = Clock::now() + limit; waitpid(child, &status, WNOHANG) != child;) {
    if (Clock::now() >= until) return kill(child, SIGKILL), waitpid(child, &status, 0), "no end";
    std::this_thread::sleep_for(milliseconds(20));
  }
  return WIFEXITED(status) ? "exit " + std::to_string(WEXITSTATUS(status))
                           : "signal " + std::to_string(WTERMSIG(status));
}

// Appends what `descriptor` gives to `collected` until `wanted` shows in it (any:
// until the end), at most for `limit`.
void Collect(int descriptor, std::string& collected, const std::string& wanted,
             milliseconds limit = Timeout) {
  const auto until = Clock::now() + limit;
  char chunk[4096];
  for (pollfd ready = {descriptor, POLLIN, 0};
       wanted.empty() || collected.find(wanted) == std::string::npos;) {
    const auto left = std::chrono::duration_cast<milliseconds>(until - Clock::now()).count();
    if (left <= 0 || poll(&ready, 1, static_cast<int>(left)) != 1) return;
    const ssize_t got = read(descriptor, chunk, sizeof chunk);
    if (got <= 0) return;
    collected.append(chunk, static_cast<std::size_t>(got));
  }
}

// The lines of UTF-16LE output, each ended by CR LF, as ASCII.
Words LinesOf(const std::string& bytes) {
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    Expect(i + 1 < bytes.size() && bytes[i + 1] == '\0', "the output is not UTF-16LE ASCII");
    text.push_back(bytes[i]);
  }
  Expect(text.ends_with("\r\n"), "the output ends without CR LF: " + text);
  Words lines;
  for (std::size_t start = 0, end; start < text.size(); start = end + 2)
    lines.push_back(text.substr(start, (end = text.find("\r\n", start)) - start));
  return lines;
}

// The lines of plain text (no NUL, no other line end), each ended by the
// system's line end: CR LF for a Windows program.
Words TextLinesOf(const std::string& text) {
  const std::string end = Program.back().ends_with(".exe") ? "\r\n" : "\n";
  Expect(text.ends_with(end), "not plain text with the system's line ends: " + text);
  Words lines;
  for (std::size_t start = 0, stop; start < text.size(); start = stop + end.size()) {
    lines.push_back(text.substr(start, (stop = text.find(end, start)) - start));
    Expect(lines.back().find_first_of(std::string("\r\n\0", 3)) == std::string::npos,
           "not plain text with the system's line ends: " + text);
  }
  return lines;
}

// Checks the output of a run line by line: the header, a progress line of 37
// characters for every pass divisible by the interval, and the total. Returns
// what the CSV file of the run holds.
std::string CheckRun(const std::string& bytes) {
  const Words lines = LinesOf(bytes);
  const auto progressLines = static_cast<std::size_t>(Passes / 10'000 + 1);
  Expect(lines.size() == progressLines + 2 &&
             lines[0] == "   Loops      MemoryUsage      duration for 10000 passes",
         "the output has " + std::to_string(lines.size()) + " lines, the first " + lines[0]);
  static const std::regex progress("^ *([0-9]+)\t *([0-9]{1,3}(\\.[0-9]{3})*) K\t *([0-9]+)ms$");
  std::string csv = "pass,working_set_kib,duration_ms\n";
  for (std::size_t k = 0; k < progressLines; ++k) {
    std::smatch field;
    Expect(lines[1 + k].size() == 37 && std::regex_match(lines[1 + k], field, progress) &&
               field[1] == std::to_string(k * 10'000),
           "progress line " + std::to_string(k) + " is " + lines[1 + k]);
    const long long kib = std::stoll(std::regex_replace(field[2].str(), std::regex("\\."), ""));
    Expect(kib > 0 && (MaxWorkingSetKib == 0 || kib <= MaxWorkingSetKib),
           "a working set of " + field[2].str());
    csv += field[1].str() + "," + std::to_string(kib) + "," + field[4].str() + "\n";
  }
  Expect(std::regex_match(lines.back(), std::regex("^Total Time: [0-9]+ seconds$")),
         "the total is " + lines.back());
  return csv;
}

// The program on a pseudo-terminal or on pipes, waiting for its input.
struct Session {
  int input = -1, output = -1;  // the driver's ends: the program's input and output
  pid_t child = -1;
  std::string shown;  // everything the program has written

  explicit Session(bool terminal, const Words& arguments = {}) {
    int in[2], out[2];  // [0] is read, [1] written
    if (terminal) {
      Expect(openpty(&in[1], &in[0], nullptr, nullptr, nullptr) == 0, "cannot open a terminal");
      for (int end : in) fcntl(end, F_SETFD, FD_CLOEXEC);
      out[0] = in[1], out[1] = in[0];
    } else {
      Expect(pipe2(in, O_CLOEXEC) == 0 && pipe2(out, O_CLOEXEC) == 0, "cannot create pipes");
    }
    input = in[1], output = out[0];
    child = Start(in[0], out[1], -1, terminal, arguments);
    close(in[0]);
    if (out[1] != in[0]) close(out[1]);
    // The last line before the wait, and the moment the program needs to reach its read.
    const std::string prompt = terminal ? " seconds" : Utf16Le(" seconds\r\n");
    Collect(output, shown, prompt);
    Expect(shown.find(prompt) != std::string::npos, "before its input the program wrote " + shown);
    std::this_thread::sleep_for(milliseconds(300));
  }
  ~Session() {
    HangUp();
    if (child > 0) kill(child, SIGKILL), waitpid(child, nullptr, 0);
  }
  void HangUp() {
    if (output != input) close(output);
    close(input);
    input = output = -1;
  }
  void Type(const std::string& keys) {
    Expect(write(input, keys.data(), keys.size()) == ssize_t(keys.size()), "cannot type");
  }
  std::string Ended(milliseconds limit = Timeout) {
    const std::string end = End(child, limit);
    child = -1;
    if (output >= 0) Collect(output, shown, "", milliseconds(500));
    return end;
  }
};

struct Run {
  std::string end, output, error;
};

// The program from start to end with its streams on files: `input` to read.
Run RunOnFiles(const Words& arguments, const std::string& input = "") {
  int files[3];
  for (int& file : files) {
    char name[] = "/tmp/console_driver_XXXXXX";
    Expect((file = mkostemp(name, O_CLOEXEC)) >= 0 && unlink(name) == 0, "no scratch file");
  }
  Expect(pwrite(files[0], input.data(), input.size(), 0) == ssize_t(input.size()), "no input");
  Run run{End(Start(files[0], files[1], files[2], false, arguments)), "", ""};
  for (auto [file, contents] : {std::pair{files[1], &run.output}, {files[2], &run.error}})
    lseek(file, 0, SEEK_SET), Collect(file, *contents, "");
  for (int file : files) close(file);
  return run;
}

void FileCase() {
  const Run run = RunOnFiles({}, Utf16Le("first line\r\nsecond line\r\n"));
  Expect(run.end == "exit 0" && run.error.empty(),
         "the program ended with " + run.end + ", " + run.error);
  CheckRun(run.output);
}

// The lines arrive before the program waits, the program waits for input (while
// `signals` come and `meanwhile` runs), and one line ends the wait while the
// pipe stays open. Returns what the CSV file of the run holds.
std::string PipeCase(
    const std::vector<int>& signals = {}, const Words& arguments = {},
    const std::function<void()>& meanwhile = [] {}) {
  Session session(false, arguments);
  for (int number : signals) kill(session.child, number);
  std::this_thread::sleep_for(milliseconds(300));
  meanwhile();
  Expect(waitpid(session.child, nullptr, WNOHANG) == 0, "the program did not wait for its input");
  session.Type(Utf16Le("typed\n"));
  const std::string end = session.Ended();
  Expect(end == "exit 0", "the program ended with " + end);
  return CheckRun(session.shown);
}

// Input is a pipe closed without data, and output a pipe nobody reads: the end
// of input ends the wait, and the failed writes end nothing.
void ClosedCase() {
  int in[2], out[2];
  Expect(pipe2(in, O_CLOEXEC) == 0 && pipe2(out, O_CLOEXEC) == 0, "cannot create pipes");
  close(in[1]), close(out[0]);
  const pid_t child = Start(in[0], out[1], -1, false);
  close(in[0]), close(out[1]);
  Expect(End(child) == "exit 0", "a closed input or output was not the end of the run");
}

// A row for every progress line, already in the file while the program waits at
// the end; the folder's name has a blank, which the command line must carry.
void CsvCase() {
  char folder[] = "/tmp/csv run XXXXXX";
  Expect(mkdtemp(folder) != nullptr, "cannot create a folder");
  const std::string path = std::string(folder) + "/run.csv";
  std::string written;
  const std::string expected = PipeCase({}, {"--csv", path}, [&] {
    FILE* file = std::fopen(path.c_str(), "rb");
    for (int c; file != nullptr && (c = std::fgetc(file)) != EOF;) written.push_back(char(c));
    if (file != nullptr) std::fclose(file);
  });
  std::remove(path.c_str()), rmdir(folder);
  Expect(written == expected, "the CSV file holds " + written + ", not " + expected);
}

// A bad command line: one line on standard error naming the option, nothing on
// standard output, exit code 2. --help and --version print and exit with 0.
// What people and text tools read is plain text.
void OptionsCase() {
  for (const Words& arguments : {Words{"--passes"},
                                 {"--length", "12x"},
                                 {"--interval=0"},
                                 {"--passes", "99999999999999999999"},
                                 {"--csv", "no such folder/run.csv"},
                                 {"--frobnicate"},
                                 {"say \"hi\" \\\\ \\"}}) {
    const Run run = RunOnFiles(arguments);
    const std::string& first = arguments.front();
    Expect(run.end == "exit 2" && run.output.empty() && TextLinesOf(run.error).size() == 1 &&
               run.error.starts_with("stringchurn: ") &&
               run.error.find(first.substr(0, first.find('='))) != std::string::npos,
           first + " gave " + run.end + ", " + run.error);
  }
  const Run usage = RunOnFiles({"--help"}), version = RunOnFiles({"--version"});
  std::string text;
  for (const std::string& line : TextLinesOf(usage.output)) text += line + "\n";
  for (const char* option : {"--passes N", "--length L", "--interval K", "--csv FILE"})
    Expect(text.find(option) != std::string::npos, "the usage lacks " + std::string(option));
  const Words lines = TextLinesOf(version.output);
  Expect(usage.end == "exit 0" && version.end == "exit 0" && usage.error.empty() &&
             version.error.empty() && lines.size() == 1 &&
             std::regex_match(lines[0], std::regex("stringchurn [0-9.]+")),
         "--help or --version ended with " + usage.end + ", " + version.end + ", " + lines[0]);
}

// The prompt shows as text (no raw UTF-16 on a terminal); a typed line, with
// characters beyond ASCII, is echoed and ends the wait; so do Ctrl-D, SIGHUP (the
// close of the console, which ends it as the signal does) and a terminal that
// goes away. (Wine's console echoes a character beyond U+FFFF as two U+FFFD; the
// platform tests cover those natively.)
void TtyCase(const std::string& how) {
  Session terminal(true);
  const std::string typed = "Gr\u00fc\u00dfe, \u4e16\u754c";
  if (how == "line") terminal.Type(typed + "\r");
  if (how == "eof") terminal.Type("\x04");
  if (how == "sighup") kill(terminal.child, SIGHUP);
  if (how == "hangup") terminal.HangUp();
  const std::string end = terminal.Ended(milliseconds(5000));
  const std::string wanted = how == "sighup" ? "signal " + std::to_string(SIGHUP) : "exit 0";
  Expect(how == "hangup" ? end != "no end" : end == wanted, "the program ended with " + end);
  Expect(how != "line" || (terminal.shown.find('\0') == std::string::npos &&
                           terminal.shown.find(typed) != std::string::npos),
         "the terminal shows " + terminal.shown);
}

}  // namespace

int main(int argc, char** argv) {
  const std::map<std::string, std::function<void()>> cases = {
      {"file", FileCase},
      {"pipe", [] { PipeCase(); }},
      // Standard input made non-blocking by whoever shares it: the program still waits.
      {"nonblocking", [] { NonBlockingInput = true, PipeCase(); }},
      // Started as nohup and a shell's background jobs start a program: the
      // ignored signals stay ignored and the program waits on.
      {"nohup",
       [] {
         IgnoredSignals = {SIGHUP, SIGINT}, PipeCase({SIGHUP, SIGINT});
       }},
      {"closed", ClosedCase},
      {"csv", CsvCase},
      {"options", OptionsCase},
      {"tty-line", [] { TtyCase("line"); }},
      {"tty-eof", [] { TtyCase("eof"); }},
      {"tty-sighup", [] { TtyCase("sighup"); }},
      {"tty-hangup", [] { TtyCase("hangup"); }},
      // The file case at the shipped sizes and no arguments: a minute or more,
      // and a working set no larger than the emptied elements' small blocks need.
      {"full", [] {
         Sizes.clear(), Passes = 1'000'000, MaxWorkingSetKib = 65'536;
         Timeout = milliseconds(1'200'000), FileCase();
       }}};
  const auto dashes = std::find(argv + 1, argv + argc, std::string("--"));
  Program.assign(std::min(dashes + 1, argv + argc), argv + argc);
  if (dashes == argv + 1 || Program.empty())
    return std::fprintf(stderr, "usage: console_driver CASE... -- PROGRAM...\n"), 2;
  signal(SIGPIPE, SIG_IGN);
  int failed = 0;
  for (const std::string& name : Words(argv + 1, dashes)) {
    try {
      IgnoredSignals.clear(), NonBlockingInput = false;
      Expect(cases.count(name) == 1, "there is no such case");
      cases.at(name)();
      std::printf("%s: ok\n", name.c_str());
    } catch (const Failure& failure) {
      std::printf("%s: FAILED: %s\n", name.c_str(), failure.what.c_str());
      ++failed;
    }
    std::fflush(stdout);
  }
  return failed == 0 ? 0 : 1;
}
