// Runs inside tools/netlab with three links: pc0 192.168.77.1/24, pc1 169.254.10.1/16,
// pc2 10.20.0.1/24, each to a camera namespace. Cases shape the pc namespace further
// with ip commands; nothing here reaches the machine's own interfaces.
#include "net/network_tools.h"
#include "platform/debug_trace.h"
#include "tests/support/lab_shell.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <net/if.h>
#include <sys/capability.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

// RAVIXFINDER_TRACE=1 shows the tools' trace lines next to a failing case.
struct TraceFromEnvironment : ::testing::Environment {
  void SetUp() override { ravix::InitTraceFromEnvironment(); }
};
const auto* const kTraceSwitch = ::testing::AddGlobalTestEnvironment(new TraceFromEnvironment);

using ravix::test::Env;
using ravix::test::WaitOperational;

std::string Output(const std::string& command) { return ravix::test::CommandOutput(command); }

void Sh(const std::string& command) { ASSERT_EQ(std::system(command.c_str()), 0) << command; }

// A veth pair inside the pc namespace: name and its peer name + "p"; upBoth brings both
// ends up, so that name has a carrier, and waits until it is operational.
void AddLocalLink(const std::string& name, bool upBoth) {
  Sh("ip link add " + name + " type veth peer name " + name + "p");
  if (!upBoth) return;
  Sh("ip link set " + name + "p up && ip link set " + name + " up");
  ASSERT_TRUE(WaitOperational(name, true)) << name;
}

std::string MainRoutes() { return Output("ip -4 route show table main"); }

// The line of `ip route` for prefix (e.g. "169.254.0.0/16") over dev, or "".
std::string RouteLine(const std::string& prefix, const std::string& dev) {
  std::istringstream lines(MainRoutes());
  for (std::string line; std::getline(lines, line);)
    if (line.rfind(prefix + " ", 0) == 0 && line.find(" dev " + dev + " ") != std::string::npos) return line;
  return "";
}

// Hardware address of a camera namespace's interface as ip prints it (aa:bb:...).
std::string CameraMac(int link) {
  const std::string out =
      Output("ip -n " + Env("NETLAB_CAM" + std::to_string(link)) + " -o link show dev " +
             Env("NETLAB_CAM" + std::to_string(link) + "_IF"));
  const auto at = out.find("link/ether ");
  return at == std::string::npos ? "" : out.substr(at + 11, 17);
}

std::string Dashed(std::string mac) {
  for (char& c : mac)
    if (c == ':') c = '-';
  return mac;
}

CBrowseRecord Camera(uint32_t ifIndex, const char* net, const char* zc) {
  CBrowseRecord r;
  r.InterfaceIndex = ifIndex;
  if (net != nullptr) r.AddTxtValue(txtkey::kIpv4Net, net);
  if (zc != nullptr) r.AddTxtValue(txtkey::kIpv4Zc, zc);
  return r;
}

class Lab : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Env("NETLAB_ID").empty()) GTEST_SKIP() << "not inside tools/netlab";
    for (int i = 0; i < 3; ++i) {
      pcIf[i] = Env("NETLAB_PC" + std::to_string(i) + "_IF");
      index[i] = if_nametoindex(pcIf[i].c_str());
      ASSERT_NE(index[i], 0u) << pcIf[i];
    }
  }
  std::string pcIf[3];
  uint32_t index[3] = {};
};

using AdapterTable = Lab;
using CameraAddress = Lab;
using HardwareAddress = Lab;
using RouteRepair = Lab;

TEST_F(AdapterTable, LabLinksWithTheirAddressesAndHardwareAddresses) {
  const CNetworkTools tools;
  ASSERT_EQ(tools.Adapters().size(), 3u) << "loopback is left out";
  EXPECT_EQ(tools.FindAdapter(if_nametoindex("lo")), nullptr);
  for (int i = 0; i < 3; ++i) {
    const AdapterEntry* a = tools.FindAdapter(index[i]);
    ASSERT_NE(a, nullptr) << pcIf[i];
    EXPECT_STREQ(a->Name, pcIf[i].c_str());
    ASSERT_EQ(a->AddressCount, 1u);
    EXPECT_EQ(a->Addresses[0], inet_addr(Env("NETLAB_PC" + std::to_string(i) + "_ADDR").c_str()));
    const int prefix = std::atoi(Env("NETLAB_PREFIX" + std::to_string(i)).c_str());
    EXPECT_EQ(a->Masks[0], htonl(~0u << (32 - prefix)));
    ASSERT_EQ(a->PhysicalAddressLength, 6u);
    std::string mac = Output("cat /sys/class/net/" + pcIf[i] + "/address");
    mac.resize(17);
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", a->PhysicalAddress[0], a->PhysicalAddress[1],
                  a->PhysicalAddress[2], a->PhysicalAddress[3], a->PhysicalAddress[4], a->PhysicalAddress[5]);
    EXPECT_EQ(text, mac);
  }
}

TEST_F(AdapterTable, DownLinksAndLinksWithoutIPv4LeftOut) {
  AddLocalLink("rvxdown", false);
  Sh("ip addr add 10.50.0.1/24 dev rvxdown");
  AddLocalLink("rvxnoip", true);
  AddLocalLink("rvxup", true);
  Sh("ip addr add 10.51.0.1/24 dev rvxup");
  // Without its peer the pc side of link 2 has no carrier: up, but not operational.
  Sh(Env("NETLAB_RUN") + " cam2 ip link set " + Env("NETLAB_CAM2_IF") + " down");
  ASSERT_TRUE(WaitOperational(pcIf[2], false));
  CNetworkTools tools;
  EXPECT_EQ(tools.FindAdapter(if_nametoindex("rvxdown")), nullptr);
  EXPECT_EQ(tools.FindAdapter(if_nametoindex("rvxnoip")), nullptr);
  EXPECT_EQ(tools.FindAdapter(index[2]), nullptr);
  EXPECT_NE(tools.FindAdapter(if_nametoindex("rvxup")), nullptr);
  EXPECT_EQ(tools.Adapters().size(), 3u);

  Sh(Env("NETLAB_RUN") + " cam2 ip link set " + Env("NETLAB_CAM2_IF") + " up");
  Sh("ip link set rvxdownp up && ip link set rvxdown up");
  ASSERT_TRUE(WaitOperational(pcIf[2], true));
  ASSERT_TRUE(WaitOperational("rvxdown", true));
  EXPECT_EQ(tools.RefreshAdapters(), 5);
  EXPECT_NE(tools.FindAdapter(index[2]), nullptr);
  EXPECT_NE(tools.FindAdapter(if_nametoindex("rvxdown")), nullptr);
  Sh("ip link del rvxdown && ip link del rvxnoip && ip link del rvxup");
}

TEST_F(AdapterTable, TwelveAddressesKeepTheFirstTenInKernelOrder) {
  // Two subnets mixed, so that primaries and secondaries interleave in the kernel's list.
  AddLocalLink("rvxmany", true);
  for (int k = 1; k <= 12; ++k)
    Sh("ip addr add 10.6" + std::to_string(k % 2) + ".0." + std::to_string(k) + "/24 dev rvxmany");
  std::istringstream lines(Output("ip -o -4 addr show dev rvxmany | awk '{print $4}'"));
  std::vector<std::string> kernelOrder;
  for (std::string line; std::getline(lines, line);) kernelOrder.push_back(line.substr(0, line.find('/')));
  ASSERT_EQ(kernelOrder.size(), 12u);

  const CNetworkTools tools;
  const AdapterEntry* a = tools.FindAdapter(if_nametoindex("rvxmany"));
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->AddressCount, 10u);
  for (int k = 0; k < 10; ++k) {
    in_addr addr{a->Addresses[k]};
    EXPECT_EQ(inet_ntoa(addr), kernelOrder[k]) << "slot " << k;
    EXPECT_EQ(a->Masks[k], inet_addr("255.255.255.0"));
  }
  Sh("ip link del rvxmany");
}

TEST_F(AdapterTable, FailedEnumerationKeepsTheTable) {
  CNetworkTools tools;
  ASSERT_EQ(tools.Adapters().size(), 3u);
  AddLocalLink("rvxlate", true);
  Sh("ip addr add 10.52.0.1/24 dev rvxlate");
  // No descriptor left for the netlink socket.
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
  const int lowestFree = dup(0);
  ASSERT_GE(lowestFree, 0);
  close(lowestFree);
  rlimit tight = old;
  tight.rlim_cur = static_cast<rlim_t>(lowestFree);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
  const int entered = tools.RefreshAdapters();
  setrlimit(RLIMIT_NOFILE, &old);
  EXPECT_EQ(entered, 0);
  EXPECT_EQ(tools.Adapters().size(), 3u);
  EXPECT_EQ(tools.RefreshAdapters(), 4);
  Sh("ip link del rvxlate");
}

TEST_F(CameraAddress, ZeroconfAddressOnLinkLocalAdapter) {
  const CNetworkTools tools;
  const std::string before = MainRoutes();
  std::string camera, local;
  EXPECT_TRUE(tools.ResolveCameraAddress(Camera(index[1], "192.168.5.20", "169.254.3.4"), camera, local));
  EXPECT_EQ(camera, "169.254.3.4");
  EXPECT_EQ(local, "169.254.10.1");
  EXPECT_EQ(MainRoutes(), before) << "the connected route was already there";
}

TEST_F(CameraAddress, NoSubnetOnAdapterLeavesConfiguredAddressAndRoutes) {
  const CNetworkTools tools;
  const std::string before = MainRoutes();
  for (const uint32_t ifIndex : {index[2], 9999u}) {
    std::string camera = "x", local = "x";
    EXPECT_FALSE(tools.ResolveCameraAddress(Camera(ifIndex, "192.168.5.20", "169.254.3.4"), camera, local));
    EXPECT_EQ(camera, "192.168.5.20");
    EXPECT_EQ(local, "");
  }
  std::string camera = "x", local = "x";
  EXPECT_FALSE(tools.ResolveCameraAddress(Camera(index[1], nullptr, nullptr), camera, local));
  EXPECT_EQ(camera, "");
  EXPECT_FALSE(tools.FindCameraAddressOnAdapter(index[1], {}, camera, local));
  EXPECT_EQ(MainRoutes(), before);
}

TEST_F(CameraAddress, EarlierCandidateWinsOverEarlierAdapterAddress) {
  Sh("ip addr add 192.168.5.1/24 dev " + pcIf[2]);  // second slot of pc2, after 10.20.0.1
  const CNetworkTools tools;
  std::string camera, local;
  EXPECT_TRUE(tools.FindCameraAddressOnAdapter(index[2], {"192.168.5.20", "10.20.0.10"}, camera, local));
  EXPECT_EQ(camera, "192.168.5.20");
  EXPECT_EQ(local, "192.168.5.1");
  EXPECT_TRUE(tools.FindCameraAddressOnAdapter(index[2], {"", "bogus", "10.20.0.10"}, camera, local));
  EXPECT_EQ(camera, "10.20.0.10");
  EXPECT_EQ(local, "10.20.0.1");
  Sh("ip addr del 192.168.5.1/24 dev " + pcIf[2]);
}

TEST_F(CameraAddress, IsReachableTriesZeroconfThenCandidate) {
  const CNetworkTools tools;
  const std::string before = MainRoutes();
  EXPECT_FALSE(tools.IsReachable(Camera(index[1], "169.254.3.4", nullptr), ""))
      << "the configured address is not a candidate";
  EXPECT_TRUE(tools.IsReachable(Camera(index[1], "192.168.5.20", "169.254.3.4"), ""));
  EXPECT_TRUE(tools.IsReachable(Camera(index[1], nullptr, nullptr), "169.254.99.1"));
  EXPECT_FALSE(tools.IsReachable(Camera(index[1], nullptr, nullptr), "10.20.0.10"));
  EXPECT_FALSE(tools.IsReachable(Camera(index[1], nullptr, nullptr), "169.254.3")) << "short form";
  EXPECT_TRUE(tools.IsReachable(Camera(index[2], nullptr, "169.254.3.4"), "10.20.0.99"));
  EXPECT_FALSE(tools.IsReachable(Camera(9999, nullptr, "169.254.3.4"), "169.254.3.4"));
  EXPECT_EQ(MainRoutes(), before);
}

TEST_F(HardwareAddress, ReadFromNeighbourTableAfterResolving) {
  Sh("ip -n " + Env("NETLAB_CAM0") + " link set dev " + Env("NETLAB_CAM0_IF") + " address 02:1A:2B:3C:4D:5E");
  Sh("ip neigh flush dev " + pcIf[0]);
  EXPECT_EQ(CNetworkTools::GetMacAddress("192.168.77.10", "192.168.77.1"), "02-1a-2b-3c-4d-5e");
  EXPECT_NE(Output("ip neigh show dev " + pcIf[0]).find("192.168.77.10"), std::string::npos);
  EXPECT_EQ(CNetworkTools::GetMacAddress("192.168.77.10", "192.168.77.1"), "02-1a-2b-3c-4d-5e") << "cached";

  const std::string mac = Dashed(CameraMac(1));
  ASSERT_EQ(mac.size(), 17u);
  Sh("ip neigh flush dev " + pcIf[1]);
  EXPECT_EQ(CNetworkTools::GetMacAddress("169.254.3.4", "169.254.10.1"), mac);
  Sh("ip neigh flush dev " + pcIf[1]);
  EXPECT_EQ(CNetworkTools::GetMacAddress("169.254.3.4", ""), mac) << "source chosen by routing";
}

TEST_F(HardwareAddress, NoAnswerOrBadAddressGivesEmptyText) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(CNetworkTools::GetMacAddress("192.168.77.200", "192.168.77.1"), "");
  const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("no answer after %.2f s\n", waited);
  EXPECT_EQ(CNetworkTools::GetMacAddress("192.168.77", "192.168.77.1"), "");
  EXPECT_EQ(CNetworkTools::GetMacAddress("0.0.0.0", ""), "");
  EXPECT_EQ(CNetworkTools::GetMacAddress("127.0.0.1", ""), "");
  EXPECT_EQ(CNetworkTools::GetMacAddress("192.168.77.10", "garbage"), "");
  EXPECT_EQ(CNetworkTools::GetMacAddress("192.168.77.10", "10.99.0.1"), "") << "not a local address";
}

TEST_F(RouteRepair, StrayRoutesReplacedOnCameraInterfaceWithItsMetric) {
  // pc1's own connected route carries metric 37; the camera subnet points elsewhere.
  Sh("ip addr add 10.40.0.1/24 dev " + pcIf[1] + " metric 37");
  Sh("ip route del 169.254.0.0/16 dev " + pcIf[1]);
  Sh("ip route add 169.254.0.0/16 dev " + pcIf[0] + " metric 5");
  Sh("ip route add 169.254.0.0/24 dev " + pcIf[1]);
  Sh("ip route add 169.254.5.0/24 dev " + pcIf[0]);
  const CNetworkTools tools;
  EXPECT_TRUE(tools.EnsureRoute("169.254.3.4", index[1]));

  EXPECT_EQ(RouteLine("169.254.0.0/16", pcIf[0]), "");
  EXPECT_EQ(RouteLine("169.254.0.0/24", pcIf[1]), "") << "same destination, other mask";
  EXPECT_NE(RouteLine("169.254.5.0/24", pcIf[0]), "") << "other destination stays";
  const std::string made = RouteLine("169.254.0.0/16", pcIf[1]);
  EXPECT_NE(made.find("scope link"), std::string::npos) << made;
  EXPECT_NE(made.find("metric 37"), std::string::npos) << made;
  EXPECT_NE(Output("ip route get 169.254.3.4").find("dev " + pcIf[1]), std::string::npos);

  const std::string after = MainRoutes();
  EXPECT_TRUE(tools.EnsureRoute("169.254.3.4", index[1]));
  EXPECT_EQ(MainRoutes(), after) << "present: nothing changes";

  // The same repair through the camera lookup.
  Sh("ip route del 169.254.0.0/16 dev " + pcIf[1] + " && ip route add 169.254.0.0/16 dev " + pcIf[2]);
  std::string camera, local;
  EXPECT_TRUE(tools.ResolveCameraAddress(Camera(index[1], "192.168.5.20", "169.254.3.4"), camera, local));
  EXPECT_EQ(RouteLine("169.254.0.0/16", pcIf[2]), "");
  EXPECT_NE(RouteLine("169.254.0.0/16", pcIf[1]), "");
}

TEST_F(RouteRepair, MetricZeroWhenInterfaceHasNoConnectedRoute) {
  Sh("ip route del 10.20.0.0/24 dev " + pcIf[2]);
  const CNetworkTools tools;
  EXPECT_TRUE(tools.EnsureRoute("10.20.0.10", index[2]));
  const std::string made = RouteLine("10.20.0.0/24", pcIf[2]);
  EXPECT_NE(made, "");
  EXPECT_EQ(made.find("metric"), std::string::npos) << made;
}

TEST_F(RouteRepair, UnknownAdapterOrSubnetTouchesNothing) {
  Sh("ip route add 192.168.5.0/24 dev " + pcIf[0]);
  const CNetworkTools tools;
  const std::string before = MainRoutes();
  EXPECT_FALSE(tools.EnsureRoute("192.168.5.20", index[1]));
  EXPECT_FALSE(tools.EnsureRoute("192.168.77.10", 9999));
  EXPECT_FALSE(tools.EnsureRoute("", index[0]));
  EXPECT_FALSE(tools.EnsureRoute("192.168.77", index[0]));
  EXPECT_EQ(MainRoutes(), before);
  Sh("ip route del 192.168.5.0/24 dev " + pcIf[0]);
}

// Clears CAP_NET_ADMIN from the calling thread's effective set (capabilities are per
// thread, so the rest of the test process keeps it).
bool DropNetAdmin() {
  cap_t caps = cap_get_proc();
  if (caps == nullptr) return false;
  cap_value_t netAdmin = CAP_NET_ADMIN;
  const bool ok = cap_set_flag(caps, CAP_EFFECTIVE, 1, &netAdmin, CAP_CLEAR) == 0 && cap_set_proc(caps) == 0;
  cap_free(caps);
  return ok;
}

TEST_F(RouteRepair, WithoutNetAdminFailsAndChangesNothing) {
  ASSERT_TRUE(IsAdministrator());
  Sh("ip route del 192.168.77.0/24 dev " + pcIf[0] + " && ip route add 192.168.77.0/24 dev " + pcIf[2]);
  const CNetworkTools tools;
  const std::string before = MainRoutes();
  bool dropped = false, admin = true, strayCase = true, missingCase = true;
  std::thread([&] {
    dropped = DropNetAdmin();
    admin = IsAdministrator();
    strayCase = tools.EnsureRoute("192.168.77.10", index[0]);  // a deletion is needed
  }).join();
  ASSERT_TRUE(dropped);
  EXPECT_FALSE(admin);
  EXPECT_FALSE(strayCase);
  EXPECT_EQ(MainRoutes(), before);

  Sh("ip route del 192.168.77.0/24 dev " + pcIf[2]);
  const std::string unrouted = MainRoutes();
  std::thread([&] {
    DropNetAdmin();
    missingCase = tools.EnsureRoute("192.168.77.10", index[0]);  // only the creation is needed
  }).join();
  EXPECT_FALSE(missingCase);
  EXPECT_EQ(MainRoutes(), unrouted);

  EXPECT_TRUE(IsAdministrator()) << "only the helper threads gave the capability up";
  EXPECT_TRUE(tools.EnsureRoute("192.168.77.10", index[0]));
  EXPECT_NE(RouteLine("192.168.77.0/24", pcIf[0]), "");
}

}  // namespace
