#include "net/ipv4_text.h"

#include <arpa/inet.h>

namespace ravix {

bool ParseIPv4(const std::string& text, uint32_t& address) {
  in_addr parsed{};
  if (inet_pton(AF_INET, text.c_str(), &parsed) != 1) return false;
  address = parsed.s_addr;
  return true;
}

std::string FormatIPv4(uint32_t address) {
  char text[INET_ADDRSTRLEN] = {};
  in_addr a{};
  a.s_addr = address;
  inet_ntop(AF_INET, &a, text, sizeof text);
  return text;
}

uint32_t MaskFromPrefix(unsigned prefixLength) {
  if (prefixLength == 0) return 0;
  if (prefixLength >= 32) return 0xFFFFFFFFu;
  return htonl(~((1u << (32 - prefixLength)) - 1));
}

unsigned PrefixFromMask(uint32_t mask) {
  uint32_t host = ntohl(mask);
  unsigned bits = 0;
  while ((host & 0x80000000u) != 0) {
    ++bits;
    host <<= 1;
  }
  return bits;
}

std::string FormatHardwareAddress(const uint8_t* bytes, std::size_t length) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < length; ++i) {
    if (i != 0) text += '-';
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0F];
  }
  return text;
}

}  // namespace ravix
