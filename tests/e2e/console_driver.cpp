// Runs the built program as a user would, with its standard streams on files,
// pipes or a pseudo-terminal, and checks what comes out and how it ends. The same
// checks run on the native program and, under Wine, on the Windows program.
//
//   console_driver [--timeout SECONDS] [--passes N] [--interval N]
//                  [--max-working-set-kib N] CASE... -- PROGRAM [ARGUMENTS...]
//
// --passes and --interval give the sizes the program was built with (the highest
// pass index and the passes between progress lines); redirected output is checked
// line by line against them. --max-working-set-kib bounds the last figure.
//
// Cases: file, pipe, closed, nonblocking, nohup (redirected streams); tty-line,
// tty-eof, tty-sighup, tty-hangup (a pseudo-terminal). Exits with 0 when every
// case passed.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The end of the line the program prints before it waits for one.
const std::string kPrompt = " seconds";
const std::string kHeader = "   Loops      MemoryUsage      duration for 10000 passes";

std::vector<char*> Program;
// How the next program starts: signals it inherits as ignored, and whether its
// standard input is non-blocking.
std::vector<int> IgnoredSignals;
bool NonBlockingInput = false;
std::chrono::seconds Timeout{20};
long long Passes = 30'000;
long long Interval = 10'000;
long long MaxWorkingSetKib = 0;  // 0: no bound

std::string Utf16Le(const std::string& ascii) {
  std::string bytes;
  for (char c : ascii) {
    bytes.push_back(c);
    bytes.push_back('\0');
  }
  return bytes;
}

// The program's output, as a test report shows it.
std::string Escaped(const std::string& bytes) {
  std::string shown;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      shown.push_back(static_cast<char>(c));
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      shown += hex;
    }
  }
  return shown;
}

struct Failure {
  std::string what;
};

void Expect(bool condition, const std::string& what) {
  if (!condition) throw Failure{what};
}

void CloseOnExec(int descriptor) {
  fcntl(descriptor, F_SETFD, FD_CLOEXEC);
}

// Starts the program with `input` and `output` as its standard input and output.
// With `terminal`, it leads a session of its own whose controlling terminal is
// `input`, as a program started in a terminal window is.
pid_t Start(int input, int output, bool terminal) {
  const pid_t child = fork();
  if (child != 0) return child;
  if (terminal) {
    setsid();
    ioctl(input, TIOCSCTTY, 0);
  }
  dup2(input, STDIN_FILENO);
  dup2(output, STDOUT_FILENO);
  if (NonBlockingInput) fcntl(STDIN_FILENO, F_SETFL, fcntl(STDIN_FILENO, F_GETFL) | O_NONBLOCK);
  // The driver ignores SIGPIPE; the program must see it as any program would.
  signal(SIGPIPE, SIG_DFL);
  for (int ignored : IgnoredSignals) signal(ignored, SIG_IGN);
  setenv("TERM", "xterm", 0);
  execvp(Program[0], Program.data());
  std::perror("console_driver: exec");
  _exit(127);
}

// Waits up to `limit` for the program to end; kills it when it does not.
std::optional<int> WaitForEnd(pid_t child, std::chrono::milliseconds limit) {
  const auto until = Clock::now() + limit;
  for (;;) {
    int status = 0;
    if (waitpid(child, &status, WNOHANG) == child) return status;
    if (Clock::now() >= until) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      return std::nullopt;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
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

void ExpectExitZero(std::optional<int> status) {
  Expect(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0,
         "the program " + Describe(status) + ", not with 0");
}

// Appends what `descriptor` has to `collected`, waiting up to `limit` for
// `wanted` to appear in it. Returns false at the end of the output.
bool Collect(int descriptor, std::string& collected, const std::string& wanted,
             std::chrono::milliseconds limit) {
  const auto until = Clock::now() + limit;
  while (wanted.empty() || collected.find(wanted) == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
    if (left.count() <= 0) return true;
    pollfd ready = {descriptor, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(left.count())) != 1) continue;
    char chunk[4096];
    const ssize_t got = read(descriptor, chunk, sizeof chunk);
    if (got <= 0) return false;
    collected.append(chunk, static_cast<std::size_t>(got));
  }
  return true;
}

std::string TempFile(const std::string& contents) {
  char name[] = "console_driver_XXXXXX";
  const int descriptor = mkstemp(name);
  Expect(descriptor >= 0, "cannot create a temporary file");
  Expect(
      write(descriptor, contents.data(), contents.size()) == static_cast<ssize_t>(contents.size()),
      "cannot write a temporary file");
  close(descriptor);
  return name;
}

std::string ContentsOf(const std::string& name) {
  std::string contents;
  FILE* file = std::fopen(name.c_str(), "rb");
  if (file == nullptr) return contents;
  char chunk[4096];
  for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
    contents.append(chunk, got);
  }
  std::fclose(file);
  return contents;
}

// ---- The output of a run ---------------------------------------------------------

// The low bytes of UTF-16LE output that must hold ASCII only.
std::string AsciiOf(const std::string& bytes) {
  Expect(bytes.size() % 2 == 0, "the output has an odd number of bytes");
  std::string ascii;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    Expect(bytes[i + 1] == '\0' && (bytes[i] & 0x80) == 0,
           "the output is not ASCII in UTF-16LE at byte " + std::to_string(i));
    ascii.push_back(bytes[i]);
  }
  return ascii;
}

std::string RightJustified(const std::string& text, std::size_t width) {
  return std::string(width - text.size(), ' ') + text;
}

// Checks redirected output line by line: the header, a progress line of 37
// characters for every pass divisible by the interval, and the total, each line
// ended by CR LF. Returns the last progress line.
std::string CheckRunOutput(const std::string& bytes) {
  const std::string text = AsciiOf(bytes);
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  Expect(start == text.size(), "the output does not end with CR LF: " + Escaped(text));
  const std::size_t progressLines = static_cast<std::size_t>(Passes / Interval + 1);
  Expect(lines.size() == progressLines + 2,
         "the output has " + std::to_string(lines.size()) + " lines: " + Escaped(text));
  Expect(lines.front() == kHeader, "the header is " + Escaped(lines.front()));

  static const std::regex memory("^ *[0-9]{1,3}(\\.[0-9]{3})* K$");
  static const std::regex duration("^ *[0-9]+$");
  for (std::size_t k = 0; k < progressLines; ++k) {
    const std::string& line = lines[1 + k];
    const std::string pass = RightJustified(std::to_string(k * Interval), 7);
    Expect(line.size() == 37 && line.compare(0, 7, pass) == 0 && line[7] == '\t' &&
               std::regex_match(line.substr(8, 16), memory) && line[24] == '\t' &&
               std::regex_match(line.substr(25, 10), duration) && line.compare(35, 2, "ms") == 0,
           "progress line " + std::to_string(k) + " is " + Escaped(line));
    std::string digits;
    for (char c : line.substr(8, 16)) {
      if (c >= '0' && c <= '9') digits.push_back(c);
    }
    const long long kib = std::stoll(digits);
    Expect(kib > 0, "progress line " + std::to_string(k) + " shows no working set");
    if (k + 1 == progressLines && MaxWorkingSetKib > 0) {
      Expect(kib <= MaxWorkingSetKib, "the last working set is " + std::to_string(kib) + " K");
    }
  }
  static const std::regex total("^Total Time: [0-9]+ seconds$");
  Expect(std::regex_match(lines.back(), total), "the total line is " + Escaped(lines.back()));
  return lines[progressLines] + " / " + lines.back();
}

// Shown after "ok" for the cases that checked a run's output.
std::string Summary;

// ---- Redirected streams ---------------------------------------------------------

// Input and output are files: the output is the run's lines in raw UTF-16LE.
void FileCase() {
  const std::string in = TempFile(Utf16Le("first line\r\nsecond line\r\n"));
  const std::string out = TempFile("");
  const int input = open(in.c_str(), O_RDONLY | O_CLOEXEC);
  const int output = open(out.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  const pid_t child = Start(input, output, false);
  close(input);
  close(output);
  const std::optional<int> status = WaitForEnd(child, Timeout);
  const std::string written = ContentsOf(out);
  unlink(in.c_str());
  unlink(out.c_str());
  ExpectExitZero(status);
  Summary = CheckRunOutput(written);
}

// Input and output are pipes: the lines arrive before the program waits, the
// program waits for input, and one line ends the wait while the pipe stays open.
// `signals` are sent to the program while it waits.
void PipeCase(const std::vector<int>& signals = {}) {
  int in[2];
  int out[2];
  Expect(pipe2(in, O_CLOEXEC) == 0 && pipe2(out, O_CLOEXEC) == 0, "cannot create pipes");
  const pid_t child = Start(in[0], out[1], false);
  close(in[0]);
  close(out[1]);
  const std::string prompt = Utf16Le(kPrompt + "\r\n");
  std::string written;
  Collect(out[0], written, prompt, Timeout);
  const bool printed = written.find(prompt) != std::string::npos;
  for (int number : signals) kill(child, number);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const bool waited = StillRunning(child);
  const std::string line = Utf16Le("typed\n");
  Expect(write(in[1], line.data(), line.size()) == static_cast<ssize_t>(line.size()),
         "cannot write to the program");
  const std::optional<int> status = WaitForEnd(child, Timeout);
  Collect(out[0], written, "", std::chrono::milliseconds(500));
  close(in[1]);
  close(out[0]);
  Expect(printed, "before its input the program wrote " + Escaped(written));
  Expect(waited, "the program did not wait for its input");
  ExpectExitZero(status);
  Summary = CheckRunOutput(written);
}

// The pipe case with standard input made non-blocking by whoever shares it: the
// program still waits for its line.
void NonBlockingCase() {
  NonBlockingInput = true;
  PipeCase();
  NonBlockingInput = false;
}

// Started as nohup and a shell's background job start a program, with SIGHUP and
// SIGINT ignored: the signals stay ignored and the program waits on.
void NohupCase() {
  IgnoredSignals = {SIGHUP, SIGINT};
  PipeCase({SIGHUP, SIGINT});
  IgnoredSignals.clear();
}

// Input is a pipe closed without data, and output a pipe nobody reads: the end
// of input ends the wait, and the failed write ends nothing.
void ClosedCase() {
  int in[2];
  int out[2];
  Expect(pipe2(in, O_CLOEXEC) == 0 && pipe2(out, O_CLOEXEC) == 0, "cannot create pipes");
  close(in[1]);
  close(out[0]);
  const pid_t child = Start(in[0], out[1], false);
  close(in[0]);
  close(out[1]);
  ExpectExitZero(WaitForEnd(child, Timeout));
}

// ---- A pseudo-terminal ----------------------------------------------------------

struct Terminal {
  int master = -1;
  pid_t child = -1;
  std::string shown;  // everything the terminal has shown

  Terminal() {
    int slave = -1;
    Expect(openpty(&master, &slave, nullptr, nullptr, nullptr) == 0, "cannot open a terminal");
    CloseOnExec(master);
    CloseOnExec(slave);
    child = Start(slave, slave, true);
    close(slave);
  }
  ~Terminal() {
    if (master >= 0) close(master);
    if (child > 0 && StillRunning(child)) {
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
    }
  }

  void AwaitPrompt() {
    Collect(master, shown, kPrompt, Timeout);
    Expect(shown.find(kPrompt) != std::string::npos,
           "the terminal shows no prompt: " + Escaped(shown));
    // Give the program the moment it needs to reach its read.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  void Type(const std::string& keys) {
    Expect(write(master, keys.data(), keys.size()) == static_cast<ssize_t>(keys.size()),
           "cannot type on the terminal");
  }
  std::optional<int> AwaitEnd(std::chrono::milliseconds limit) {
    const std::optional<int> status = WaitForEnd(child, limit);
    child = -1;
    Collect(master, shown, "", std::chrono::milliseconds(200));
    return status;
  }
};

// The prompt shows as text (no raw UTF-16 on a terminal); a typed line, with
// characters beyond ASCII, is echoed and ends the wait. (Wine's console echoes a
// character beyond U+FFFF as two U+FFFD; the platform tests cover those natively.)
void TtyLineCase() {
  Terminal terminal;
  terminal.AwaitPrompt();
  const std::string typed =
      "Gr\xC3\xBC\xC3\x9F"
      "e, \xE4\xB8\x96\xE7\x95\x8C";
  terminal.Type(typed + "\r");
  ExpectExitZero(terminal.AwaitEnd(Timeout));
  Expect(terminal.shown.find('\0') == std::string::npos,
         "the terminal shows NUL bytes: " + Escaped(terminal.shown));
  Expect(terminal.shown.find(typed) != std::string::npos,
         "the typed line was not echoed: " + Escaped(terminal.shown));
}

// Ctrl-D on an empty line is the end of input, which ends the wait.
void TtyEofCase() {
  Terminal terminal;
  terminal.AwaitPrompt();
  terminal.Type("\x04");
  ExpectExitZero(terminal.AwaitEnd(Timeout));
}

// SIGHUP, the close of the console, ends the waiting program promptly, as the
// signal does when nobody handles it.
void TtySighupCase() {
  Terminal terminal;
  terminal.AwaitPrompt();
  kill(terminal.child, SIGHUP);
  const std::optional<int> status = terminal.AwaitEnd(std::chrono::seconds(5));
  Expect(status && WIFSIGNALED(*status) && WTERMSIG(*status) == SIGHUP,
         "after SIGHUP the program " + Describe(status));
}

// The terminal goes away under the waiting program: it ends promptly.
void TtyHangupCase() {
  Terminal terminal;
  terminal.AwaitPrompt();
  close(terminal.master);
  terminal.master = -1;
  const std::optional<int> status = WaitForEnd(terminal.child, std::chrono::seconds(5));
  terminal.child = -1;
  Expect(status.has_value(), "after the hang-up the program did not end");
}

}  // namespace

int main(int argc, char** argv) {
  const std::map<std::string, std::function<void()>> cases = {
      {"file", FileCase},           {"pipe", [] { PipeCase(); }},
      {"closed", ClosedCase},       {"nonblocking", NonBlockingCase},
      {"nohup", NohupCase},         {"tty-line", TtyLineCase},
      {"tty-eof", TtyEofCase},      {"tty-sighup", TtySighupCase},
      {"tty-hangup", TtyHangupCase}};
  std::vector<std::string> chosen;
  int at = 1;
  for (; at < argc && std::strcmp(argv[at], "--") != 0; ++at) {
    if (std::strcmp(argv[at], "--timeout") == 0 && at + 1 < argc) {
      Timeout = std::chrono::seconds(std::atoi(argv[++at]));
    } else if (std::strcmp(argv[at], "--passes") == 0 && at + 1 < argc) {
      Passes = std::atoll(argv[++at]);
    } else if (std::strcmp(argv[at], "--interval") == 0 && at + 1 < argc) {
      Interval = std::atoll(argv[++at]);
    } else if (std::strcmp(argv[at], "--max-working-set-kib") == 0 && at + 1 < argc) {
      MaxWorkingSetKib = std::atoll(argv[++at]);
    } else if (cases.count(argv[at]) != 0) {
      chosen.push_back(argv[at]);
    } else {
      std::fprintf(stderr, "console_driver: unknown case %s\n", argv[at]);
      return 2;
    }
  }
  for (++at; at < argc; ++at) Program.push_back(argv[at]);
  if (chosen.empty() || Program.empty()) {
    std::fprintf(stderr, "usage: console_driver [OPTIONS] CASE... -- PROGRAM...\n");
    return 2;
  }
  Program.push_back(nullptr);
  signal(SIGPIPE, SIG_IGN);

  int failed = 0;
  for (const std::string& name : chosen) {
    try {
      Summary.clear();
      cases.at(name)();
      std::printf("%s: ok%s%s\n", name.c_str(), Summary.empty() ? "" : ": ", Summary.c_str());
    } catch (const Failure& failure) {
      std::printf("%s: FAILED: %s\n", name.c_str(), failure.what.c_str());
      ++failed;
    }
    std::fflush(stdout);
  }
  return failed == 0 ? 0 : 1;
}
