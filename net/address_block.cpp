#include "net/address_block.h"

#include <arpa/inet.h>

#include <charconv>

#include "net/ipv4_text.h"

namespace ravix {
namespace {

bool ParseNumber(const std::string& text, unsigned limit, unsigned& value) {
  if (text.empty() || text.size() > 3) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value <= limit;
}

// Why no camera can have address (host byte order), or null.
const char* UnusableReason(uint32_t host) {
  const unsigned first = host >> 24;
  if (host == 0xFFFFFFFFu) return "is the broadcast address";
  if (first == 0) return "lies in 0.0.0.0/8 (this network)";
  if (first == 127) return "is a loopback address";
  if (first >= 224 && first <= 239) return "is a multicast address";
  if (first >= 240) return "is a reserved address";
  return nullptr;
}

bool Refuse(std::string& error, const std::string& text, const std::string& why) {
  error = "'" + text + "': " + why;
  return false;
}

}  // namespace

bool ParseAddressBlock(const std::string& input, std::vector<uint32_t>& addresses, std::string& error) {
  addresses.clear();
  const std::string text = input;
  for (const char c : text)
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f)
      return Refuse(error, "(text with control characters)", "not an IPv4 address");
  const auto slash = text.find('/');
  const auto dash = text.find('-');
  const std::string base = text.substr(0, std::min(slash, dash));
  uint32_t first = 0;
  if (!ParseIPv4(base, first)) return Refuse(error, text, "not an IPv4 address (expected a.b.c.d, a.b.c.d-e or a.b.c.d/n)");
  if (slash != std::string::npos && dash != std::string::npos)
    return Refuse(error, text, "give either a range (a.b.c.d-e) or a block (a.b.c.d/n), not both");
  uint32_t low = ntohl(first);
  uint32_t high = low;
  if (dash != std::string::npos) {
    unsigned last = 0;
    if (!ParseNumber(text.substr(dash + 1), 255, last))
      return Refuse(error, text, "the end of a range is the last part of an address, 0 to 255");
    if (last < (low & 0xFFu)) return Refuse(error, text, "the range ends before it starts");
    high = (low & 0xFFFFFF00u) | last;
  } else if (slash != std::string::npos) {
    unsigned prefix = 0;
    if (!ParseNumber(text.substr(slash + 1), 32, prefix)) return Refuse(error, text, "the prefix length is 0 to 32");
    if (prefix < kWidestAddressBlockPrefix)
      return Refuse(error, text, "blocks wider than /22 (1024 addresses) are not probed");
    const uint32_t mask = ntohl(MaskFromPrefix(prefix));
    low &= mask;
    high = low | ~mask;
    if (prefix <= 30) {  // network and broadcast address of the block are no hosts
      ++low;
      --high;
    }
  }
  for (uint32_t host = low;; ++host) {
    if (const char* why = UnusableReason(host); why != nullptr) {
      addresses.clear();
      return Refuse(error, text, FormatIPv4(htonl(host)) + " " + why);
    }
    addresses.push_back(htonl(host));
    if (host == high) break;
  }
  return true;
}

}  // namespace ravix
