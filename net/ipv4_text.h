#pragma once
// IPv4 addresses as dotted-decimal text and hardware addresses as text, and the subnet
// test every adapter lookup uses. Addresses are held in network byte order.

#include <cstddef>
#include <cstdint>
#include <string>

namespace ravix {

// Strict dotted-decimal "a.b.c.d" (no short or hexadecimal forms). False for anything
// else, including the empty text; address is untouched then.
bool ParseIPv4(const std::string& text, uint32_t& address);
std::string FormatIPv4(uint32_t address);

// Subnet mask for a prefix length 0..32 (longer lengths give 32 bits).
uint32_t MaskFromPrefix(unsigned prefixLength);
// Prefix length of a contiguous mask (the count of its leading one bits).
unsigned PrefixFromMask(uint32_t mask);

// Whether candidate lies in the subnet of address/mask.
inline bool InSubnet(uint32_t candidate, uint32_t address, uint32_t mask) {
  return (candidate & mask) == (address & mask);
}

// Lowercase hexadecimal pairs joined by "-": {0x02, 0x1A} gives "02-1a".
std::string FormatHardwareAddress(const uint8_t* bytes, std::size_t length);

}  // namespace ravix
