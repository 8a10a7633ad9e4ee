#pragma once
// The camera addresses a user adds by hand: one address "a.b.c.d", a range of the last
// part "a.b.c.d-e", or a CIDR block "a.b.c.d/n" of at most 1024 addresses (/22).

#include <cstdint>
#include <string>
#include <vector>

namespace ravix {

// The widest block accepted: /22, 1024 addresses.
inline constexpr unsigned kWidestAddressBlockPrefix = 22;

// The host addresses of text, in ascending order (network byte order). A block of /30
// or wider leaves out its network and broadcast address. False with a message naming
// what is wrong for bad text, a block wider than /22, a reversed range and for
// addresses no camera can have (0.0.0.0/8, loopback, multicast, reserved, broadcast).
bool ParseAddressBlock(const std::string& text, std::vector<uint32_t>& addresses, std::string& error);

}  // namespace ravix
