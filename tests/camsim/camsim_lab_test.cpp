// Runs inside tools/netlab: the simulator in camera namespace 0 announces its devices by
// mDNS and answers HTTP on their addresses; the control channel changes them at run time.
#include <gtest/gtest.h>
#include <httplib.h>

#include <cstdlib>

#include "tests/camsim/lab_browser.h"
#include "tests/support/camsim_process.h"

namespace {

using Services = std::map<std::string, BrowsedService>;

class CamsimLabTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("NETLAB_ID") == nullptr) GTEST_SKIP() << "not inside tools/netlab";
    std::string error;
    ASSERT_TRUE(browser_.Start(error)) << error;
  }

  std::string Get(const std::string& address, const std::string& target, int* status = nullptr) {
    httplib::Client client(address, 80);
    client.set_connection_timeout(3);
    client.set_read_timeout(5);
    auto res = client.Get(target.c_str());
    if (status != nullptr) *status = res ? res->status : -1;
    return res ? res->body : std::string();
  }

  LabBrowser browser_;
};

TEST_F(CamsimLabTest, AnnouncesCamerasWithTheirTxtKeysAndOtherServices) {
  CamsimProcess::Options options;
  options.cameras = 6;
  options.profile = "mixed";
  CamsimProcess sim(options);
  std::string error;
  ASSERT_TRUE(sim.Start(&error)) << error;

  ASSERT_TRUE(browser_.WaitFor(
      [](const Services& s) {
        int resolved = 0;
        for (const auto& [name, service] : s) resolved += service.resolved ? 1 : 0;
        return resolved == 8;
      },
      15000));
  const Services services = browser_.Services();
  const BrowsedService& first = services.at("Ravix-B120 ZV000001");
  EXPECT_EQ(first.host, "ravix-zv000001.local");
  EXPECT_EQ(first.port, 80);
  EXPECT_EQ(first.txt.at("vendor.zorvnet"), "Zorvik");
  EXPECT_EQ(first.txt.at("serial.zorvnet"), "ZV000001");
  EXPECT_EQ(first.txt.at("macaddress.zorvnet"), "00-1e-c0-00-00-01");
  EXPECT_EQ(first.txt.at("ipv4-net.zorvnet"), first.address);
  EXPECT_EQ(services.at("Ravix-B120 ZV000003").txt.count("macaddress.zorvnet"), 0u);
  EXPECT_EQ(services.at("Ravix-D210 ZV000004").txt.at("model.zorvnet"), "Ravix-D210");
  EXPECT_EQ(services.at("Office Printer").txt.count("vendor.zorvnet"), 0u);
  EXPECT_EQ(services.at("Storage NAS").txt.count("vendor.zorvnet"), 0u);

  // The published address answers HTTP; camera 5 wants a login first.
  const std::string probe = "/cgi-bin/param_if.cgi?NumActions=1&Action_0=Global.OperationMode.GetIntValue";
  EXPECT_EQ(Get(first.address, probe), "Return_0=1\n");
  int status = 0;
  Get(services.at("Ravix-B120 ZV000005").address, probe, &status);
  EXPECT_EQ(status, 401);

  const auto log = sim.RequestLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0]["host"], "ravix-zv000001");
  EXPECT_EQ(log[0]["path"], "/cgi-bin/param_if.cgi");
  EXPECT_EQ(log[0]["query"], "NumActions=1&Action_0=Global.OperationMode.GetIntValue");
  EXPECT_EQ(log[1]["host"], "ravix-zv000005");
}

TEST_F(CamsimLabTest, ControlChannelAddsChangesAndWithdrawsCameras) {
  CamsimProcess::Options options;
  options.cameras = 1;
  CamsimProcess sim(options);
  std::string error;
  ASSERT_TRUE(sim.Start(&error)) << error;

  std::string host;
  ASSERT_TRUE(sim.AddCamera({{"name", "Added Cam"}, {"model", "Ravix2-D400"}, {"serial", "AD0001"}}, &host, &error))
      << error;
  EXPECT_EQ(host, "ravix-ad0001");
  ASSERT_TRUE(browser_.WaitFor([](const Services& s) { return s.count("Added Cam") && s.at("Added Cam").resolved; },
                               10000));

  ASSERT_TRUE(sim.SetTxt(host, {{"vendor.zorvnet", "Zorvik"}, {"fwversion.zorvnet", "9.9"}}, &error)) << error;
  EXPECT_TRUE(browser_.WaitFor(
      [](const Services& s) {
        const auto& txt = s.at("Added Cam").txt;
        return txt.count("fwversion.zorvnet") && txt.at("fwversion.zorvnet") == "9.9" && !txt.count("serial.zorvnet");
      },
      10000));

  // Without goodbye packets the browser would keep the service for its whole TTL.
  ASSERT_TRUE(sim.RemoveCamera(host, &error)) << error;
  EXPECT_TRUE(browser_.WaitFor([](const Services& s) { return s.at("Added Cam").removed; }, 5000));
  EXPECT_FALSE(sim.RemoveCamera(host));
  EXPECT_EQ(sim.List().size(), 1u);
}

}  // namespace
