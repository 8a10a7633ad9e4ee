#include "shell/interrupt_cleanup.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

namespace {

// SIGUSR2 only ends the waiting thread at a normal end.
sigset_t WaitedSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (const int s : {SIGINT, SIGTERM, SIGHUP, SIGUSR2}) sigaddset(&set, s);
  return set;
}

}  // namespace

InterruptCleanup::InterruptCleanup(std::function<void()> cleanup) : cleanup_(std::move(cleanup)) {
  const sigset_t set = WaitedSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  waiter_ = std::thread([this, set] {
    int signal = 0;
    if (sigwait(&set, &signal) != 0 || signal == SIGUSR2) return;
    if (cleanup_) cleanup_();
    _exit(128 + signal);
  });
}

InterruptCleanup::~InterruptCleanup() {
  if (!waiter_.joinable()) return;
  pthread_kill(waiter_.native_handle(), SIGUSR2);
  waiter_.join();
}
