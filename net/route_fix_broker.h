#pragma once
// Route fixes through the network helper for a finder without CAP_NET_ADMIN. Requests
// from the completion threads are gathered for a moment and sent as one helper run, so
// that one authorisation covers a Refresh; requests that come while a run waits for the
// user go into the next run, which polkit's kept authorisation covers (callers ask only
// when the route table shows the route is not right yet). When the user declines or no authorisation can be had, the
// broker says why once (notice) and from then on answers false at once: nothing asks
// again in a loop, and the finder works on as without route fixes.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/network_helper.h"

namespace ravix {

class RouteFixBroker {
 public:
  using Notice = std::function<void(const std::string&)>;
  // gatherMs: how long the first request of a run waits for others.
  RouteFixBroker(HelperRunner runner, Notice notice, int gatherMs = 300);
  ~RouteFixBroker();
  RouteFixBroker(const RouteFixBroker&) = delete;
  RouteFixBroker& operator=(const RouteFixBroker&) = delete;

  // Asks for the route fix of adapter's subnet net/prefix and waits for the run that
  // carries it. False when it was refused, declined, not possible or the broker stopped.
  bool Fix(const std::string& adapter, uint32_t net, unsigned prefix);
  // Ends a run in progress and answers every waiting and later request with false.
  void Stop();
  // Whether route fixes are given up (declined or not possible); the first reason stays.
  bool GivenUp() const;
  int Runs() const { return runs_.load(); }

 private:
  struct Request {
    std::string Key;  // "adapter a.b.c.d/n"
    std::string Adapter, Subnet;
    bool Done = false, Ok = false;
  };
  void Work();
  void RunBatch(std::vector<std::shared_ptr<Request>> batch);

  HelperRunner runner_;
  Notice notice_;
  const int gatherMs_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<std::shared_ptr<Request>> pending_;
  bool givenUp_ = false;
  std::atomic<bool> stop_{false};
  std::atomic<int> runs_{0};
  std::thread worker_;
};

}  // namespace ravix
