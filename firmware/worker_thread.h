#pragma once
// CFirmwareWorkerThread: the thread of one firmware job. It is made held at its start, runs
// FWUpdateThread for its job once resumed, and keeps the exit code, which reads 259 while
// the thread still runs.

#include <atomic>
#include <boost/thread/thread.hpp>
#include <condition_variable>
#include <mutex>

struct FirmwareJob;

class CFirmwareWorkerThread {
 public:
  static constexpr int kStillActive = 259;

  CFirmwareWorkerThread() = default;
  // A thread never resumed has its job cancelled and is then let go; joins the thread.
  ~CFirmwareWorkerThread();

  CFirmwareWorkerThread(const CFirmwareWorkerThread&) = delete;
  CFirmwareWorkerThread& operator=(const CFirmwareWorkerThread&) = delete;

  // Makes the thread, held until Resume. False when no thread could be made.
  bool StartSuspended(FirmwareJob* job);
  void Resume();
  // Waits up to timeoutMs (negative: without limit) for the thread's end; true when it ended
  // (or was never started).
  bool Wait(int timeoutMs);
  // The exit code as a signed number, kStillActive while the thread runs; false when the
  // thread was never started.
  bool GetExitCode(int& code) const;

 private:
  void Main();

  FirmwareJob* m_job = nullptr;
  boost::thread m_thread;
  std::mutex m_gateLock;
  std::condition_variable m_gate;
  bool m_resumed = false;
  bool m_started = false;
  bool m_finished = false;
  std::atomic<int> m_exitCode{kStillActive};
};
