#pragma once
// A DNS-SD backend driven by the test: it records every browse and resolve the engine
// starts, and the test pushes replies into them as a responder would.

#include <arpa/inet.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "discovery/dnssd_operation.h"

class ScriptedBackend : public DnssdBackend {
 public:
  struct Started {
    bool browse = false;
    uint32_t interfaceIndex = 0;
    std::string name;
    std::string type;
    std::string domain;
    _DNSServiceRef_t* op = nullptr;  // null once deallocated
  };

  class Op : public _DNSServiceRef_t {
   public:
    template <typename Callback>
    Op(ScriptedBackend& backend, size_t index, Callback callback, void* context)
        : _DNSServiceRef_t(callback, context), backend_(backend), index_(index) {}
    ~Op() override {
      std::lock_guard lock(backend_.mutex_);
      backend_.started_[index_].op = nullptr;
    }

   private:
    ScriptedBackend& backend_;
    size_t index_;
  };

  // set by the test while the engine's events thread may call Browse/Resolve
  std::atomic<DNSServiceErrorType> browseError = 0;
  std::atomic<DNSServiceErrorType> resolveError = 0;

  DNSServiceErrorType Browse(DNSServiceRef* sdRef, DNSServiceFlags, uint32_t interfaceIndex, const char* regtype,
                             const char* domain, DNSServiceBrowseReply callBack, void* context) override {
    if (browseError != 0) return browseError;
    *sdRef = Start({true, interfaceIndex, "", regtype, domain}, callBack, context);
    return 0;
  }

  DNSServiceErrorType Resolve(DNSServiceRef* sdRef, DNSServiceFlags, uint32_t interfaceIndex, const char* name,
                              const char* regtype, const char* domain, DNSServiceResolveReply callBack,
                              void* context) override {
    if (resolveError != 0) return resolveError;
    *sdRef = Start({false, interfaceIndex, name, regtype, domain}, callBack, context);
    return 0;
  }

  std::vector<Started> Operations() {
    std::lock_guard lock(mutex_);
    return started_;
  }

  size_t LiveResolves() {
    size_t count = 0;
    for (const Started& s : Operations()) count += !s.browse && s.op != nullptr;
    return count;
  }

  // The latest running browse.
  _DNSServiceRef_t* Browser() {
    std::lock_guard lock(mutex_);
    for (auto it = started_.rbegin(); it != started_.rend(); ++it)
      if (it->browse && it->op != nullptr) return it->op;
    return nullptr;
  }

  // The running resolve of a service.
  _DNSServiceRef_t* Resolver(const std::string& name) {
    std::lock_guard lock(mutex_);
    for (auto it = started_.rbegin(); it != started_.rend(); ++it)
      if (!it->browse && it->op != nullptr && it->name == name) return it->op;
    return nullptr;
  }

  void Add(const std::string& name, uint32_t interfaceIndex = 2, DNSServiceFlags extra = 0) {
    Browser()->PushBrowse(kDNSServiceFlagsAdd | extra, interfaceIndex, 0, name, "_http._tcp.", "local.");
  }
  void Remove(const std::string& name, uint32_t interfaceIndex = 2) {
    Browser()->PushBrowse(0, interfaceIndex, 0, name, "_http._tcp.", "local.");
  }
  void Answer(const std::string& name, const std::string& fullName, const std::string& host, uint16_t port,
              const std::string& txt) {
    Resolver(name)->PushResolve(2, 0, fullName, host, htons(port), txt);
  }

 private:
  template <typename Callback>
  _DNSServiceRef_t* Start(Started started, Callback callback, void* context) {
    std::lock_guard lock(mutex_);
    auto* op = new Op(*this, started_.size(), callback, context);  // owned by the engine until deallocated
    started.op = op;
    started_.push_back(started);
    return op;
  }

  std::mutex mutex_;
  std::vector<Started> started_;
};
