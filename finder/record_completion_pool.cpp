#include "finder/record_completion_pool.h"

#include "platform/name_thread.h"

RecordCompletionPool::RecordCompletionPool(std::size_t workers, Work work)
    : workerCount_(workers == 0 ? 1 : workers), work_(std::move(work)) {}

RecordCompletionPool::~RecordCompletionPool() { Stop(); }

void RecordCompletionPool::Schedule(uint32_t id) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopping_) return;
  if (threads_.empty()) StartThreads();
  const auto it = states_.find(id);
  if (it == states_.end()) {
    states_.emplace(id, State::Queued);
    queue_.push_back(id);
    wake_.notify_one();
    return;
  }
  if (it->second == State::Running) it->second = State::RunningAgain;
}

void RecordCompletionPool::StartThreads() {
  for (std::size_t i = 0; i < workerCount_; ++i)
    threads_.push_back(std::make_unique<boost::thread>([this] { WorkerLoop(); }));
}

void RecordCompletionPool::WorkerLoop() {
  NameThread("RavixCompletion");
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    const uint32_t id = queue_.front();
    queue_.pop_front();
    states_[id] = State::Running;
    lock.unlock();
    work_(id);
    lock.lock();
    auto it = states_.find(id);
    if (it != states_.end() && it->second == State::RunningAgain && !stopping_) {
      it->second = State::Queued;
      queue_.push_back(id);
      wake_.notify_one();
    } else if (it != states_.end()) {
      states_.erase(it);
    }
    if (states_.empty()) idle_.notify_all();
  }
}

void RecordCompletionPool::Stop() {
  std::lock_guard<std::mutex> stopLock(stopMutex_);
  std::vector<std::unique_ptr<boost::thread>> threads;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    for (uint32_t id : queue_) states_.erase(id);
    queue_.clear();
    threads.swap(threads_);
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
