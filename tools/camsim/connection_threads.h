#pragma once
// Runs every HTTP connection of a camera on a thread of its own, so that a connection a
// fault keeps waiting never holds up the others. shutdown() joins them all.

#include <httplib.h>

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace camsim {

class ConnectionThreads : public httplib::TaskQueue {
 public:
  ConnectionThreads() = default;
  ~ConnectionThreads() override { shutdown(); }
  ConnectionThreads(const ConnectionThreads&) = delete;
  ConnectionThreads& operator=(const ConnectionThreads&) = delete;

  void enqueue(std::function<void()> fn) override;
  void shutdown() override;

 private:
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  void JoinFinished();

  std::mutex mutex_;
  std::list<Worker> workers_;
};

}  // namespace camsim
