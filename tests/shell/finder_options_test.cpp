#include "shell/finder_options.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

bool Parse(std::vector<const char*> args, FinderOptions& options, std::string& error) {
  args.insert(args.begin(), "ravixfinder");
  return ParseFinderOptions(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(FinderOptions, ListWithEverything) {
  FinderOptions o;
  std::string error;
  ASSERT_TRUE(Parse({"--list", "--seconds", "12", "--all", "--format", "json"}, o, error)) << error;
  EXPECT_EQ(o.mode, FinderOptions::Mode::List);
  EXPECT_EQ(o.seconds, 12);
  EXPECT_TRUE(o.all);
  EXPECT_EQ(o.format, ListingFormat::Json);
  ASSERT_TRUE(Parse({}, o, error));
  EXPECT_EQ(o.mode, FinderOptions::Mode::Gui);
  EXPECT_EQ(o.seconds, 5);
}

TEST(FinderOptions, ClipboardSwitchOnlyAsLastArgumentAnyCase) {
  FinderOptions o;
  std::string error;
  for (const char* form : {"/clipboard", "-CLIPBOARD", "--ClipBoard"}) {
    ASSERT_TRUE(Parse({form}, o, error)) << form;
    EXPECT_TRUE(o.clipboardMode) << form;
  }
  EXPECT_FALSE(Parse({"/clipboard", "--list"}, o, error));
  EXPECT_FALSE(Parse({"/clipboards"}, o, error));
}

TEST(FinderOptions, BadCommandLinesNameTheFault) {
  FinderOptions o;
  std::string error;
  EXPECT_FALSE(Parse({"--list", "--seconds", "0"}, o, error));
  EXPECT_NE(error.find("--seconds"), std::string::npos);
  EXPECT_FALSE(Parse({"--list", "--seconds", "5x"}, o, error));
  EXPECT_FALSE(Parse({"--list", "--seconds"}, o, error));
  EXPECT_FALSE(Parse({"--list", "--format", "xml"}, o, error));
  EXPECT_NE(error.find("table, csv, json"), std::string::npos);
  EXPECT_FALSE(Parse({"--bogus"}, o, error));
  EXPECT_EQ(error, "unknown option '--bogus'");
  EXPECT_FALSE(Parse({"--update-firmware", "fw.bin"}, o, error));
  EXPECT_NE(error.find("--camera"), std::string::npos);
  EXPECT_FALSE(Parse({"--list", "--camera", "x"}, o, error));
  EXPECT_FALSE(Parse({"--list", "--update-firmware", "f", "--camera", "x"}, o, error));
  EXPECT_FALSE(Parse({"--assign-addresses"}, o, error));
  EXPECT_NE(error.find("address plan"), std::string::npos);
  EXPECT_FALSE(Parse({"--assign-addresses", ""}, o, error));
  EXPECT_FALSE(Parse({"--list", "--dry-run"}, o, error));
  EXPECT_NE(error.find("--dry-run"), std::string::npos);
  EXPECT_FALSE(Parse({"--assign-addresses", "p.csv", "--list"}, o, error));
}

TEST(FinderOptions, ReachOptionsAreCheckedAndCollected) {
  FinderOptions o;
  std::string error;
  ASSERT_TRUE(Parse({"--list", "--domain", "cameras.example.net", "--domain", "site2.example.org.", "--dns-server",
                     "192.0.2.53", "--address", "192.0.2.10", "--address", "10.1.0.0/22"},
                    o, error))
      << error;
  EXPECT_EQ(o.domains, (std::vector<std::string>{"cameras.example.net.", "site2.example.org."}));
  EXPECT_EQ(o.dnsServers, (std::vector<std::string>{"192.0.2.53"}));
  EXPECT_EQ(o.addresses, (std::vector<std::string>{"192.0.2.10", "10.1.0.0/22"}));
  ASSERT_TRUE(Parse({"--address", "192.0.2.10"}, o, error));  // the window takes them too
  EXPECT_EQ(o.mode, FinderOptions::Mode::Gui);

  const struct {
    std::vector<const char*> args;
    const char* text;
  } bad[] = {
      {{"--list", "--address", "10.0.0.0/16"}, "--address: '10.0.0.0/16': blocks wider than /22"},
      {{"--list", "--address", "224.0.0.251"}, "multicast"},
      {{"--list", "--address"}, "--address: needs"},
      {{"--list", "--domain", "local."}, "local. is always browsed"},
      {{"--list", "--domain", "a..b"}, "empty label"},
      {{"--list", "--domain"}, "--domain: needs"},
      {{"--list", "--dns-server", "dns.example.net"}, "--dns-server needs"},
  };
  for (const auto& b : bad) {
    EXPECT_FALSE(Parse(b.args, o, error)) << b.text;
    EXPECT_NE(error.find(b.text), std::string::npos) << error;
  }
}

TEST(FinderOptions, UpdateFirmwareCollectsCameras) {
  FinderOptions o;
  std::string error;
  ASSERT_TRUE(Parse({"--update-firmware", "fw.bin", "--camera", "Cam 1", "--camera", "SN0002"}, o, error)) << error;
  EXPECT_EQ(o.mode, FinderOptions::Mode::UpdateFirmware);
  EXPECT_EQ(o.firmwareFile, "fw.bin");
  EXPECT_EQ(o.cameras, (std::vector<std::string>{"Cam 1", "SN0002"}));

  ASSERT_TRUE(Parse({"--assign-addresses", "site.csv", "--dry-run", "--seconds", "9"}, o, error)) << error;
  EXPECT_EQ(o.mode, FinderOptions::Mode::AssignAddresses);
  EXPECT_EQ(o.planFile, "site.csv");
  EXPECT_TRUE(o.dryRun);
  EXPECT_EQ(o.seconds, 9);
}

}  // namespace

namespace {

TEST(FinderOptions, TemporaryAddressesCheckedAsTheHelperChecksThem) {
  FinderOptions o;
  std::string error;
  ASSERT_TRUE(Parse({"--list", "--temporary-address", "eth0", "--temporary-address", "enp3s0=192.168.0.50/24"}, o,
                    error))
      << error;
  ASSERT_EQ(o.temporaryAddresses.size(), 2u);
  EXPECT_EQ(o.temporaryAddresses[0].Adapter, "eth0");
  EXPECT_EQ(o.temporaryAddresses[0].Address, "") << "link-local";
  EXPECT_EQ(o.temporaryAddresses[1].Adapter, "enp3s0");
  EXPECT_EQ(o.temporaryAddresses[1].Address, "192.168.0.50/24");
  ASSERT_TRUE(Parse({"--update-firmware", "fw.bin", "--camera", "x", "--temporary-address", "eth0"}, o, error));

  const std::vector<std::pair<std::vector<const char*>, const char*>> refused = {
      {{"--list", "--temporary-address"}, "not an adapter name"},
      {{"--list", "--temporary-address", "=10.0.0.5/24"}, "not an adapter name"},
      {{"--list", "--temporary-address", "eth0/x"}, "not an adapter name"},
      {{"--list", "--temporary-address", "eth0="}, "not an address"},
      {{"--list", "--temporary-address", "eth0=192.168.0.50"}, "not an address"},
      {{"--list", "--temporary-address", "eth0=127.0.0.5/16"}, "loopback"},
      {{"--list", "--temporary-address", "eth0=224.0.0.5/24"}, "multicast"},
      {{"--list", "--temporary-address", "eth0=10.0.0.5/8"}, "outside /16 to /30"},
      {{"--list", "--temporary-address", "eth0=192.168.0.255/24"}, "broadcast"},
      {{"--temporary-address", "eth0"}, "only used with --list, --update-firmware and --assign-addresses"},
  };
  for (const auto& [args, why] : refused) {
    EXPECT_FALSE(Parse(args, o, error)) << args.back();
    EXPECT_NE(error.find(why), std::string::npos) << args.back() << ": " << error;
  }
}

}  // namespace
