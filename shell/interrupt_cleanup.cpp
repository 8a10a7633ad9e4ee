#include "shell/interrupt_cleanup.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

// The signals to take: those the process does not ignore (a job a script started in the
// background ignores Ctrl-C, and keeps doing so).
sigset_t Signals() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current {};
    if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
    sigaddset(&set, signal);
  }
  return set;
}

}  // namespace

InterruptCleanup::InterruptCleanup(std::function<void()> cleanup)
    : cleanup_(std::move(cleanup)), signals_(Signals()) {
  pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
  watcher_ = std::thread([this] { Watch(); });
}

InterruptCleanup::~InterruptCleanup() {
  stop_ = true;
  watcher_.join();
  pthread_sigmask(SIG_UNBLOCK, &signals_, nullptr);
}

// Waits in short steps, so that the destructor need not signal the thread to end it.
void InterruptCleanup::Watch() {
  const sigset_t set = signals_;
  const timespec step{0, 200 * 1000 * 1000};
  while (!stop_) {
    const int signal = sigtimedwait(&set, nullptr, &step);
    if (signal <= 0) continue;
    std::fprintf(stderr, "ravixfinder: %s: removing the temporary addresses\n", strsignal(signal));
    std::fflush(stderr);
    if (cleanup_) cleanup_();
    _exit(128 + signal);
  }
}
