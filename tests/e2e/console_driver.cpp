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

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The end of the line the program prints before it waits for one.
const std::string kPrompt = " seconds";

std::vector<std::string> Program;  // the command that starts the program
std::vector<std::string> SizeArguments = {"--passes", "30000",      "--length",
                                          "1000",     "--interval", "10000"};
long long Passes = 30'000;
const long long Interval = 10'000;
long long MaxWorkingSetKib = 0;  // 0: no bound
std::chrono::seconds Timeout{120};
// How the next program starts: signals it inherits as ignored, and whether its
// standard input is non-blocking.
std::vector<int> IgnoredSignals;
bool NonBlockingInput = false;

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

// Bytes as a test report shows them: <13> for a byte 13 that is not printable.
std::string Escaped(const std::string& bytes) {
  std::string shown;
  for (unsigned char c : bytes) {
    shown += c >= 0x20 && c < 0x7F ? std::string(1, char(c)) : "<" + std::to_string(c) + ">";
  }
  return shown;
}

// Starts the program with `arguments` after the sizes. With `terminal`, it leads
// a session of its own whose controlling terminal is `input`, as a program
// started in a terminal window does.
pid_t Start(int input, int output, int error, bool terminal,
            const std::vector<std::string>& arguments = {}) {
  const pid_t child = fork();
  if (child != 0) return child;
  if (terminal) {
    setsid();
    ioctl(input, TIOCSCTTY, 0);
  }
  dup2(input, STDIN_FILENO);
  dup2(output, STDOUT_FILENO);
  if (error >= 0) dup2(error, STDERR_FILENO);
  if (NonBlockingInput) fcntl(STDIN_FILENO, F_SETFL, fcntl(STDIN_FILENO, F_GETFL) | O_NONBLOCK);
  // The driver ignores SIGPIPE; the program must see it as any program would.
  signal(SIGPIPE, SIG_DFL);
  for (int ignored : IgnoredSignals) signal(ignored, SIG_IGN);
  setenv("TERM", "xterm", 0);
  std::vector<char*> argv;
  const std::vector<std::string>* lists[] = {&Program, &SizeArguments, &arguments};
  for (const std::vector<std::string>* words : lists) {
    for (const std::string& word : *words) argv.push_back(const_cast<char*>(word.c_str()));
  }
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  std::perror("console_driver: exec");
  _exit(127);
}

// Waits up to `limit` for the program to end; kills it when it does not.
std::optional<int> WaitForEnd(pid_t child, milliseconds limit) {
  const auto until = Clock::now() + limit;
  for (int status = 0;; std::this_thread::sleep_for(milliseconds(20))) {
    if (waitpid(child, &status, WNOHANG) == child) return status;
    if (Clock::now() >= until) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      return std::nullopt;
    }
  }
}

bool StillRunning(pid_t child) {
  int status = 0;
  return waitpid(child, &status, WNOHANG) == 0;
}

std::string Describe(std::optional<int> status) {
  if (!status) return "did not end in time";
  if (WIFEXITED(*status)) return "exited with " + std::to_string(WEXITSTATUS(*status));
  if (WIFSIGNALED(*status)) return "ended by signal " + std::to_string(WTERMSIG(*status));
  return "ended oddly";
}

// The program ended as `wanted` describes it.
void ExpectEnd(std::optional<int> status, const std::string& wanted) {
  Expect(Describe(status) == wanted, "the program " + Describe(status) + ", not " + wanted);
}

// Appends what `descriptor` has to `collected`, waiting up to `limit` for
// `wanted` to appear in it (any: until the end or the limit).
void Collect(int descriptor, std::string& collected, const std::string& wanted,
             milliseconds limit) {
  const auto until = Clock::now() + limit;
  while (wanted.empty() || collected.find(wanted) == std::string::npos) {
    const auto left = std::chrono::duration_cast<milliseconds>(until - Clock::now()).count();
    pollfd ready = {descriptor, POLLIN, 0};
    if (left <= 0) return;
    if (poll(&ready, 1, static_cast<int>(left)) != 1) continue;
    char chunk[4096];
    const ssize_t got = read(descriptor, chunk, sizeof chunk);
    if (got <= 0) return;
    collected.append(chunk, static_cast<std::size_t>(got));
  }
}

std::string ContentsOf(int descriptor) {
  std::string contents;
  lseek(descriptor, 0, SEEK_SET);
  char chunk[4096];
  for (ssize_t got; (got = read(descriptor, chunk, sizeof chunk)) > 0;) contents.append(chunk, got);
  return contents;
}

// A file that only the driver knows, holding `contents`; gone when closed.
int ScratchFile(const std::string& contents = "") {
  char name[] = "/tmp/console_driver_XXXXXX";
  const int descriptor = mkostemp(name, O_CLOEXEC);
  Expect(descriptor >= 0, "cannot create a scratch file");
  unlink(name);
  Expect(write(descriptor, contents.data(), contents.size()) == ssize_t(contents.size()),
         "cannot write a scratch file");
  lseek(descriptor, 0, SEEK_SET);
  return descriptor;
}

// ---- The output of a run -----------------------------------------------------

// The lines of output that must be ASCII in UTF-16LE, each ended by CR LF.
std::vector<std::string> LinesOf(const std::string& bytes) {
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    Expect(i + 1 < bytes.size() && bytes[i + 1] == '\0' && (bytes[i] & 0x80) == 0,
           "the output is not ASCII in UTF-16LE at byte " + std::to_string(i));
    text.push_back(bytes[i]);
  }
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  Expect(start == text.size(), "the output does not end with CR LF: " + Escaped(text));
  return lines;
}

// Checks redirected output of a run line by line: the header, a progress line of
// 37 characters for every pass divisible by the interval, and the total. Returns
// what the CSV file of the run should hold.
std::string CheckRunOutput(const std::string& bytes) {
  const std::vector<std::string> lines = LinesOf(bytes);
  const auto progressLines = static_cast<std::size_t>(Passes / Interval + 1);
  Expect(lines.size() == progressLines + 2,
         "the output has " + std::to_string(lines.size()) + " lines: " + Escaped(bytes));
  Expect(lines.front() == "   Loops      MemoryUsage      duration for 10000 passes",
         "the header is " + Escaped(lines.front()));

  static const std::regex progress("^ *([0-9]+)\t *([0-9]{1,3}(\\.[0-9]{3})*) K\t *([0-9]+)ms$");
  std::string csv = "pass,working_set_kib,duration_ms\n";
  for (std::size_t k = 0; k < progressLines; ++k) {
    const std::string& line = lines[1 + k];
    std::smatch field;
    Expect(line.size() == 37 && std::regex_match(line, field, progress) &&
               field[1] == std::to_string(k * Interval) && line.substr(24, 1) == "\t",
           "progress line " + std::to_string(k) + " is " + Escaped(line));
    const long long kib = std::stoll(std::regex_replace(field[2].str(), std::regex("\\."), ""));
    Expect(kib > 0, "progress line " + std::to_string(k) + " shows no working set");
    Expect(MaxWorkingSetKib == 0 || kib <= MaxWorkingSetKib,
           "the working set reaches " + std::to_string(kib) + " K");
    csv += field[1].str() + "," + std::to_string(kib) + "," + field[4].str() + "\n";
  }
  static const std::regex total("^Total Time: [0-9]+ seconds$");
  Expect(std::regex_match(lines.back(), total), "the total line is " + Escaped(lines.back()));
  return csv;
}

// ---- Redirected streams and terminals -------------------------------------------

// The program started on a pseudo-terminal or on pipes.
struct Session {
  int input = -1;   // what is written here is the program's input
  int output = -1;  // what the program writes comes out here; on a terminal, input
  pid_t child = -1;
  std::string shown;  // everything the program has written
  std::string prompt;

  explicit Session(bool terminal, const std::vector<std::string>& arguments = {}) {
    int in[2];   // read by the program, written by the driver
    int out[2];  // read by the driver, written by the program
    if (terminal) {
      Expect(openpty(&in[1], &in[0], nullptr, nullptr, nullptr) == 0, "cannot open a terminal");
      for (int end : in) fcntl(end, F_SETFD, FD_CLOEXEC);
      out[0] = in[1];
      out[1] = in[0];
    } else {
      Expect(pipe2(in, O_CLOEXEC) == 0 && pipe2(out, O_CLOEXEC) == 0, "cannot create pipes");
    }
    input = in[1];
    output = out[0];
    child = Start(in[0], out[1], -1, terminal, arguments);
    close(in[0]);
    if (out[1] != in[0]) close(out[1]);
    prompt = terminal ? kPrompt : Utf16Le(kPrompt + "\r\n");
  }
  ~Session() {
    HangUp();
    if (child > 0) kill(child, SIGKILL), waitpid(child, nullptr, 0);
  }
  // Closes the driver's ends.
  void HangUp() {
    if (output != input) close(output);
    close(input);
    input = output = -1;
  }
  // Waits until the program has written its last line and has had the moment it
  // needs to reach its read.
  void AwaitPrompt() {
    Collect(output, shown, prompt, Timeout);
    Expect(shown.find(prompt) != std::string::npos,
           "before its input the program wrote " + Escaped(shown));
    std::this_thread::sleep_for(milliseconds(300));
  }
  void Type(const std::string& keys) {
    Expect(write(input, keys.data(), keys.size()) == ssize_t(keys.size()), "cannot type");
  }
  std::optional<int> AwaitEnd(milliseconds limit) {
    const std::optional<int> status = WaitForEnd(child, limit);
    child = -1;
    if (output >= 0) Collect(output, shown, "", milliseconds(500));
    return status;
  }
};

struct Ended {
  std::optional<int> status;
  std::string output;
  std::string error;
};

// Runs the program to its end with `input` in a file and its output and errors
// in files.
Ended RunOnFiles(const std::vector<std::string>& arguments, const std::string& input = "") {
  const int in = ScratchFile(input);
  const int out = ScratchFile();
  const int error = ScratchFile();
  const Ended ended{WaitForEnd(Start(in, out, error, false, arguments), Timeout), ContentsOf(out),
                    ContentsOf(error)};
  for (int descriptor : {in, out, error}) close(descriptor);
  return ended;
}

// Input and output are files: the output is the run's lines in raw UTF-16LE.
void FileCase() {
  const Ended ended = RunOnFiles({}, Utf16Le("first line\r\nsecond line\r\n"));
  ExpectEnd(ended.status, "exited with 0");
  Expect(ended.error.empty(), "the program wrote errors: " + Escaped(ended.error));
  CheckRunOutput(ended.output);
}

// Input and output are pipes: the lines arrive before the program waits, the
// program waits for input, and one line ends the wait while the pipe stays open.
// While it waits, `signals` are sent to it and `whileWaiting` runs. Returns what
// the CSV file of the run should hold.
std::string PipeCase(
    const std::vector<int>& signals = {}, const std::vector<std::string>& arguments = {},
    const std::function<void()>& whileWaiting = [] {}) {
  Session session(false, arguments);
  session.AwaitPrompt();
  for (int number : signals) kill(session.child, number);
  std::this_thread::sleep_for(milliseconds(300));
  Expect(StillRunning(session.child), "the program did not wait for its input");
  whileWaiting();
  session.Type(Utf16Le("typed\n"));
  ExpectEnd(session.AwaitEnd(Timeout), "exited with 0");
  return CheckRunOutput(session.shown);
}

// Input is a pipe closed without data, and output a pipe nobody reads: the end
// of input ends the wait, and the failed writes end nothing.
void ClosedCase() {
  int in[2];
  int out[2];
  Expect(pipe2(in, O_CLOEXEC) == 0 && pipe2(out, O_CLOEXEC) == 0, "cannot create pipes");
  for (int end : {in[1], out[0]}) close(end);
  const pid_t child = Start(in[0], out[1], -1, false);
  for (int end : {in[0], out[1]}) close(end);
  ExpectEnd(WaitForEnd(child, Timeout), "exited with 0");
}

// --csv: a row for every progress line, with the figures it shows, already in the
// file while the program waits at the end. The folder's name has a blank, which
// the command line must carry.
void CsvCase() {
  char folder[] = "/tmp/csv run XXXXXX";
  Expect(mkdtemp(folder) != nullptr, "cannot create a folder");
  const std::string path = std::string(folder) + "/run.csv";
  std::string written;
  const std::string expected = PipeCase({}, {"--csv", path}, [&] {
    const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file >= 0) written = ContentsOf(file), close(file);
  });
  unlink(path.c_str());
  rmdir(folder);
  Expect(written == expected, "the CSV file holds " + Escaped(written) + ", not " + expected);
}

// Bad command lines: one line on standard error naming the option, nothing on
// standard output, exit code 2. --help and --version print and exit with 0.
void OptionsCase() {
  const std::vector<std::vector<std::string>> refused = {
      {"--passes"},
      {"--length", "12x"},
      {"--interval=0"},
      {"--passes", "99999999999999999999"},
      {"--csv", "no such folder/run.csv"},
      {"--frobnicate"},
      {"say \"hi\" \\\\ \\"}};  // blanks, quotes and backslashes reach the program as typed
  for (const std::vector<std::string>& arguments : refused) {
    const Ended ended = RunOnFiles(arguments);
    const std::string& first = arguments.front();
    ExpectEnd(ended.status, "exited with 2");
    Expect(ended.output.empty() && std::regex_match(ended.error, std::regex("stringchurn: .*\n")) &&
               ended.error.find(first.substr(0, first.find('='))) != std::string::npos,
           Escaped(first) + " gave " + Escaped(ended.output + ended.error));
  }

  const Ended usage = RunOnFiles({"--help"});
  const Ended version = RunOnFiles({"--version"});
  ExpectEnd(usage.status, "exited with 0");
  ExpectEnd(version.status, "exited with 0");
  std::string text;
  for (const std::string& line : LinesOf(usage.output)) text += line + "\n";
  for (const char* option : {"--passes N", "--length L", "--interval K", "--csv FILE"}) {
    Expect(text.find(option) != std::string::npos, "the usage lacks " + std::string(option));
  }
  const std::vector<std::string> lines = LinesOf(version.output);
  Expect(lines.size() == 1 && std::regex_match(lines[0], std::regex("stringchurn [0-9.]+")),
         "the version is " + Escaped(version.output));
  Expect(usage.error.empty() && version.error.empty(), "--help or --version wrote errors");
}

// ---- A pseudo-terminal ---------------------------------------------------------

// The prompt shows as text (no raw UTF-16 on a terminal); a typed line, with
// characters beyond ASCII, is echoed and ends the wait. (Wine's console echoes a
// character beyond U+FFFF as two U+FFFD; the platform tests cover those natively.)
void TtyLineCase() {
  Session terminal(true);
  terminal.AwaitPrompt();
  const std::string typed = "Gr\u00fc\u00dfe, \u4e16\u754c";
  terminal.Type(typed + "\r");
  ExpectEnd(terminal.AwaitEnd(Timeout), "exited with 0");
  Expect(terminal.shown.find('\0') == std::string::npos &&
             terminal.shown.find(typed) != std::string::npos,
         "the terminal shows " + Escaped(terminal.shown));
}

// Ctrl-D on an empty line is the end of input, which ends the wait.
void TtyEofCase() {
  Session terminal(true);
  terminal.AwaitPrompt();
  terminal.Type("\x04");
  ExpectEnd(terminal.AwaitEnd(Timeout), "exited with 0");
}

// SIGHUP, the close of the console, ends the waiting program promptly, as the
// signal does when nobody handles it.
void TtySighupCase() {
  Session terminal(true);
  terminal.AwaitPrompt();
  kill(terminal.child, SIGHUP);
  ExpectEnd(terminal.AwaitEnd(std::chrono::seconds(5)),
            "ended by signal " + std::to_string(SIGHUP));
}

// The terminal goes away under the waiting program: it ends promptly.
void TtyHangupCase() {
  Session terminal(true);
  terminal.AwaitPrompt();
  terminal.HangUp();
  Expect(terminal.AwaitEnd(std::chrono::seconds(5)).has_value(),
         "after the hang-up the program did not end");
}

}  // namespace

int main(int argc, char** argv) {
  const std::map<std::string, std::function<void()>> cases = {
      {"file", FileCase},
      {"pipe", [] { PipeCase(); }},
      // Standard input made non-blocking by whoever shares it: the program still waits.
      {"nonblocking", [] { NonBlockingInput = true, PipeCase(); }},
      // Started as nohup and a shell's background job start a program, with SIGHUP
      // and SIGINT ignored: the signals stay ignored and the program waits on.
      {"nohup",
       [] {
         IgnoredSignals = {SIGHUP, SIGINT}, PipeCase({SIGHUP, SIGINT});
       }},
      {"closed", ClosedCase},
      {"csv", CsvCase},
      {"options", OptionsCase},
      {"tty-line", TtyLineCase},
      {"tty-eof", TtyEofCase},
      {"tty-sighup", TtySighupCase},
      {"tty-hangup", TtyHangupCase},
      // The file case at the shipped sizes, with no arguments: a minute or more.
      {"full", [] {
         SizeArguments.clear();
         Passes = 1'000'000;
         MaxWorkingSetKib = 65'536;  // the emptied elements' small blocks, no more
         Timeout = std::chrono::seconds(1200);
         FileCase();
       }}};
  int at = 1;
  while (at < argc && argv[at] != std::string("--")) ++at;
  const std::vector<std::string> chosen(argv + 1, argv + at);
  if (chosen.empty() || at + 1 >= argc) {
    std::fprintf(stderr, "usage: console_driver CASE... -- PROGRAM...\n");
    return 2;
  }
  Program.assign(argv + at + 1, argv + argc);
  signal(SIGPIPE, SIG_IGN);

  int failed = 0;
  for (const std::string& name : chosen) {
    try {
      IgnoredSignals.clear();
      NonBlockingInput = false;
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
