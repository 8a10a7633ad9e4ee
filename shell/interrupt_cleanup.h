#pragma once
// InterruptCleanup: while a command-line mode runs, Ctrl-C (SIGINT), SIGTERM and SIGHUP
// no longer end the process on the spot: a watcher thread runs the cleanup (the temporary
// addresses go) and then ends the process with 128 + the signal's number, as a shell
// expects. Make it first, before any other thread starts, so that every thread inherits
// the blocked signals and only the watcher takes them.

#include <signal.h>

#include <atomic>
#include <functional>
#include <thread>

class InterruptCleanup {
 public:
  explicit InterruptCleanup(std::function<void()> cleanup);
  // The watcher ends and the signals are unblocked again.
  ~InterruptCleanup();
  InterruptCleanup(const InterruptCleanup&) = delete;
  InterruptCleanup& operator=(const InterruptCleanup&) = delete;

 private:
  void Watch();

  std::function<void()> cleanup_;
  const sigset_t signals_;
  std::atomic<bool> stop_{false};
  std::thread watcher_;
};
