#pragma once
// The dns_sd-shaped client interface the discovery engine is written against: every
// operation is a reference with a readable descriptor, and one DNSServiceProcessResult
// call delivers one reply on the caller's thread. Two backends answer it: the platform
// DNS-SD daemon (avahi-daemon over D-Bus) and the embedded responder (avahi-core).

#include <cstdint>

#include "records/dnssd_full_name.h"

struct _DNSServiceRef_t;
using DNSServiceRef = _DNSServiceRef_t*;
using DNSServiceFlags = uint32_t;
using DNSServiceErrorType = int32_t;

inline constexpr DNSServiceFlags kDNSServiceFlagsMoreComing = 0x1;
inline constexpr DNSServiceFlags kDNSServiceFlagsAdd = 0x2;

inline constexpr DNSServiceErrorType kDNSServiceErr_Unknown = -65537;
inline constexpr DNSServiceErrorType kDNSServiceErr_NoMemory = -65539;
inline constexpr DNSServiceErrorType kDNSServiceErr_Invalid = -65549;
inline constexpr DNSServiceErrorType kDNSServiceErr_ServiceNotRunning = -65563;

using DNSServiceBrowseReply = void (*)(DNSServiceRef ref, DNSServiceFlags flags, uint32_t interfaceIndex,
                                       DNSServiceErrorType errorCode, const char* serviceName, const char* regtype,
                                       const char* replyDomain, void* context);

using DNSServiceResolveReply = void (*)(DNSServiceRef ref, DNSServiceFlags flags, uint32_t interfaceIndex,
                                        DNSServiceErrorType errorCode, const char* fullname, const char* hosttarget,
                                        uint16_t port, uint16_t txtLen, const unsigned char* txtRecord,
                                        void* context);

// One responder the client operations go to.
class DnssdBackend {
 public:
  virtual ~DnssdBackend() = default;
  // Starts a long-running browse; replies carry kDNSServiceFlagsAdd for an appearing
  // service and no Add flag for a vanishing one, once per interface.
  virtual DNSServiceErrorType Browse(DNSServiceRef* sdRef, DNSServiceFlags flags, uint32_t interfaceIndex,
                                     const char* regtype, const char* domain, DNSServiceBrowseReply callBack,
                                     void* context) = 0;
  // Starts a resolve that answers again whenever host, port or TXT data change.
  virtual DNSServiceErrorType Resolve(DNSServiceRef* sdRef, DNSServiceFlags flags, uint32_t interfaceIndex,
                                      const char* name, const char* regtype, const char* domain,
                                      DNSServiceResolveReply callBack, void* context) = 0;
};

// The backend that DNSServiceBrowse and DNSServiceResolve use: set by the DNS-SD service
// host while a responder is available, null otherwise (the calls then fail with
// kDNSServiceErr_ServiceNotRunning).
void DNSServiceSetDefaultBackend(DnssdBackend* backend);
DnssdBackend* DNSServiceDefaultBackend();

// The backend of the domains other than local. (unicast DNS lookups); null: browses and
// resolves there fail with kDNSServiceErr_ServiceNotRunning.
void DNSServiceSetWideAreaBackend(DnssdBackend* backend);
DnssdBackend* DNSServiceWideAreaBackend();

// Browses and resolves in local. (or with no domain) go to the default backend, all
// others to the wide-area one.
DNSServiceErrorType DNSServiceBrowse(DNSServiceRef* sdRef, DNSServiceFlags flags, uint32_t interfaceIndex,
                                     const char* regtype, const char* domain, DNSServiceBrowseReply callBack,
                                     void* context);
DNSServiceErrorType DNSServiceResolve(DNSServiceRef* sdRef, DNSServiceFlags flags, uint32_t interfaceIndex,
                                      const char* name, const char* regtype, const char* domain,
                                      DNSServiceResolveReply callBack, void* context);

// Descriptor that becomes readable while the operation holds a reply; -1 for null.
int DNSServiceRefSockFD(DNSServiceRef sdRef);
// Delivers one pending reply through the operation's callback (nothing when none is
// pending). Non-zero when the responder connection of the operation is lost.
DNSServiceErrorType DNSServiceProcessResult(DNSServiceRef sdRef);
// Inside a resolve callback: the IPv4 address (network byte order) unicast DNS gave for
// the reply's host target, the one the service is to be contacted at; 0 for replies of
// multicast DNS-SD and outside a callback.
uint32_t DNSServiceReplyAddress();
// Ends the operation; no callback runs for it afterwards. Null is ignored.
void DNSServiceRefDeallocate(DNSServiceRef sdRef);
