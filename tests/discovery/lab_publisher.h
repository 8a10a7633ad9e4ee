#pragma once
// Publishes "_http._tcp" services from a camera namespace of the network lab with an
// avahi-core server of its own (the server's thread lives in that namespace), for tests
// of the DNS-SD layer and the engine.

#include <atomic>
#include <future>
#include <map>
#include <string>
#include <vector>

struct AvahiServer;
struct AvahiThreadedPoll;
struct AvahiSEntryGroup;
struct AvahiSRecordBrowser;

// Server state callback of the publisher (userdata: the LabPublisher).
void LabServerState(AvahiServer* server, int state, void* userdata);

class LabPublisher {
 public:
  // namespacePath: /run/netns/<camera namespace>; hostName without ".local".
  LabPublisher(const std::string& namespacePath, const std::string& hostName);
  ~LabPublisher();
  LabPublisher(const LabPublisher&) = delete;
  LabPublisher& operator=(const LabPublisher&) = delete;

  bool Ok() const { return server_ != nullptr; }
  std::string HostName() const { return hostName_; }

  // TXT entries in the order given ("key=value" or any bytes).
  bool Publish(const std::string& name, uint16_t port, const std::vector<std::string>& txt);
  bool UpdateTxt(const std::string& name, const std::vector<std::string>& txt);
  void Withdraw(const std::string& name);
  // Waits until every published service has finished probing and is announced.
  bool WaitEstablished(int seconds);

  // Follows the IPv4 address records of another host ("name.local") as this side's cache
  // sees them: answered, announced, withdrawn by goodbye or expired.
  bool WatchHost(const std::string& fqdn);
  int HostAddresses() const { return hostAddresses_; }  // cached now
  int HostAppearances() const { return hostAppearances_; }  // added so far

 private:
  struct Service {
    AvahiSEntryGroup* group = nullptr;
    uint16_t port = 0;
  };
  void Run(const std::string& namespacePath);

  std::string hostName_;
  AvahiThreadedPoll* poll_ = nullptr;
  AvahiServer* server_ = nullptr;
  std::map<std::string, Service> services_;
  AvahiSRecordBrowser* hostWatch_ = nullptr;
  std::atomic<int> hostAddresses_{0};
  std::atomic<int> hostAppearances_{0};
  std::promise<void> running_;
  std::atomic<bool> runningSeen_{false};

  friend void LabServerState(AvahiServer*, int, void*);
  friend void LabHostEvent(LabPublisher*, bool added);
};

// Camera namespace path of lab link i, empty outside a lab.
std::string LabCameraNamespace(int link = 0);
// Kernel index of the pc side of lab link i, 0 outside a lab.
unsigned LabPcInterfaceIndex(int link = 0);
