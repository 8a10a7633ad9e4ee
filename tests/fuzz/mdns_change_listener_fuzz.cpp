// What the change listener takes from any datagram on the mDNS port. Besides crashes it
// checks what the parser promises: only TXT and SRV records are handed on, every name
// key is a well-formed name of at most 255 bytes on the wire, an SRV record carries a
// host name, and no name read is longer than DNS allows.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "discovery/mdns_change_listener.h"

namespace {

constexpr size_t kMaxNameBytes = 255;

// Labels of a name key (none for the root): each a length byte of 1..63 and that many
// bytes, in lower case.
bool WellFormedKey(const std::string& key) {
  if (key.size() + 1 > kMaxNameBytes) return false;
  for (size_t at = 0; at < key.size();) {
    const auto length = static_cast<unsigned char>(key[at]);
    if (length == 0 || length > 63 || at + 1 + length > key.size()) return false;
    for (size_t i = at + 1; i <= at + length; ++i)
      if (key[i] >= 'A' && key[i] <= 'Z') return false;
    at += 1 + length;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ParseMdnsResponse(data, size, 3, [](const MdnsServiceRecord& record) {
    if (record.type != 16 && record.type != 33) std::abort();
    if (record.interfaceIndex != 3 || !WellFormedKey(record.nameKey)) std::abort();
    if (record.type == 33 && (record.target.empty() || record.target.back() != '.')) std::abort();
    if (record.type == 16 && !record.target.empty()) std::abort();
  });
  // Every name a datagram could hold, read from where the first one starts.
  size_t pos = 12;
  std::vector<std::string> labels;
  if (ReadMdnsName(data, size, &pos, &labels)) {
    size_t bytes = 1;
    for (const std::string& label : labels) bytes += 1 + label.size();
    if (bytes > kMaxNameBytes || pos > size) std::abort();
  }
  return 0;
}
