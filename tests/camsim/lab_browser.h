#pragma once
// A small mDNS browser for the lab tests: an avahi-core server of its own (publishing
// nothing) that browses "_http._tcp" in "local." and keeps every found service resolved.

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>

struct AvahiServer;
struct AvahiThreadedPoll;
struct AvahiSServiceBrowser;

struct BrowsedService {
  std::string host;
  std::string address;
  uint16_t port = 0;
  std::map<std::string, std::string> txt;
  bool resolved = false;
  bool removed = false;  // the browser saw it go (goodbye or expiry)
};

class LabBrowser {
 public:
  LabBrowser() = default;
  ~LabBrowser();
  LabBrowser(const LabBrowser&) = delete;
  LabBrowser& operator=(const LabBrowser&) = delete;

  bool Start(std::string& error);
  // Waits until pred holds for the services seen so far (copied under the lock).
  bool WaitFor(const std::function<bool(const std::map<std::string, BrowsedService>&)>& pred, int timeoutMs);
  std::map<std::string, BrowsedService> Services();

  // Called from the avahi callbacks.
  void Found(const std::string& name);
  void Removed(const std::string& name);
  void Resolved(const std::string& name, const BrowsedService& service);

  AvahiServer* server = nullptr;

 private:
  AvahiThreadedPoll* poll_ = nullptr;
  AvahiSServiceBrowser* browser_ = nullptr;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::string, BrowsedService> services_;
};
