#include "tools/camsim/connection_threads.h"

#include <system_error>

namespace camsim {

void ConnectionThreads::enqueue(std::function<void()> fn) {
  std::lock_guard<std::mutex> lock(mutex_);
  JoinFinished();
  auto done = std::make_shared<std::atomic<bool>>(false);
  try {
    workers_.push_back({std::thread([fn, done] {
                          fn();
                          done->store(true);
                        }),
                        done});
  } catch (const std::system_error&) {
    fn();  // no thread to be had: serve the connection on the listener's thread
  }
}

void ConnectionThreads::shutdown() {
  std::list<Worker> workers;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    workers.swap(workers_);
  }
  for (Worker& w : workers) {
    if (w.thread.joinable()) w.thread.join();
  }
}

void ConnectionThreads::JoinFinished() {
  for (auto it = workers_.begin(); it != workers_.end();) {
    if (!it->done->load()) {
      ++it;
      continue;
    }
    it->thread.join();
    it = workers_.erase(it);
  }
}

}  // namespace camsim
