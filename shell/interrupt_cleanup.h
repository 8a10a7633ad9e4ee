#pragma once
// Ctrl-C, SIGTERM and SIGHUP during a command-line mode: instead of dying at once, the
// program runs one cleanup (the temporary addresses go again) and then exits with
// 128 + the signal number. Construct it before any other thread starts: the signals are
// blocked in this thread and so in every thread made later, and one thread of its own
// waits for them. Programs started later get the usual signal mask back
// (network_helper.cpp).

#include <functional>
#include <thread>

class InterruptCleanup {
 public:
  explicit InterruptCleanup(std::function<void()> cleanup);
  ~InterruptCleanup();  // the waiting thread ends; the signal mask stays as it is
  InterruptCleanup(const InterruptCleanup&) = delete;
  InterruptCleanup& operator=(const InterruptCleanup&) = delete;

 private:
  std::function<void()> cleanup_;
  std::thread waiter_;
};
