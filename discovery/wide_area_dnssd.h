#pragma once
// DNS-SD over unicast DNS (RFC 6763) for the browse domains other than local., served
// the same way whichever responder does the multicast part (the embedded one or
// avahi-daemon, whose own wide-area lookups are not used). The PTR, SRV, TXT and A
// lookups go through c-ares, which takes an answer only from the server it asked (its
// UDP sockets are connected), under the query's random ID and when the answer repeats
// the question. Of an answer only the records owned by the name asked and of the type
// asked count: a server's extra records (another service, an address for the host in
// the additional section) are never believed. A resolve reply carries the address DNS
// gave for the SRV target (DNSServiceReplyAddress), which is where the camera is
// contacted; the addresses its TXT record names are only its word.

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "discovery/dnssd.h"

namespace ravix::widearea {

// What one DNS answer says about the name asked (exposed for tests and the fuzz target).
// Names are presentation text ("far01._http._tcp.cameras.test."); owners are compared
// without regard to case.
// The instance names (first label, unescaped) of the PTR records owned by service
// ("_http._tcp.cameras.test.") that point to a single label below it.
std::vector<std::string> BrowseInstances(const unsigned char* message, std::size_t length, const std::string& service);
// The first SRV record owned by instance: port and target (with a final dot).
bool ServiceLocation(const unsigned char* message, std::size_t length, const std::string& instance, uint16_t& port,
                     std::string& target);
// The rdata of the first TXT record owned by instance.
bool ServiceText(const unsigned char* message, std::size_t length, const std::string& instance, std::string& txt);
// The first A record owned by host (network byte order).
bool HostAddress(const unsigned char* message, std::size_t length, const std::string& host, uint32_t& address);

}  // namespace ravix::widearea

class WideAreaDnssd : public DnssdBackend {
 public:
  struct Timing {
    std::chrono::milliseconds Refresh{15000};  // how often a browse or resolve asks again
    int QueryTimeoutMs = 1500;                  // one try at one server
    int Tries = 2;
  };

  // servers: IPv4 addresses as text, optionally with ":port".
  explicit WideAreaDnssd(std::vector<std::string> servers);
  WideAreaDnssd(std::vector<std::string> servers, Timing timing);
  ~WideAreaDnssd() override;
  WideAreaDnssd(const WideAreaDnssd&) = delete;
  WideAreaDnssd& operator=(const WideAreaDnssd&) = delete;

  // Sets c-ares up and starts the lookup thread; false with a reason when c-ares cannot
  // be set up or none of the servers is usable.
  bool Start(std::string& error);

  // Only for domains other than local.; interfaceIndex is ignored (replies carry 0).
  DNSServiceErrorType Browse(DNSServiceRef* sdRef, DNSServiceFlags flags, uint32_t interfaceIndex,
                             const char* regtype, const char* domain, DNSServiceBrowseReply callBack,
                             void* context) override;
  DNSServiceErrorType Resolve(DNSServiceRef* sdRef, DNSServiceFlags flags, uint32_t interfaceIndex, const char* name,
                              const char* regtype, const char* domain, DNSServiceResolveReply callBack,
                              void* context) override;

  // Called by an operation's destructor: no reply is pushed to it afterwards.
  void Detach(uint64_t job);

  struct Job;
  struct Lookup;

 private:
  DNSServiceErrorType Attach(std::unique_ptr<Job> job, DNSServiceRef* sdRef);
  void Run();
  void StartDueRounds();
  void IssueLookups();
  std::chrono::steady_clock::time_point NextDue();
  static void LookupDone(void* arg, int status, int timeouts, unsigned char* answer, int length);
  void OnAnswer(const Lookup& lookup, int status, const unsigned char* answer, std::size_t length);
  void OnBrowseAnswer(Job& job, int status, const unsigned char* answer, std::size_t length);
  void OnResolveAnswer(Job& job, const Lookup& lookup, int status, const unsigned char* answer, std::size_t length);
  void EndResolveRound(Job& job);
  void Queue(Job& job, int type, const std::string& name);

  std::vector<std::string> servers_;
  Timing timing_;
  struct Channel;
  std::unique_ptr<Channel> channel_;
  std::thread thread_;
  int wakeFd_ = -1;
  std::mutex mutex_;  // jobs_, stop_
  bool stop_ = false;
  uint64_t nextJob_ = 0;
  std::map<uint64_t, std::unique_ptr<Job>> jobs_;
  std::vector<std::unique_ptr<Lookup>> pending_;  // lookups to start (lookup thread)
};
