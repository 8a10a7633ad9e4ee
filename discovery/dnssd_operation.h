#pragma once
// The shared part of every DNS-SD operation: replies produced by a backend's own threads
// wait in a queue, an eventfd is readable while the queue is not empty, and
// DNSServiceProcessResult hands one reply to the operation's callback on the caller's
// thread. Backends derive from it and free their own lookup objects in their destructor
// (after which no reply is pushed any more).

#include <cstdint>
#include <list>
#include <mutex>
#include <string>

#include "discovery/dnssd.h"

struct DnssdReply {
  DNSServiceFlags flags = 0;
  uint32_t interfaceIndex = 0;
  DNSServiceErrorType error = 0;
  // Browse: service name, type and domain. Resolve: full name, host target, unused.
  std::string first;
  std::string second;
  std::string third;
  uint16_t portNetworkOrder = 0;
  std::string txt;  // raw length-prefixed TXT bytes
  uint32_t address = 0;  // resolve by unicast DNS: the SRV target's address (network order)
};

struct _DNSServiceRef_t {
  _DNSServiceRef_t(DNSServiceBrowseReply callback, void* context);
  _DNSServiceRef_t(DNSServiceResolveReply callback, void* context);
  virtual ~_DNSServiceRef_t();
  _DNSServiceRef_t(const _DNSServiceRef_t&) = delete;
  _DNSServiceRef_t& operator=(const _DNSServiceRef_t&) = delete;

  bool Valid() const { return eventFd_ >= 0; }
  int SockFD() const { return eventFd_; }
  bool IsBrowse() const { return browseCallback_ != nullptr; }

  void PushBrowse(DNSServiceFlags flags, uint32_t interfaceIndex, DNSServiceErrorType error, std::string name,
                  std::string type, std::string domain);
  void PushResolve(uint32_t interfaceIndex, DNSServiceErrorType error, std::string fullName, std::string hostTarget,
                   uint16_t portNetworkOrder, std::string txt, uint32_t address = 0);
  // The responder went away: the descriptor stays readable and ProcessResult fails.
  void MarkLost();

  DNSServiceErrorType ProcessResult();

 private:
  void Push(DnssdReply reply);
  void Signal();
  void Drain();

  DNSServiceBrowseReply browseCallback_ = nullptr;
  DNSServiceResolveReply resolveCallback_ = nullptr;
  void* context_ = nullptr;
  int eventFd_ = -1;
  std::mutex mutex_;
  // A list, not a deque: the many resolves that wait with nothing queued then hold no
  // buffer (a deque keeps a block of about 500 bytes each).
  std::list<DnssdReply> replies_;
  bool lost_ = false;
};
