#pragma once
// RecordCompletionPool: worker threads that complete records by ID, so that one slow
// camera does not hold up the others. At most one run per ID at a time; an ID scheduled
// again while it runs gets exactly one more run afterwards, however often it was
// scheduled meanwhile.
//
// The pool grows on demand: a run that finds no idle worker starts a new one, up to
// maxWorkers. A worker that finds nothing to do for idleTimeout ends, so a quiet pool
// holds no threads. Workers run on small stacks (stackBytes), so that a few hundred
// cameras waiting for their HTTP timeout cost little memory.

#include <boost/thread/thread.hpp>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

class RecordCompletionPool {
 public:
  using Work = std::function<void(uint32_t id)>;

  struct Limits {
    std::size_t maxWorkers = 8;
    std::chrono::milliseconds idleTimeout{2000};
    std::size_t stackBytes = 256 * 1024;
  };

  RecordCompletionPool(std::size_t maxWorkers, Work work);
  RecordCompletionPool(Limits limits, Work work);
  ~RecordCompletionPool();
  RecordCompletionPool(const RecordCompletionPool&) = delete;
  RecordCompletionPool& operator=(const RecordCompletionPool&) = delete;

  // Queues a run for id (a worker starts when none is idle). Ignored while stopped.
  void Schedule(uint32_t id);
  // Drops queued runs, waits for running ones to end and joins the threads. Schedule
  // works again afterwards.
  void Stop();
  // Runs queued or running.
  std::size_t Pending() const;
  // Waits until nothing is queued or running (tests and the command line).
  void WaitIdle();
  // Workers alive now, and the most that were alive at once since construction.
  std::size_t Workers() const;
  std::size_t PeakWorkers() const;

 private:
  enum class State { Queued, Running, RunningAgain };
  using ThreadList = std::vector<std::unique_ptr<boost::thread>>;
  // Under mutex_: starts a worker when the queue outnumbers the workers not busy.
  void GrowIfNeeded();
  void WorkerLoop(uint64_t key);
  // Under mutex_: hands over the threads of workers that ended (to join without the lock).
  ThreadList TakeEnded();

  const Limits limits_;
  const Work work_;
  std::mutex stopMutex_;  // one Stop at a time: a second caller waits for the first
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<uint32_t> queue_;
  std::unordered_map<uint32_t, State> states_;
  std::map<uint64_t, std::unique_ptr<boost::thread>> workers_;
  ThreadList ended_;
  uint64_t nextKey_ = 0;
  std::size_t busyWorkers_ = 0;
  std::size_t peakWorkers_ = 0;
  bool stopping_ = false;
};
