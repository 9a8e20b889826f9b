// Console control events on Linux are signals: SIGHUP (the terminal closed),
// SIGINT (Ctrl-C), SIGQUIT (Ctrl-\, the break key) and SIGTERM (shutdown). Every
// thread blocks them; one control thread takes them with sigwait and calls the
// handler there, as Windows calls its handlers on a thread of its own. A signal
// that the process was started with ignored (nohup, a background job) is left
// alone and stays ignored, as a Windows process keeps an inherited "ignore Ctrl-C".
#include <pthread.h>
#include <signal.h>

#include <atomic>

#include "runtime/platform/platform.h"
#include "runtime/platform/posix/terminal.h"

namespace platform {

namespace {

struct ControlSignal {
  int number;
  std::uint32_t event;
};

constexpr ControlSignal kControlSignals[] = {
    {SIGINT, ControlCEvent},
    {SIGQUIT, ControlBreakEvent},
    {SIGHUP, ControlCloseEvent},
    {SIGTERM, ControlShutdownEvent},
};

std::atomic<ControlHandler> RegisteredHandler;
// The signals the control thread takes; fixed before the thread starts.
sigset_t TakenSignals;

// The control signals that are not ignored now, at registration.
sigset_t SignalsNotIgnored() {
  sigset_t set;
  sigemptyset(&set);
  for (const ControlSignal& control : kControlSignals) {
    struct sigaction current = {};
    if (sigaction(control.number, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) {
      continue;
    }
    sigaddset(&set, control.number);
  }
  return set;
}

// Ends the process the way the signal ends it when nobody handles it.
void EndByDefaultAction(int number) {
  RestoreTerminalModes();
  struct sigaction action = {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(number, &action, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, number);
  // The signal is blocked on this thread too; raised and then let through, it
  // takes its default action here and ends the whole process.
  raise(number);
  pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
}

void* ControlThread(void*) {
  for (;;) {
    int number = 0;
    if (sigwait(&TakenSignals, &number) != 0) continue;
    for (const ControlSignal& control : kControlSignals) {
      if (control.number != number) continue;
      if (RegisteredHandler.load()(control.event) == 0) EndByDefaultAction(number);
    }
  }
  return nullptr;
}

}  // namespace

void RegisterControlHandler(ControlHandler handler) {
  const bool first = RegisteredHandler.exchange(handler) == nullptr;
  if (!first) return;
  // Blocked here, on the thread that starts the runtime and before it starts any
  // other, the signals stay blocked on every thread created later; only the
  // control thread takes them.
  TakenSignals = SignalsNotIgnored();
  pthread_sigmask(SIG_BLOCK, &TakenSignals, nullptr);
  pthread_t thread;
  if (pthread_create(&thread, nullptr, ControlThread, nullptr) == 0) {
    pthread_detach(thread);
  } else {
    // Without a thread to take them, the signals keep their default actions.
    pthread_sigmask(SIG_UNBLOCK, &TakenSignals, nullptr);
  }
}

}  // namespace platform
