#pragma once
// Wide-area DNS-SD (DNS-SD over unicast DNS): which DNS servers the embedded responder
// asks, and whether avahi-daemon has its wide-area lookups switched on.

#include <string>
#include <vector>

namespace ravix {

// The IPv4 "nameserver" lines of a resolv.conf (in a network namespace entered with
// `ip netns exec`, /etc/resolv.conf is the namespace's own), in file order.
std::vector<std::string> ReadResolvConfServers(const std::string& path = "/etc/resolv.conf");

// Whether the avahi-daemon configuration enables wide-area lookups ("enable-wide-area"
// in section [wide-area]; the daemon's default is on). A missing file counts as the default.
bool DaemonWideAreaEnabled(const std::string& path = "/etc/avahi/avahi-daemon.conf");

// A browse domain as typed ("cameras.example.net", with or without the final dot) in
// the form the engine browses ("cameras.example.net."); false with a reason when it is
// not a usable DNS name (empty, bad characters, over-long labels) or is "local".
bool NormaliseBrowseDomain(const std::string& text, std::string& domain, std::string& error);

}  // namespace ravix
