// What the finder takes from a direct DNS-SD answer (a host's UDP port 5353) and from the
// address texts a user adds. Besides crashes it checks what the parser promises: every
// service it gives carries the asked type in local., an instance name of at most 63
// bytes, and no more services per host than allowed.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <string>
#include <vector>

#include "discovery/unicast_dnssd_query.h"
#include "net/address_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<ravix::UnicastService> services;
  ravix::ParseUnicastAnswer(data, size, 0x0A000001u, "_http._tcp", 4, services);
  if (services.size() > 4) std::abort();
  for (const ravix::UnicastService& s : services) {
    if (s.Type != "_http._tcp." || s.Domain != "local." || s.Name.empty() || s.Name.size() > 63) std::abort();
    if (s.Address != 0x0A000001u) std::abort();
  }
  std::vector<uint32_t> addresses;
  std::string error;
  const std::string text(reinterpret_cast<const char*>(data), std::min<size_t>(size, 64));
  const bool ok = ravix::ParseAddressBlock(text, addresses, error);
  if (!ok && error.empty()) std::abort();  // a refusal always says why
  if (ok && (addresses.empty() || addresses.size() > 1024)) std::abort();
  return 0;
}
