#include "finder/record_completion_pool.h"

#include "platform/debug_trace.h"
#include "platform/name_thread.h"

namespace {
RecordCompletionPool::Limits Normalised(RecordCompletionPool::Limits limits) {
  if (limits.maxWorkers == 0) limits.maxWorkers = 1;
  return limits;
}
}  // namespace

RecordCompletionPool::RecordCompletionPool(std::size_t maxWorkers, Work work)
    : RecordCompletionPool(Limits{maxWorkers}, std::move(work)) {}

RecordCompletionPool::RecordCompletionPool(Limits limits, Work work)
    : limits_(Normalised(limits)), work_(std::move(work)) {}

RecordCompletionPool::~RecordCompletionPool() { Stop(); }

void RecordCompletionPool::Schedule(uint32_t id) {
  ThreadList ended;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return;
    ended = TakeEnded();
    const auto it = states_.find(id);
    if (it == states_.end()) {
      states_.emplace(id, State::Queued);
      queue_.push_back(id);
      GrowIfNeeded();
      wake_.notify_one();
    } else if (it->second == State::Running) {
      it->second = State::RunningAgain;
    }
  }
  for (auto& thread : ended) thread->join();  // they have left their loop: a short wait
}

void RecordCompletionPool::GrowIfNeeded() {
  const std::size_t available = workers_.size() - busyWorkers_;
  if (queue_.size() <= available || workers_.size() >= limits_.maxWorkers) return;
  const uint64_t key = nextKey_++;
  boost::thread::attributes attributes;
  attributes.set_stack_size(limits_.stackBytes);
  try {
    workers_.emplace(key, std::make_unique<boost::thread>(attributes, [this, key] { WorkerLoop(key); }));
  } catch (const boost::thread_resource_error& e) {
    DebugTrace("RecordCompletionPool: no new worker (%s), %zu keep working", e.what(), workers_.size());
    return;
  }
  if (workers_.size() > peakWorkers_) peakWorkers_ = workers_.size();
}

RecordCompletionPool::ThreadList RecordCompletionPool::TakeEnded() {
  ThreadList ended;
  ended.swap(ended_);
  return ended;
}

void RecordCompletionPool::WorkerLoop(uint64_t key) {
  NameThread("RavixCompletion");
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    const bool woken = wake_.wait_for(lock, limits_.idleTimeout, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;  // Stop joins this thread
    if (!woken) {
      // Idle for long enough: leave, and let the next Schedule or Stop join this thread.
      const auto self = workers_.find(key);
      if (self == workers_.end()) return;
      ended_.push_back(std::move(self->second));
      workers_.erase(self);
      return;
    }
    const uint32_t id = queue_.front();
    queue_.pop_front();
    states_[id] = State::Running;
    ++busyWorkers_;
    lock.unlock();
    work_(id);
    lock.lock();
    --busyWorkers_;
    auto it = states_.find(id);
    if (it != states_.end() && it->second == State::RunningAgain && !stopping_) {
      it->second = State::Queued;
      queue_.push_back(id);  // this worker takes it next unless another idle one does
    } else if (it != states_.end()) {
      states_.erase(it);
    }
    if (states_.empty()) idle_.notify_all();
  }
}

void RecordCompletionPool::Stop() {
  std::lock_guard<std::mutex> stopLock(stopMutex_);
  ThreadList threads;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    for (uint32_t id : queue_) states_.erase(id);
    queue_.clear();
    threads = TakeEnded();
    for (auto& [key, thread] : workers_) threads.push_back(std::move(thread));
    workers_.clear();
  }
  wake_.notify_all();
  for (auto& thread : threads) thread->join();
  std::lock_guard<std::mutex> lock(mutex_);
  states_.clear();
  stopping_ = false;
  idle_.notify_all();
}

std::size_t RecordCompletionPool::Pending() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return states_.size();
}

void RecordCompletionPool::WaitIdle() {
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return states_.empty(); });
}

std::size_t RecordCompletionPool::Workers() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return workers_.size();
}

std::size_t RecordCompletionPool::PeakWorkers() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return peakWorkers_;
}
