#include "discovery/dnssd_operation.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <limits>
#include <cctype>
#include <string>
#include <utility>

namespace {
// The address of the resolve reply being delivered on this thread.
thread_local uint32_t replyAddress = 0;
}  // namespace

_DNSServiceRef_t::_DNSServiceRef_t(DNSServiceBrowseReply callback, void* context)
    : browseCallback_(callback), context_(context), eventFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

_DNSServiceRef_t::_DNSServiceRef_t(DNSServiceResolveReply callback, void* context)
    : resolveCallback_(callback), context_(context), eventFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

_DNSServiceRef_t::~_DNSServiceRef_t() {
  if (eventFd_ >= 0) close(eventFd_);
}

void _DNSServiceRef_t::PushBrowse(DNSServiceFlags flags, uint32_t interfaceIndex, DNSServiceErrorType error,
                                  std::string name, std::string type, std::string domain) {
  DnssdReply reply;
  reply.flags = flags;
  reply.interfaceIndex = interfaceIndex;
  reply.error = error;
  reply.first = std::move(name);
  reply.second = std::move(type);
  reply.third = std::move(domain);
  Push(std::move(reply));
}

void _DNSServiceRef_t::PushResolve(uint32_t interfaceIndex, DNSServiceErrorType error, std::string fullName,
                                   std::string hostTarget, uint16_t portNetworkOrder, std::string txt,
                                   uint32_t address) {
  DnssdReply reply;
  reply.address = address;
  reply.interfaceIndex = interfaceIndex;
  reply.error = error;
  reply.first = std::move(fullName);
  reply.second = std::move(hostTarget);
  reply.portNetworkOrder = portNetworkOrder;
  if (txt.size() > std::numeric_limits<uint16_t>::max()) txt.resize(std::numeric_limits<uint16_t>::max());
  reply.txt = std::move(txt);
  Push(std::move(reply));
}

void _DNSServiceRef_t::MarkLost() {
  {
    std::lock_guard lock(mutex_);
    lost_ = true;
  }
  Signal();
}

// The descriptor is signalled after the queue's lock is released, so that a consumer never
// waits for the write; at worst it finds the descriptor readable with nothing queued.
void _DNSServiceRef_t::Push(DnssdReply reply) {
  {
    std::lock_guard lock(mutex_);
    replies_.push_back(std::move(reply));
  }
  Signal();
}

void _DNSServiceRef_t::Signal() {
  const uint64_t one = 1;
  if (eventFd_ >= 0) [[maybe_unused]] auto written = write(eventFd_, &one, sizeof one);
}

void _DNSServiceRef_t::Drain() {
  uint64_t count = 0;
  if (eventFd_ >= 0) [[maybe_unused]] auto got = read(eventFd_, &count, sizeof count);
}

DNSServiceErrorType _DNSServiceRef_t::ProcessResult() {
  DnssdReply reply;
  {
    std::lock_guard lock(mutex_);
    if (replies_.empty()) {
      if (lost_) return kDNSServiceErr_ServiceNotRunning;
      Drain();
      return 0;
    }
    reply = std::move(replies_.front());
    replies_.pop_front();
    if (replies_.empty() && !lost_) Drain();
    if (!replies_.empty()) reply.flags |= kDNSServiceFlagsMoreComing;
  }
  // The callback may deallocate this operation: nothing of it is touched afterwards.
  if (browseCallback_ != nullptr) {
    browseCallback_(this, reply.flags, reply.interfaceIndex, reply.error, reply.first.c_str(), reply.second.c_str(),
                    reply.third.c_str(), context_);
    return 0;
  }
  replyAddress = reply.address;
  resolveCallback_(this, reply.flags, reply.interfaceIndex, reply.error, reply.first.c_str(), reply.second.c_str(),
                   reply.portNetworkOrder, static_cast<uint16_t>(reply.txt.size()),
                   reinterpret_cast<const unsigned char*>(reply.txt.data()), context_);
  replyAddress = 0;
  return 0;
}

uint32_t DNSServiceReplyAddress() { return replyAddress; }

namespace {
std::atomic<DnssdBackend*> defaultBackend{nullptr};
std::atomic<DnssdBackend*> wideAreaBackend{nullptr};

bool IsLocalDomain(const char* domain) {
  if (domain == nullptr) return true;
  std::string name(domain);
  while (!name.empty() && name.back() == '.') name.pop_back();
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name.empty() || name == "local";
}

// local. goes to the responder; every other domain to the unicast DNS lookups, never to
// the responder's own wide-area engine.
DnssdBackend* BackendFor(const char* domain) {
  return IsLocalDomain(domain) ? defaultBackend.load() : wideAreaBackend.load();
}
}  // namespace

void DNSServiceSetWideAreaBackend(DnssdBackend* backend) { wideAreaBackend.store(backend); }

DnssdBackend* DNSServiceWideAreaBackend() { return wideAreaBackend.load(); }

void DNSServiceSetDefaultBackend(DnssdBackend* backend) { defaultBackend.store(backend); }

DnssdBackend* DNSServiceDefaultBackend() { return defaultBackend.load(); }

DNSServiceErrorType DNSServiceBrowse(DNSServiceRef* sdRef, DNSServiceFlags flags, uint32_t interfaceIndex,
                                     const char* regtype, const char* domain, DNSServiceBrowseReply callBack,
                                     void* context) {
  DnssdBackend* backend = BackendFor(domain);
  if (backend == nullptr) return kDNSServiceErr_ServiceNotRunning;
  return backend->Browse(sdRef, flags, interfaceIndex, regtype, domain, callBack, context);
}

DNSServiceErrorType DNSServiceResolve(DNSServiceRef* sdRef, DNSServiceFlags flags, uint32_t interfaceIndex,
                                      const char* name, const char* regtype, const char* domain,
                                      DNSServiceResolveReply callBack, void* context) {
  DnssdBackend* backend = BackendFor(domain);
  if (backend == nullptr) return kDNSServiceErr_ServiceNotRunning;
  return backend->Resolve(sdRef, flags, interfaceIndex, name, regtype, domain, callBack, context);
}

int DNSServiceRefSockFD(DNSServiceRef sdRef) { return sdRef != nullptr ? sdRef->SockFD() : -1; }

DNSServiceErrorType DNSServiceProcessResult(DNSServiceRef sdRef) {
  if (sdRef == nullptr) return kDNSServiceErr_Invalid;
  return sdRef->ProcessResult();
}

void DNSServiceRefDeallocate(DNSServiceRef sdRef) { delete sdRef; }
