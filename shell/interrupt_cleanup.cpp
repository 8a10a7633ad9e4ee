#include "shell/interrupt_cleanup.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

sigset_t Signals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

InterruptCleanup::InterruptCleanup(std::function<void()> cleanup) : cleanup_(std::move(cleanup)) {
  const sigset_t set = Signals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  watcher_ = std::thread([this] { Watch(); });
}

InterruptCleanup::~InterruptCleanup() {
  stop_ = true;
  watcher_.join();
  const sigset_t set = Signals();
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

// Waits in short steps, so that the destructor need not signal the thread to end it.
void InterruptCleanup::Watch() {
  const sigset_t set = Signals();
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
