#pragma once
// Wide-area DNS-SD (DNS-SD over unicast DNS): which DNS servers the lookups of the browse
// domains ask, and the browse domains as typed.

#include <string>
#include <vector>

namespace ravix {

// The IPv4 "nameserver" lines of a resolv.conf (in a network namespace entered with
// `ip netns exec`, /etc/resolv.conf is the namespace's own), in file order.
std::vector<std::string> ReadResolvConfServers(const std::string& path = "/etc/resolv.conf");

// A browse domain as typed ("cameras.example.net", with or without the final dot) in
// the form the engine browses ("cameras.example.net."); false with a reason when it is
// not a usable DNS name (empty, bad characters, over-long labels) or is "local".
bool NormaliseBrowseDomain(const std::string& text, std::string& domain, std::string& error);

}  // namespace ravix
