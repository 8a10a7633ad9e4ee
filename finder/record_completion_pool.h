#pragma once
// RecordCompletionPool: a few worker threads that complete records by ID, so that one
// slow camera does not hold up the others. At most one run per ID at a time; an ID
// scheduled again while it runs gets exactly one more run afterwards, however often it
// was scheduled meanwhile.

#include <boost/thread/thread.hpp>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

class RecordCompletionPool {
 public:
  using Work = std::function<void(uint32_t id)>;

  RecordCompletionPool(std::size_t workers, Work work);
  ~RecordCompletionPool();
  RecordCompletionPool(const RecordCompletionPool&) = delete;
  RecordCompletionPool& operator=(const RecordCompletionPool&) = delete;

  // Queues a run for id (threads start on first use). Ignored while stopped.
  void Schedule(uint32_t id);
  // Drops queued runs, waits for running ones to end and joins the threads. Schedule
  // works again afterwards.
  void Stop();
  // Runs queued or running.
  std::size_t Pending() const;
  // Waits until nothing is queued or running (tests and the command line).
  void WaitIdle();

 private:
  enum class State { Queued, Running, RunningAgain };
  void StartThreads();
  void WorkerLoop();

  const std::size_t workerCount_;
  const Work work_;
  std::mutex stopMutex_;  // one Stop at a time: a second caller waits for the first
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<uint32_t> queue_;
  std::unordered_map<uint32_t, State> states_;
  std::vector<std::unique_ptr<boost::thread>> threads_;
  bool stopping_ = false;
};
