#pragma once
// A CmDNS that logs what it reports, for tests; Wait blocks until a condition on the log
// holds (false after a generous deadline, so a fault fails instead of hanging).

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <boost/thread/lock_guard.hpp>

#include "discovery/mdns.h"

class RecordingEngine : public CmDNS {
 public:
  struct Event {
    char kind;  // 'a' add, 'r' remove, 'c' changed, 'q' queries running state
    uint32_t id;
    bool flag;  // more-coming, or the running state
    std::string name;
  };

  ~RecordingEngine() override { Close(); }

  bool OnAdd(const CBrowseRecord& record, bool moreComing) override {
    Log({'a', record.ID, moreComing, record.ServiceName});
    return CmDNS::OnAdd(record, moreComing);
  }
  bool OnRemove(CBrowseRecord& record, bool moreComing) override {
    Log({'r', record.ID, moreComing, record.ServiceName});
    return CmDNS::OnRemove(record, moreComing);
  }
  bool OnRecordChanged(CBrowseRecord& record, bool moreComing) override {
    Log({'c', record.ID, moreComing, record.ServiceName});
    return true;
  }
  void OnQueriesRunningStateChanged(bool running) override { Log({'q', 0, running, ""}); }

  std::vector<Event> Events() {
    std::lock_guard lock(mutex_);
    return events_;
  }
  size_t Count(char kind) {
    size_t n = 0;
    for (const Event& e : Events()) n += e.kind == kind;
    return n;
  }
  void ClearEvents() {
    std::lock_guard lock(mutex_);
    events_.clear();
  }

  static bool Wait(const std::function<bool()>& done, std::chrono::seconds deadline = std::chrono::seconds(20)) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }
  bool WaitCount(char kind, size_t n, std::chrono::seconds deadline = std::chrono::seconds(20)) {
    return Wait([&] { return Count(kind) >= n; }, deadline);
  }

  // True once the events thread has returned (it is joined by Close only).
  bool EventsThreadEnded() {
    boost::lock_guard lock(RecordLock);
    return EventsThread && EventsThread->try_join_for(boost::chrono::milliseconds(0));
  }

  size_t RecordCount() {
    std::vector<uint32_t> ids;
    return GetRecordIDs(ids);
  }

 private:
  void Log(Event e) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(e));
  }

  std::mutex mutex_;
  std::vector<Event> events_;
};
