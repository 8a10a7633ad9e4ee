#pragma once
// Turns Avahi lookup events into replies of the dns_sd shape: absolute names with their
// final dot, escaped full names, the port in network byte order, raw TXT bytes, one
// add and one remove per service and interface whatever the IP protocols it was seen on.

#include <avahi-common/address.h>
#include <avahi-common/defs.h>
#include <avahi-common/strlst.h>

#include <cstdint>
#include <map>
#include <string>
#include <tuple>

#include "discovery/dnssd_operation.h"

std::string WithFinalDot(const char* text);
// Name as Avahi takes it: without a final dot; null gives "".
std::string AvahiName(const char* text);
std::string SerializeTxt(AvahiStringList* txt);
uint32_t ToInterfaceIndex(AvahiIfIndex interface);
AvahiIfIndex ToAvahiInterface(uint32_t interfaceIndex);

// Browse events of one operation. Restart() is called when the lookup object was created
// anew (after a wake): services seen before and seen again are not reported twice, and
// those the new lookup does not find in the cache are reported as removed.
class AvahiBrowseTracker {
 public:
  void OnEvent(_DNSServiceRef_t& op, AvahiIfIndex interface, AvahiProtocol protocol, AvahiBrowserEvent event,
               const char* name, const char* type, const char* domain);
  void Restart();

 private:
  using Key = std::tuple<AvahiIfIndex, std::string, std::string, std::string>;
  struct Seen {
    unsigned protocols = 0;  // bit per protocol the service was reported on
    bool fresh = true;       // reported by the current lookup object
  };
  void SweepStale(_DNSServiceRef_t& op);

  std::map<Key, Seen> services_;
  bool restarted_ = false;
};

// Resolve reply of one lookup event: FOUND gives the service data, anything else an error.
void PushResolveEvent(_DNSServiceRef_t& op, AvahiIfIndex interface, AvahiResolverEvent event, const char* name,
                      const char* type, const char* domain, const char* hostName, uint16_t port,
                      AvahiStringList* txt);
