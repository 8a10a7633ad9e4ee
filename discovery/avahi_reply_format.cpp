#include "discovery/avahi_reply_format.h"

#include <arpa/inet.h>


std::string WithFinalDot(const char* text) {
  std::string out = text != nullptr ? text : "";
  if (out.empty() || out.back() != '.') out.push_back('.');
  return out;
}

std::string AvahiName(const char* text) {
  std::string out = text != nullptr ? text : "";
  if (!out.empty() && out.back() == '.') out.pop_back();
  return out;
}

std::string SerializeTxt(AvahiStringList* txt) {
  const size_t size = avahi_string_list_serialize(txt, nullptr, 0);
  std::string out(size, '\0');
  if (size > 0) out.resize(avahi_string_list_serialize(txt, out.data(), out.size()));
  return out;
}

uint32_t ToInterfaceIndex(AvahiIfIndex interface) {
  return interface > 0 ? static_cast<uint32_t>(interface) : 0;
}

AvahiIfIndex ToAvahiInterface(uint32_t interfaceIndex) {
  return interfaceIndex == 0 ? AVAHI_IF_UNSPEC : static_cast<AvahiIfIndex>(interfaceIndex);
}

namespace {
unsigned ProtocolBit(AvahiProtocol protocol) { return protocol == AVAHI_PROTO_INET6 ? 2u : 1u; }
}  // namespace

void AvahiBrowseTracker::OnEvent(_DNSServiceRef_t& op, AvahiIfIndex interface, AvahiProtocol protocol,
                                 AvahiBrowserEvent event, const char* name, const char* type, const char* domain) {
  switch (event) {
    case AVAHI_BROWSER_NEW: {
      auto [it, inserted] = services_.try_emplace(Key{interface, name, type, domain});
      const bool wasReported = !inserted && (it->second.protocols != 0 || !it->second.fresh);
      it->second.protocols |= ProtocolBit(protocol);
      it->second.fresh = true;
      if (!wasReported)
        op.PushBrowse(kDNSServiceFlagsAdd, ToInterfaceIndex(interface), 0, name, WithFinalDot(type),
                      WithFinalDot(domain));
      return;
    }
    case AVAHI_BROWSER_REMOVE: {
      const auto it = services_.find(Key{interface, name, type, domain});
      if (it == services_.end()) return;
      it->second.protocols &= ~ProtocolBit(protocol);
      if (it->second.protocols != 0) return;
      services_.erase(it);
      op.PushBrowse(0, ToInterfaceIndex(interface), 0, name, WithFinalDot(type), WithFinalDot(domain));
      return;
    }
    case AVAHI_BROWSER_CACHE_EXHAUSTED:
      if (restarted_) SweepStale(op);
      return;
    case AVAHI_BROWSER_FAILURE:
      op.PushBrowse(0, 0, kDNSServiceErr_Unknown, "", "", "");
      return;
    case AVAHI_BROWSER_ALL_FOR_NOW:
      return;
  }
}

void AvahiBrowseTracker::Restart() {
  for (auto& [key, seen] : services_) {
    seen.protocols = 0;
    seen.fresh = false;
  }
  restarted_ = true;
}

void AvahiBrowseTracker::SweepStale(_DNSServiceRef_t& op) {
  restarted_ = false;
  for (auto it = services_.begin(); it != services_.end();) {
    if (it->second.fresh) {
      ++it;
      continue;
    }
    const auto& [interface, name, type, domain] = it->first;
    op.PushBrowse(0, ToInterfaceIndex(interface), 0, name, WithFinalDot(type.c_str()), WithFinalDot(domain.c_str()));
    it = services_.erase(it);
  }
}

void PushResolveEvent(_DNSServiceRef_t& op, AvahiIfIndex interface, AvahiResolverEvent event, const char* name,
                      const char* type, const char* domain, const char* hostName, uint16_t port,
                      AvahiStringList* txt) {
  if (event != AVAHI_RESOLVER_FOUND) {
    op.PushResolve(ToInterfaceIndex(interface), kDNSServiceErr_Unknown, "", "", 0, "");
    return;
  }
  char fullName[kFullNameBufferSize];
  if (DNSServiceConstructFullName(fullName, name, type, domain) != 0) return;
  op.PushResolve(ToInterfaceIndex(interface), 0, fullName, WithFinalDot(hostName), htons(port), SerializeTxt(txt));
}
