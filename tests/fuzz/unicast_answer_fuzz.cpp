// What the finder takes from a direct DNS-SD answer (a host's UDP port 5353), from a DNS
// server's answer in a browse domain, and from the address texts a user adds. Besides
// crashes it checks what the parsers promise: every service carries the asked type in
// local., an instance name of 1 to 63 bytes, no more services per host than allowed; an
// answer is taken for a question only under its ID; a browse gives single labels.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <string>
#include <vector>

#include "discovery/unicast_dnssd_query.h"
#include "discovery/wide_area_dnssd.h"
#include "net/address_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<ravix::UnicastService> services;
  ravix::ParseUnicastAnswer(data, size, 0x0A000001u, "_http._tcp", 4, services);
  if (services.size() > 4) std::abort();
  for (const ravix::UnicastService& s : services) {
    if (s.Type != "_http._tcp." || s.Domain != "local." || s.Name.empty() || s.Name.size() > 63) std::abort();
    if (s.Address != 0x0A000001u) std::abort();
  }
  if (size >= 2) {
    const auto id = static_cast<uint16_t>((data[0] << 8) | data[1]);
    if (ravix::AnswersQuestion(data, size, static_cast<uint16_t>(id ^ 1u), "_http._tcp.local.", 12)) std::abort();
    ravix::AnswersQuestion(data, size, id, "_http._tcp.local.", 12);
  }
  for (const std::string& instance : ravix::widearea::BrowseInstances(data, size, "_http._tcp.cameras.test."))
    if (instance.empty() || instance.size() > 63) std::abort();
  uint16_t port = 0;
  std::string found;
  uint32_t address = 0;
  ravix::widearea::ServiceLocation(data, size, "cam1._http._tcp.cameras.test.", port, found);
  ravix::widearea::ServiceText(data, size, "cam1._http._tcp.cameras.test.", found);
  ravix::widearea::HostAddress(data, size, "cam1.cameras.test.", address);
  std::vector<uint32_t> addresses;
  std::string error;
  const std::string text(reinterpret_cast<const char*>(data), std::min<size_t>(size, 64));
  const bool ok = ravix::ParseAddressBlock(text, addresses, error);
  if (!ok && error.empty()) std::abort();  // a refusal always says why
  if (ok && (addresses.empty() || addresses.size() > 1024)) std::abort();
  return 0;
}
