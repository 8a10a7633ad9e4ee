// The network helper and the finder's way to it, inside tools/netlab with two links:
// pc0 192.168.77.1/24 (camera 192.168.77.10) and pc1 10.20.0.1/24 (camera 10.20.0.10).
// The helper program runs as root here (the lab needs root), standing for a granted
// authorisation; declined and "no agent" are pkexec's exit codes from a stand-in.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <net/if.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "net/admin_checks.h"
#include "net/network_admin.h"
#include "net/network_helper.h"
#include "net/network_tools.h"
#include "net/route_fix_broker.h"
#include "net/temporary_address.h"
#include "net/temporary_address_keeper.h"
#include "tests/support/lab_shell.h"

namespace {

using ravix::test::Env;

std::string Output(const std::string& command, int* exitCode = nullptr) {
  return ravix::test::CommandOutput(command, exitCode);
}

void Sh(const std::string& command) { ASSERT_EQ(std::system(command.c_str()), 0) << command; }

uint32_t Ip(const char* text) {
  in_addr a{};
  inet_pton(AF_INET, text, &a);
  return a.s_addr;
}

ravix::AdapterAddressState Find(const char* address) {
  const ravix::NetlinkSocket sock;
  ravix::AdapterAddressState state;
  EXPECT_EQ(ravix::FindAddress(sock, Ip(address), state), 0);
  return state;
}

class NetAdminLab : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Env("NETLAB_ID").empty()) GTEST_SKIP() << "not inside tools/netlab";
    ASSERT_EQ(Env("NETLAB_LINKS"), "2");
    pc0_ = Env("NETLAB_PC0_IF");
    pc1_ = Env("NETLAB_PC1_IF");
    // CNetworkTools lists running adapters only: a link set up by an earlier case may
    // still lack its carrier for a moment.
    ASSERT_TRUE(ravix::test::WaitOperational(pc0_, true));
    ASSERT_TRUE(ravix::test::WaitOperational(pc1_, true));
  }
  ravix::HelperReply Helper(const std::vector<std::string>& args) {
    const std::atomic<bool> stop{false};
    return ravix::ProgramRunner({RAVIX_NETADMIN_BINARY})(args, stop);
  }
  std::string Routes(const char* subnet) { return Output("ip -4 route show " + std::string(subnet)); }

  std::string pc0_, pc1_;
};

TEST_F(NetAdminLab, HelperFixesRoutesAndKeepsTemporaryAddresses) {
  // Route fix: a stray route to pc1's subnet over pc0 goes, pc1's own stays.
  Sh("ip route add 10.20.0.0/24 dev " + pc0_ + " metric 7");
  ravix::HelperReply reply = Helper({"route", pc0_, "10.20.0.0/24"});
  EXPECT_EQ(reply.ExitCode, static_cast<int>(ravix::AdminRefusal::NotAdapterSubnet)) << reply.Message;
  EXPECT_NE(Routes("10.20.0.0/24").find("dev " + pc0_), std::string::npos) << "a refused run changes nothing";
  reply = Helper({"route", pc1_, "10.20.0.0/24", pc0_, "192.168.77.0/24"});
  EXPECT_EQ(reply.Outcome, ravix::HelperOutcome::Done) << reply.Message;
  EXPECT_EQ(Routes("10.20.0.0/24").find("dev " + pc0_), std::string::npos) << Routes("10.20.0.0/24");
  EXPECT_NE(Routes("10.20.0.0/24").find("dev " + pc1_), std::string::npos);

  // The ARP probe refuses the camera's address; nothing is added.
  reply = Helper({"add", pc0_, "192.168.77.10/24"});
  EXPECT_EQ(reply.ExitCode, static_cast<int>(ravix::AdminRefusal::AddressInUse));
  EXPECT_NE(reply.Message.find("192.168.77.10 is in use by "), std::string::npos) << reply.Message;
  EXPECT_EQ(Find("192.168.77.10").Present, false);
  // An address of the PC itself is in use too.
  EXPECT_EQ(Helper({"add", pc1_, "192.168.77.1/24"}).ExitCode, static_cast<int>(ravix::AdminRefusal::AddressInUse));

  // A free one is added with a lifetime and our mark, renewed, then removed.
  reply = Helper({"add", pc0_, "192.168.0.50/24"});
  ASSERT_EQ(reply.Outcome, ravix::HelperOutcome::Done) << reply.Message;
  EXPECT_EQ(reply.Output, "192.168.0.50/24\n");
  ravix::AdapterAddressState state = Find("192.168.0.50");
  EXPECT_TRUE(state.Present && state.Temporary && !state.Permanent);
  EXPECT_EQ(state.IfIndex, if_nametoindex(pc0_.c_str()));
  EXPECT_EQ(state.Prefix, 24u);
  EXPECT_GT(state.ValidLifetime, 3500u);
  EXPECT_LE(state.ValidLifetime, ravix::kTemporaryAddressLifetime);
  EXPECT_EQ(state.PreferredLifetime, state.ValidLifetime);
  EXPECT_EQ(Helper({"renew", pc0_, "192.168.0.50/24"}).Outcome, ravix::HelperOutcome::Done);
  EXPECT_EQ(Helper({"remove", pc1_, "192.168.0.50/24"}).ExitCode, static_cast<int>(ravix::AdminRefusal::NotTemporary))
      << "only on the adapter it was added to";
  EXPECT_EQ(Helper({"remove", pc0_, "192.168.0.50/24"}).Outcome, ravix::HelperOutcome::Done);
  EXPECT_FALSE(Find("192.168.0.50").Present);

  // The adapter's own (permanent) address is never removed or renewed.
  EXPECT_EQ(Helper({"remove", pc0_, "192.168.77.1/24"}).ExitCode, static_cast<int>(ravix::AdminRefusal::NotTemporary));
  EXPECT_EQ(Helper({"renew", pc0_, "192.168.77.1/24"}).ExitCode, static_cast<int>(ravix::AdminRefusal::NotTemporary));
  EXPECT_TRUE(Find("192.168.77.1").Present);

  // Link-local: a random host part in 169.254.1.0 .. 169.254.254.255, /16.
  reply = Helper({"add", pc1_, "link-local"});
  ASSERT_EQ(reply.Outcome, ravix::HelperOutcome::Done) << reply.Message;
  ravix::AddressWithPrefix taken;
  ASSERT_TRUE(ravix::ParseAddressWithPrefix(reply.Output.substr(0, reply.Output.find('\n')), taken)) << reply.Output;
  EXPECT_TRUE(ravix::IsLinkLocalHost(taken.Address));
  EXPECT_EQ(taken.Prefix, 16u);
  EXPECT_EQ(Helper({"remove", pc1_, ravix::FormatAddressWithPrefix(taken)}).Outcome, ravix::HelperOutcome::Done);

  // A down adapter is refused before anything is probed.
  Sh("ip link set " + pc1_ + " down");
  EXPECT_EQ(Helper({"add", pc1_, "10.20.0.77/24"}).ExitCode, static_cast<int>(ravix::AdminRefusal::AdapterDown));
  Sh("ip link set " + pc1_ + " up");
  EXPECT_TRUE(ravix::test::WaitOperational(pc1_, true));
}

// The finder without CAP_NET_ADMIN: EnsureRoute through the broker. Granted: the cameras
// of one Refresh share one helper run. Declined and no agent: one run, said once, then
// false at once without asking again; nothing changed.
TEST_F(NetAdminLab, RouteFixesThroughTheHelperSeam) {
  constexpr int kGatherMs = 1500;
  CNetworkTools tools;
  const uint32_t if0 = if_nametoindex(pc0_.c_str());
  const uint32_t if1 = if_nametoindex(pc1_.c_str());
  const auto strayRoutes = [&] {
    Sh("ip route replace 192.168.77.0/24 dev " + pc1_ + " metric 9");
    Sh("ip route replace 10.20.0.0/24 dev " + pc0_ + " metric 9");
  };
  const auto resolveAll = [&] {
    std::vector<std::thread> threads;
    std::atomic<int> fixed{0};
    for (int i = 0; i < 6; ++i) {
      threads.emplace_back([&, i] {
        const bool first = i % 2 == 0;
        const std::string camera = (first ? "192.168.77." : "10.20.0.") + std::to_string(10 + i);
        if (tools.EnsureRoute(camera, first ? if0 : if1)) ++fixed;
      });
    }
    for (std::thread& t : threads) t.join();
    return fixed.load();
  };

  strayRoutes();
  {
    int notices = 0;
    // A gather time well above thread start-up on a loaded machine: the counts of runs
    // below are exact.
    auto broker = std::make_shared<ravix::RouteFixBroker>(ravix::ProgramRunner({RAVIX_NETADMIN_BINARY}),
                                                          [&](const std::string&) { ++notices; }, kGatherMs);
    tools.SetRouteHelper(broker);
    EXPECT_EQ(resolveAll(), 6);
    EXPECT_EQ(broker->Runs(), 1) << "one authorisation for the whole Refresh";
    EXPECT_EQ(Routes("192.168.77.0/24").find("dev " + pc1_), std::string::npos) << Routes("192.168.77.0/24");
    EXPECT_EQ(Routes("10.20.0.0/24").find("dev " + pc0_), std::string::npos) << Routes("10.20.0.0/24");
    EXPECT_EQ(resolveAll(), 6);
    EXPECT_EQ(broker->Runs(), 1) << "routes that are right need no helper";
    EXPECT_EQ(notices, 0);

    // One adapter went down since the table was read: the helper refuses that run, and
    // the other route is fixed on its own.
    Sh("ip route replace 192.168.77.0/24 dev lo metric 9");
    Sh("ip route replace 10.20.0.0/24 dev " + pc0_ + " metric 9");
    Sh("ip link set " + pc1_ + " down");
    EXPECT_EQ(resolveAll(), 3);
    Sh("ip link set " + pc1_ + " up");
    ASSERT_TRUE(ravix::test::WaitOperational(pc1_, true));
    EXPECT_EQ(Routes("192.168.77.0/24").find("dev lo"), std::string::npos) << Routes("192.168.77.0/24");
    EXPECT_EQ(broker->Runs(), 4) << "the refused run, then each of the two subnets again";
    Sh("ip route replace 10.20.0.0/24 dev " + pc1_ + " proto kernel scope link src 10.20.0.1");
  }

  for (const int pkexecCode : {126, 127}) {
    SCOPED_TRACE(pkexecCode);
    strayRoutes();
    std::vector<std::string> notices;
    std::atomic<int> runs{0};
    const ravix::HelperRunner refusing = [&](const std::vector<std::string>&, const std::atomic<bool>&) {
      ++runs;
      ravix::HelperReply reply;
      reply.ExitCode = pkexecCode;
      reply.Outcome = ravix::OutcomeOfExitCode(pkexecCode);
      return reply;
    };
    auto broker = std::make_shared<ravix::RouteFixBroker>(
        refusing, [&](const std::string& why) { notices.push_back(why); }, kGatherMs);
    tools.SetRouteHelper(broker);
    EXPECT_EQ(resolveAll(), 0);
    EXPECT_EQ(resolveAll(), 0);
    EXPECT_EQ(runs.load(), 1) << "asked once, never again";
    EXPECT_TRUE(broker->GivenUp());
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find(pkexecCode == 126 ? "declined" : "no polkit authentication agent"), std::string::npos)
        << notices[0];
    EXPECT_NE(Routes("192.168.77.0/24").find("dev " + pc1_), std::string::npos) << "nothing changed";
  }

  // A run that waits (an authentication dialog left open) ends when the finder stops it.
  {
    auto broker = std::make_shared<ravix::RouteFixBroker>(ravix::ProgramRunner({"/bin/sh", "-c", "sleep 60"}), nullptr);
    tools.SetRouteHelper(broker);
    std::atomic<bool> answered{false};
    std::thread waiting([&] {
      EXPECT_FALSE(tools.EnsureRoute("192.168.77.10", if0));
      answered = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_FALSE(answered.load());
    broker->Stop();
    waiting.join();
    EXPECT_FALSE(tools.EnsureRoute("10.20.0.10", if1)) << "stopped: no new runs";
  }
  tools.SetRouteHelper(nullptr);
  EXPECT_TRUE(tools.EnsureRoute("192.168.77.10", if0)) << "in process again (root)";
}

// The keeper of one run's addresses: what it added goes at the end, whichever way it was
// added; nothing else is touched.
TEST_F(NetAdminLab, TemporaryAddressesGoWithTheirRun) {
  const ravix::HelperRunner inProcess = ravix::InProcessHelperRunner();
  const std::atomic<bool> never{false};
  std::string linkLocal;
  {
    ravix::TemporaryAddressKeeper keeper([&](const std::vector<std::string>& args) { return inProcess(args, never); });
    EXPECT_EQ(keeper.Add(pc0_, "").Outcome, ravix::HelperOutcome::Done);
    EXPECT_EQ(keeper.Add(pc1_, "192.168.0.60/24").Outcome, ravix::HelperOutcome::Done);
    const ravix::HelperReply refused = keeper.Add(pc1_, "10.20.0.10/24");
    EXPECT_EQ(refused.Outcome, ravix::HelperOutcome::Refused) << "the camera's address";
    ASSERT_EQ(keeper.Entries().size(), 2u);
    linkLocal = keeper.Entries()[0].Address;
    EXPECT_EQ(linkLocal.rfind("169.254.", 0), 0u) << linkLocal;
    EXPECT_TRUE(Find(linkLocal.substr(0, linkLocal.find('/')).c_str()).Present);
    EXPECT_TRUE(Find("192.168.0.60").Present);
  }
  EXPECT_FALSE(Find(linkLocal.substr(0, linkLocal.find('/')).c_str()).Present);
  EXPECT_FALSE(Find("192.168.0.60").Present);
  EXPECT_TRUE(Find("192.168.77.1").Present);
  EXPECT_TRUE(Find("10.20.0.1").Present);

  // A camera at a factory address: the first proposed address no host holds is taken.
  Sh(Env("NETLAB_RUN") + " cam1 ip addr add 192.168.0.254/24 dev " + Env("NETLAB_CAM1_IF"));
  {
    ravix::TemporaryAddressKeeper keeper([&](const std::vector<std::string>& args) { return inProcess(args, never); });
    std::vector<std::string> candidates;
    for (const auto& a : ravix::ProposeAddressesNear(Ip("192.168.0.90"), 24, 3))
      candidates.push_back(ravix::FormatAddressWithPrefix(a));
    const ravix::HelperReply reply = keeper.AddFirstFree(pc1_, candidates);
    EXPECT_EQ(reply.Outcome, ravix::HelperOutcome::Done) << reply.Message;
    EXPECT_EQ(reply.Output, "192.168.0.253/24\n") << "192.168.0.254 answered the probe";
  }
  EXPECT_FALSE(Find("192.168.0.253").Present);

  // An adapter that is up without IPv4 address is listed apart.
  Sh("ip addr flush dev " + pc0_);
  CNetworkTools tools;
  EXPECT_EQ(tools.FindAdapter(if_nametoindex(pc0_.c_str())), nullptr);
  bool listed = false;
  for (const AdapterEntry& bare : tools.AdaptersWithoutIPv4()) listed = listed || bare.Name == pc0_;
  EXPECT_TRUE(listed);
  Sh("ip addr add 192.168.77.1/24 dev " + pc0_);
}

}  // namespace
