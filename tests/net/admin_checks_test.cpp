// What the privileged network helper accepts and refuses, checked without root: the
// argument checks themselves, the helper program's refusals (each with its own exit code
// and one line), and how the finder reads an exit code of pkexec or the helper.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sched.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "net/admin_checks.h"
#include "net/network_admin.h"
#include "net/network_helper.h"

namespace {

using ravix::AdminRefusal;

// Run as root, these checks get a network namespace of their own (gone with the process),
// so that even a check that wrongly let a change through could not reach this machine's
// own interfaces and routes; without root nothing could change anyway.
struct OwnNetworkNamespace : ::testing::Environment {
  void SetUp() override {
    if (geteuid() != 0) return;
    ASSERT_EQ(unshare(CLONE_NEWNET), 0) << "a network namespace of its own";
  }
};
const auto* const kOwnNamespace = ::testing::AddGlobalTestEnvironment(new OwnNetworkNamespace);

uint32_t Ip(const char* text) {
  in_addr a{};
  inet_pton(AF_INET, text, &a);
  return a.s_addr;
}

AdminRefusal HostCheck(const std::string& text) {
  ravix::AddressWithPrefix value;
  if (!ravix::ParseAddressWithPrefix(text, value)) return AdminRefusal::BadAddress;
  std::string message;
  const AdminRefusal r = ravix::CheckHostAddress(value, message);
  EXPECT_EQ(r == AdminRefusal::None, message.empty()) << text << ": " << message;
  return r;
}

AdminRefusal SubnetCheck(const std::string& text) {
  ravix::AddressWithPrefix value;
  if (!ravix::ParseAddressWithPrefix(text, value)) return AdminRefusal::BadAddress;
  std::string message;
  return ravix::CheckSubnet(value, message);
}

TEST(AdminChecks, AddressesAndSubnets) {
  // Text: strict a.b.c.d/n only.
  for (const char* bad : {"", "10.1.2.3", "10.1.2.3/", "10.1.2.3/33", "10.1.2.3/+8", "10.1.2.3/ 8", "10.1.2.3/024",
                          "10.1.2/24", "010.1.2.3/24", "10.1.2.3/24/1", "0x0a.1.2.3/24", "link-local"})
    EXPECT_EQ(HostCheck(bad), AdminRefusal::BadAddress) << bad;
  ravix::AddressWithPrefix parsed;
  ASSERT_TRUE(ravix::ParseAddressWithPrefix("192.168.0.90/24", parsed));
  EXPECT_EQ(parsed.Address, Ip("192.168.0.90"));
  EXPECT_EQ(parsed.Prefix, 24u);
  EXPECT_EQ(ravix::FormatAddressWithPrefix(parsed), "192.168.0.90/24");

  // Unicast only, every refused block at its edges.
  for (const char* bad : {"0.0.0.1/24", "0.255.255.1/24", "127.0.0.1/16", "127.255.0.1/16", "224.0.0.1/24",
                          "239.255.255.1/24", "240.0.0.1/24", "255.255.255.255/24"})
    EXPECT_EQ(HostCheck(bad), AdminRefusal::NotUnicast) << bad;
  for (const char* good : {"1.0.0.1/24", "126.255.0.1/16", "128.0.0.1/16", "223.255.255.1/24", "169.254.3.4/16",
                           "192.168.0.90/24", "10.0.0.1/30", "10.0.0.2/30"})
    EXPECT_EQ(HostCheck(good), AdminRefusal::None) << good;

  // /16 to /30: never a default route, a wide block or a host route.
  for (const char* bad : {"10.1.2.3/0", "10.1.2.3/8", "10.1.2.3/15", "10.1.2.3/31", "10.1.2.3/32"})
    EXPECT_EQ(HostCheck(bad), AdminRefusal::PrefixRange) << bad;
  // The subnet's own address and its broadcast address are no host addresses.
  for (const char* bad : {"192.168.0.0/24", "192.168.0.255/24", "10.0.0.0/30", "10.0.0.3/30", "169.254.0.0/16",
                          "169.254.255.255/16"})
    EXPECT_EQ(HostCheck(bad), AdminRefusal::NotHostAddress) << bad;

  // A subnet to route is named by its own address.
  EXPECT_EQ(SubnetCheck("192.168.77.0/24"), AdminRefusal::None);
  EXPECT_EQ(SubnetCheck("169.254.0.0/16"), AdminRefusal::None);
  EXPECT_EQ(SubnetCheck("192.168.77.10/24"), AdminRefusal::NotSubnetAddress);
  EXPECT_EQ(SubnetCheck("0.0.0.0/16"), AdminRefusal::NotUnicast);
  EXPECT_EQ(SubnetCheck("0.0.0.0/0"), AdminRefusal::NotUnicast);
  EXPECT_EQ(SubnetCheck("10.0.0.0/8"), AdminRefusal::PrefixRange);

  EXPECT_TRUE(ravix::IsLinkLocalHost(Ip("169.254.1.0")));
  EXPECT_TRUE(ravix::IsLinkLocalHost(Ip("169.254.254.255")));
  EXPECT_FALSE(ravix::IsLinkLocalHost(Ip("169.254.0.7")));
  EXPECT_FALSE(ravix::IsLinkLocalHost(Ip("169.254.255.1")));
  EXPECT_FALSE(ravix::IsLinkLocalHost(Ip("169.253.1.1")));
}

// Addresses proposed for a first contact with a camera in no subnet of the PC.
TEST(AdminChecks, AddressesProposedNearACamera) {
  const auto texts = [](const std::vector<ravix::AddressWithPrefix>& list) {
    std::vector<std::string> out;
    for (const auto& a : list) out.push_back(ravix::FormatAddressWithPrefix(a));
    return out;
  };
  EXPECT_EQ(texts(ravix::ProposeAddressesNear(Ip("192.168.0.90"), 24, 3)),
            (std::vector<std::string>{"192.168.0.254/24", "192.168.0.253/24", "192.168.0.252/24"}));
  EXPECT_EQ(texts(ravix::ProposeAddressesNear(Ip("192.168.0.254"), 0, 2)),
            (std::vector<std::string>{"192.168.0.253/24", "192.168.0.252/24"}))
      << "no prefix known: /24; never the camera's own address";
  EXPECT_EQ(texts(ravix::ProposeAddressesNear(Ip("10.0.0.1"), 30, 5)), (std::vector<std::string>{"10.0.0.2/30"}));
  EXPECT_EQ(texts(ravix::ProposeAddressesNear(Ip("169.254.3.4"), 16, 1)), (std::vector<std::string>{"169.254.254.255/16"}))
      << "link-local: only 169.254.1.0 .. 169.254.254.255";
  EXPECT_TRUE(ravix::ProposeAddressesNear(Ip("127.0.0.5"), 24, 3).empty());
  EXPECT_TRUE(ravix::ProposeAddressesNear(Ip("10.1.2.3"), 8, 3).empty());
  EXPECT_TRUE(ravix::ProposeAddressesNear(Ip("192.168.0.255"), 24, 3).empty());
}

TEST(AdminChecks, AdapterNames) {
  for (const char* good : {"eth0", "enp3s0f1", "wlp0s20f3", "br-lan", "a", "abcdefghijklmno"})
    EXPECT_TRUE(ravix::IsAdapterName(good)) << good;
  for (const char* bad : {"", "abcdefghijklmnop", "eth0/1", "eth0:1", "eth 0", ".", "..", "eth\n0"})
    EXPECT_FALSE(ravix::IsAdapterName(bad)) << bad;
}

// Every refusal comes before any change, so these run without root and touch nothing.
TEST(AdminChecks, CommandsRefusedBeforeAnyChange) {
  const std::vector<std::pair<std::vector<std::string>, AdminRefusal>> cases = {
      {{}, AdminRefusal::Usage},
      {{"flush"}, AdminRefusal::Usage},
      {{"route"}, AdminRefusal::Usage},
      {{"route", "lo"}, AdminRefusal::Usage},
      {{"route", "lo", "127.0.0.0/8", "eth0"}, AdminRefusal::Usage},
      {{"add", "lo"}, AdminRefusal::Usage},
      {{"add", "lo", "10.1.1.1/24", "3600"}, AdminRefusal::Usage},
      {{"remove", "lo", "10.1.1.1/24", "x"}, AdminRefusal::Usage},
      {{"add", "lo", "10.1.1.1"}, AdminRefusal::BadAddress},
      {{"add", "lo", "127.0.0.2/16"}, AdminRefusal::NotUnicast},
      {{"add", "lo", "10.1.1.1/8"}, AdminRefusal::PrefixRange},
      {{"add", "lo", "10.1.1.0/24"}, AdminRefusal::NotHostAddress},
      {{"add", "lo", "10.1.1.1/24"}, AdminRefusal::LoopbackAdapter},
      {{"add", "lo", "link-local"}, AdminRefusal::LoopbackAdapter},
      {{"add", "no-such-adapter", "10.1.1.1/24"}, AdminRefusal::UnknownAdapter},
      {{"add", "../../etc", "10.1.1.1/24"}, AdminRefusal::UnknownAdapter},
      {{"renew", "lo", "10.1.1.1/24"}, AdminRefusal::LoopbackAdapter},
      {{"remove", "lo", "10.1.1.255/24"}, AdminRefusal::NotHostAddress},
      {{"route", "lo", "10.1.1.5/24"}, AdminRefusal::NotSubnetAddress},
      {{"route", "lo", "0.0.0.0/0"}, AdminRefusal::NotUnicast},
      {{"route", "lo", "10.1.0.0/16", "no-such-adapter", "10.2.0.0/16"}, AdminRefusal::LoopbackAdapter},
  };
  for (const auto& [args, expected] : cases) {
    std::string joined;
    for (const std::string& a : args) joined += a + " ";
    const ravix::AdminResult result = ravix::RunAdminCommand(args);
    EXPECT_EQ(result.Refusal, expected) << joined << "-> " << result.Message;
    EXPECT_FALSE(result.Message.empty()) << joined;
    EXPECT_EQ(result.Message.find('\n'), std::string::npos) << "one line: " << result.Message;
  }
}

// The program: its refusal is its exit code, with one line on standard error, and the
// finder reads that code back as a refusal; pkexec's own codes mean declined and no
// authorisation.
TEST(AdminChecks, HelperProgramExitCodes) {
  const std::string helper = RAVIX_NETADMIN_BINARY;
  const ravix::HelperRunner run = ravix::ProgramRunner({helper});
  const std::atomic<bool> stop{false};
  ravix::HelperReply reply = run({"add", "lo", "10.1.1.1/24"}, stop);
  EXPECT_EQ(reply.ExitCode, static_cast<int>(AdminRefusal::LoopbackAdapter));
  EXPECT_EQ(reply.Outcome, ravix::HelperOutcome::Refused);
  EXPECT_EQ(reply.Message, "ravixfinder-netadmin: adapter 'lo' is the loopback adapter");
  EXPECT_TRUE(reply.Output.empty());
  reply = run({"route", "lo", "224.0.0.0/24"}, stop);
  EXPECT_EQ(reply.ExitCode, static_cast<int>(AdminRefusal::NotUnicast));
  reply = run({}, stop);
  EXPECT_EQ(reply.ExitCode, static_cast<int>(AdminRefusal::Usage));

  EXPECT_EQ(ravix::OutcomeOfExitCode(0), ravix::HelperOutcome::Done);
  EXPECT_EQ(ravix::OutcomeOfExitCode(126), ravix::HelperOutcome::Declined);
  EXPECT_EQ(ravix::OutcomeOfExitCode(127), ravix::HelperOutcome::NotAuthorised);
  EXPECT_EQ(ravix::OutcomeOfExitCode(static_cast<int>(AdminRefusal::SystemError)), ravix::HelperOutcome::Refused);
  EXPECT_EQ(ravix::OutcomeOfExitCode(1), ravix::HelperOutcome::Unavailable);
  EXPECT_EQ(ravix::OutcomeOfExitCode(137), ravix::HelperOutcome::Unavailable);

  // A program that is not there: unavailable, with the reason.
  reply = ravix::ProgramRunner({"/nonexistent/ravixfinder-netadmin"})({"route"}, stop);
  EXPECT_EQ(reply.Outcome, ravix::HelperOutcome::Unavailable);
  EXPECT_FALSE(ravix::DescribeHelperFailure(reply).empty());
}

}  // namespace
