#pragma once
// Publishes the simulated devices over multicast DNS with one embedded avahi-core server
// for the whole process: per device one entry group holding its host name's address
// record (host + ".local") and its "_http._tcp" service with the TXT record. Withdrawing
// a device frees its group, which sends the goodbye packets.

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "tools/camsim/camera_config.h"

struct AvahiServer;
struct AvahiSEntryGroup;
struct AvahiTimeout;
struct AvahiThreadedPoll;

namespace camsim {

struct ServiceAnnouncement {
  std::string name;     // service instance name
  std::string host;     // host name without ".local"
  std::string address;  // IPv4 address of the host name
  uint16_t port = 0;
  TxtRecord txt;
};

class MdnsPublisher {
 public:
  MdnsPublisher() = default;
  ~MdnsPublisher();
  MdnsPublisher(const MdnsPublisher&) = delete;
  MdnsPublisher& operator=(const MdnsPublisher&) = delete;

  bool Start(std::string& error);
  void Stop();

  // Returns the id of the announcement; it goes out as soon as the server runs.
  int Publish(const ServiceAnnouncement& announcement);
  bool UpdateTxt(int id, const TxtRecord& txt, std::string& error);
  void Withdraw(int id);
  // Waits until the announcement is established (probing done); false with error on a
  // failure, a name collision or the timeout.
  bool WaitEstablished(int id, int timeoutMs, std::string& error);

 private:
  enum class State { Pending, Registering, Established, Failed };
  struct Entry {
    MdnsPublisher* owner = nullptr;
    ServiceAnnouncement announcement;
    AvahiSEntryGroup* group = nullptr;
    State state = State::Pending;
    std::string error;
    AvahiTimeout* retry = nullptr;  // publishing again after a collision
    int collisions = 0;
  };

  static void OnServerState(AvahiServer* server, int state, void* self);
  static void OnGroupState(AvahiServer* server, AvahiSEntryGroup* group, int state, void* entry);
  static void OnRetry(AvahiTimeout* timeout, void* entry);
  void ScheduleRetry(Entry& entry);  // poll thread
  void Register(Entry& entry);  // poll thread or with the poll lock held
  void SetState(Entry& entry, State state, const std::string& error);

  AvahiThreadedPoll* poll_ = nullptr;
  AvahiServer* server_ = nullptr;
  bool running_ = false;  // server in the running state; guarded by the poll lock

  std::mutex mutex_;  // guards entry states for the waiters
  std::condition_variable changed_;
  std::map<int, std::unique_ptr<Entry>> entries_;  // changed under the poll lock
  int nextId_ = 1;
};

}  // namespace camsim
