// Prints how long the network tools take per call with many cameras on one link.
// Run inside the lab, for example:
//   tools/netlab/netlab --link 10.30.0.1/16=10.30.1.1/16x500 -- build/tests/net/network_tools_bench
#include <net/if.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "net/network_tools.h"

namespace {

using Clock = std::chrono::steady_clock;

double MicrosecondsPerCall(Clock::time_point start, std::size_t calls) {
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / static_cast<double>(calls);
}

}  // namespace

int main() {
  if (std::getenv("NETLAB_ID") == nullptr) {
    std::printf("run inside tools/netlab (see the comment at the top)\n");
    return 0;
  }
  std::vector<std::string> cameras;
  std::istringstream list(std::getenv("NETLAB_CAM0_ADDRS"));
  for (std::string a; list >> a;) cameras.push_back(a);
  const std::string local = std::getenv("NETLAB_PC0_ADDR");
  const uint32_t ifIndex = if_nametoindex(std::getenv("NETLAB_PC0_IF"));

  CNetworkTools tools;
  constexpr std::size_t kRounds = 200;
  auto start = Clock::now();
  for (std::size_t i = 0; i < kRounds; ++i) tools.RefreshAdapters();
  std::printf("RefreshAdapters: %.1f us per call (%zu adapters)\n", MicrosecondsPerCall(start, kRounds),
              tools.Adapters().size());

  std::string camera, localOut;
  start = Clock::now();
  for (const std::string& c : cameras) tools.FindCameraAddressOnAdapter(ifIndex, {"192.168.5.20", c}, camera, localOut);
  std::printf("FindCameraAddressOnAdapter: %.2f us per call\n", MicrosecondsPerCall(start, cameras.size()));

  start = Clock::now();
  for (const std::string& c : cameras) tools.EnsureRoute(c, ifIndex);
  std::printf("EnsureRoute (route present): %.1f us per call\n", MicrosecondsPerCall(start, cameras.size()));

  std::size_t read = 0;
  start = Clock::now();
  for (const std::string& c : cameras) read += CNetworkTools::GetMacAddress(c, local).empty() ? 0 : 1;
  std::printf("GetMacAddress, resolving: %.1f us per camera (%zu of %zu read)\n",
              MicrosecondsPerCall(start, cameras.size()), read, cameras.size());
  start = Clock::now();
  for (const std::string& c : cameras) CNetworkTools::GetMacAddress(c, local);
  std::printf("GetMacAddress, cached: %.1f us per camera\n", MicrosecondsPerCall(start, cameras.size()));
  return 0;
}
