// First contact from the command line, in tools/netlab with two links: pc0 has no IPv4
// address at all and two cameras that have only their link-local addresses; pc1 is
// 10.20.0.1/24 and its camera sits at 192.168.0.90/24. ravixfinder --list with
// --temporary-address completes all three, and after it ends nothing is left on the
// adapters. Root here stands for a granted authorisation (the helper's work in process).
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "tests/support/camsim_process.h"
#include "tests/support/lab_shell.h"

namespace {

using ravix::test::Env;

std::string Output(const std::string& command, int* exitCode = nullptr) {
  return ravix::test::CommandOutput(command, exitCode);
}

std::string FinderBinary() {
  const std::string dir = Env("RAVIX_BINARY_DIR");
  return dir.empty() ? RAVIX_FINDER_BINARY : dir + "/shell/ravixfinder";
}

std::string Addresses(const std::string& adapter) {
  return Output("ip -4 -o addr show dev " + adapter + " | awk '{print $4}'");
}

const char* const kLinkLocalCameras = R"({"cameras": [
  {"model": "Ravix-B120", "serial": "ZV000301", "mac": "00-1e-c0-00-03-01"},
  {"model": "Ravix-B120", "serial": "ZV000302", "mac": "00-1e-c0-00-03-02"}]})";
const char* const kFactoryCamera = R"({"cameras": [
  {"model": "Ravix-D210", "serial": "ZV000401", "mac": "00-1e-c0-00-04-01", "prefix": 24}]})";

class FirstContact : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Env("NETLAB_ID").empty()) GTEST_SKIP() << "not inside tools/netlab";
    ASSERT_EQ(Env("NETLAB_LINKS"), "2");
    pc0_ = Env("NETLAB_PC0_IF");
    pc1_ = Env("NETLAB_PC1_IF");
    ASSERT_EQ(std::system(("ip addr flush dev " + pc0_).c_str()), 0);
    ASSERT_EQ(Addresses(pc0_), "") << "an adapter without IPv4 address";
    for (int link = 0; link < 2; ++link) {
      CamsimProcess::Options options;
      options.cameraNamespace = Env("NETLAB_CAM" + std::to_string(link));
      options.camerasJson = link == 0 ? kLinkLocalCameras : kFactoryCamera;
      sims_[link] = std::make_unique<CamsimProcess>(options);
      std::string error;
      ASSERT_TRUE(sims_[link]->Start(&error)) << error;
    }
    char pattern[] = "/tmp/first-contact-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    home_ = pattern;
  }
  void TearDown() override {
    for (auto& sim : sims_) sim.reset();
    if (!home_.empty()) std::filesystem::remove_all(home_);
  }

  std::map<std::string, nlohmann::json> List(const std::string& extra, int& status) {
    const std::string command = "env HOME=" + home_ + " XDG_CONFIG_HOME=" + home_ + "/config XDG_DATA_HOME=" + home_ +
                                "/data " + FinderBinary() + " --list --seconds 4 --format json " + extra + " 2>" +
                                home_ + "/stderr";
    const std::string out = Output(command, &status);
    std::map<std::string, nlohmann::json> bySerial;
    const nlohmann::json list = nlohmann::json::parse(out, nullptr, false);
    if (!list.is_array()) return bySerial;
    for (const nlohmann::json& row : list) bySerial[row.value("Serial", "")] = row;
    return bySerial;
  }
  std::string Stderr() { return Output("cat " + home_ + "/stderr"); }

  std::string pc0_, pc1_, home_;
  std::unique_ptr<CamsimProcess> sims_[2];
};

TEST_F(FirstContact, TemporaryAddressesReachBothCamerasAndGoAtExit) {
  int status = -1;
  // Without them the factory camera is found but not reached.
  auto cameras = List("", status);
  EXPECT_EQ(status, 0) << Stderr();
  ASSERT_EQ(cameras.count("ZV000401"), 1u) << Stderr();
  EXPECT_EQ(cameras["ZV000401"].value("Reachable", ""), "no");
  EXPECT_NE(Stderr().find("(192.168.0.90) is in no subnet of adapter " + pc1_ + "; --temporary-address " + pc1_ +
                          "=192.168.0.254/24 would reach it"),
            std::string::npos)
      << Stderr();

  cameras = List("--temporary-address " + pc0_ + " --temporary-address " + pc1_ + "=192.168.0.50/24", status);
  EXPECT_EQ(status, 0) << Stderr();
  for (const char* serial : {"ZV000301", "ZV000302", "ZV000401"}) {
    SCOPED_TRACE(serial);
    ASSERT_EQ(cameras.count(serial), 1u) << Stderr();
    EXPECT_EQ(cameras[serial].value("Reachable", ""), "yes");
    EXPECT_EQ(cameras[serial].value("Connected To", ""), serial[5] == '3' ? pc0_ : pc1_);
    EXPECT_EQ(cameras[serial].value("Prefix", ""), serial[5] == '3' ? "16" : "24") << "read from the camera";
  }
  EXPECT_NE(Stderr().find("temporary address 169.254."), std::string::npos) << Stderr();
  EXPECT_NE(Stderr().find("temporary address 192.168.0.50/24 on " + pc1_), std::string::npos) << Stderr();
  EXPECT_EQ(Addresses(pc0_), "") << "nothing left after exit";
  EXPECT_EQ(Addresses(pc1_), "10.20.0.1/24\n");

  // Refused input: exit 2 with the reason, nothing added.
  List("--temporary-address " + pc1_ + "=192.168.0.90/24", status);
  EXPECT_EQ(status, 2);
  EXPECT_NE(Stderr().find("192.168.0.90 is in use by"), std::string::npos) << Stderr();
  List("--temporary-address no-such-nic", status);
  EXPECT_EQ(status, 2);
  EXPECT_NE(Stderr().find("there is no adapter named 'no-such-nic'"), std::string::npos) << Stderr();
  List("--temporary-address " + pc0_ + "=10.1.1.1/8", status);
  EXPECT_EQ(status, 2);
  EXPECT_NE(Stderr().find("outside /16 to /30"), std::string::npos) << Stderr();
  EXPECT_EQ(Addresses(pc0_), "");
  EXPECT_EQ(Addresses(pc1_), "10.20.0.1/24\n");
}

// Ctrl-C (and SIGTERM) in the middle of a listing: the temporary address goes before the
// process ends with 128 + the signal's number.
TEST_F(FirstContact, InterruptedListingRemovesItsAddress) {
  for (const int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal);
    const std::string command = "env HOME=" + home_ + " XDG_CONFIG_HOME=" + home_ + "/config XDG_DATA_HOME=" + home_ +
                                "/data " + FinderBinary() + " --list --seconds 60 --temporary-address " + pc1_ +
                                "=192.168.0.50/24 >/dev/null 2>" + home_ + "/stderr";
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      // As from a terminal: the lab's runner may leave these ignored, which the finder keeps.
      std::signal(SIGINT, SIG_DFL);
      std::signal(SIGTERM, SIG_DFL);
      execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    bool added = false;
    for (int i = 0; i < 200 && !added; ++i) {
      added = Addresses(pc1_).find("192.168.0.50/24") != std::string::npos;
      if (!added) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(added) << Stderr();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // into the listing
    kill(pid, signal);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal itself";
    EXPECT_EQ(WEXITSTATUS(status), 128 + signal) << Stderr();
    EXPECT_NE(Stderr().find("removing the temporary addresses"), std::string::npos) << Stderr();
    EXPECT_EQ(Addresses(pc1_), "10.20.0.1/24\n") << "nothing left after the interrupt";
  }
}

}  // namespace
