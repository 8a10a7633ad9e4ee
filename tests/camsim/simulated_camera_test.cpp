// A camera's HTTP interfaces at the request level: login sessions, the parameter answer
// lines, the firmware chain and the faults that change answers.
#include <gtest/gtest.h>

#include <boost/regex.hpp>

#include "tools/camsim/firmware_image.h"
#include "tools/camsim/simulated_camera.h"

namespace {

using camsim::CameraRequest;
using camsim::CameraResponse;

// The client's patterns (Perl syntax, case-insensitive, "." matches line breaks).
const boost::regex kSession(R"(.+?session_id:\s+'([0-9a-f]+)'.+?)", boost::regex::perl | boost::regex::icase);
const boost::regex kMatching(R"(.*?\sis matching\s.*)", boost::regex::perl | boost::regex::icase);
const boost::regex kRefresh(R"re(.*?<meta\s+http-equiv="refresh"\s+content="(\d+);\s+url=(/.*?)">.*)re",
                            boost::regex::perl | boost::regex::icase);
const boost::regex kPercent(R"(.*?(\d+)\s*?[%].*)", boost::regex::perl | boost::regex::icase);

class SimulatedCameraTest : public ::testing::Test {
 protected:
  void Make(const std::string& json) {
    std::string error;
    auto config = camsim::ParseSimulationConfig(R"({"cameras":[)" + json + "]}", error);
    ASSERT_TRUE(config) << error;
    camera_config_ = config->cameras[0];
    camera_config_.address = "192.0.2.10";
    camera_config_.port = 80;
    camsim::CompleteCamera(camera_config_, 1);
    camera_ = camsim::SimulatedCamera::Create(
        camera_config_,
        std::shared_ptr<const camsim::ParameterCatalogue>(&camsim::ParameterCatalogue::Default(),
                                                          [](const camsim::ParameterCatalogue*) {}),
        error);
    ASSERT_TRUE(camera_) << error;
  }

  CameraResponse Get(const std::string& path, const std::string& query = "") {
    return camera_->Handle({"GET", path, query, std::nullopt});
  }

  CameraResponse Post(const std::string& path, const std::string& query, camsim::UploadedPart part) {
    return camera_->Handle({"POST", path, query, std::move(part)});
  }

  std::string Login(const std::string& user, const std::string& password) {
    const CameraResponse r = Get("/cgi-bin/auth_if.cgi", "Login&username=" + user + "&password=" + password);
    boost::smatch m;
    if (r.status != 200 || !boost::regex_match(r.body, m, kSession)) return {};
    return m[1];
  }

  camsim::CameraConfig camera_config_;
  std::unique_ptr<camsim::SimulatedCamera> camera_;
};

TEST_F(SimulatedCameraTest, LoginSessionsGuardTheInterfaces) {
  Make(R"({"serial":"S1","login":{"username":"admin","password":"p w&"}})");
  const std::string probe = "NumActions=1&Action_0=Global.OperationMode.GetIntValue";
  EXPECT_EQ(Get("/cgi-bin/param_if.cgi", probe).status, 401);
  EXPECT_EQ(Get("/cgi-bin/firmware.cgi/upload").status, 401);
  EXPECT_EQ(Login("admin", "wrong"), "");
  EXPECT_EQ(Get("/cgi-bin/auth_if.cgi", "Login&username=admin&password=wrong").status, 401);

  // Escaped like the client does: every byte but letters and digits.
  const std::string session = Login("admin", "p%20w%26");
  ASSERT_EQ(session.size(), 16u);
  EXPECT_NE(Login("admin", "p%20w%26"), session);  // every login its own session
  const CameraResponse ok = Get("/cgi-bin/param_if.cgi", probe + "&session_id=" + session);
  EXPECT_EQ(ok.status, 200);
  EXPECT_EQ(ok.body, "Return_0=1\n");
  EXPECT_EQ(Get("/cgi-bin/param_if.cgi", probe + "&session_id=0123").status, 401);
  EXPECT_EQ(Get("/cgi-bin/firmware.cgi/upload", "session_id=" + session).status, 200);

  EXPECT_EQ(Get("/cgi-bin/auth_if.cgi", "Logout&session_id=" + session).status, 200);
  EXPECT_EQ(Get("/cgi-bin/param_if.cgi", probe + "&session_id=" + session).status, 401);
  EXPECT_EQ(camera_->SessionCount(), 1u);
}

TEST_F(SimulatedCameraTest, CameraWithoutLoginGrantsSessionsAndAnswersWithout) {
  Make(R"({"serial":"S2"})");
  EXPECT_EQ(Get("/cgi-bin/param_if.cgi", "NumActions=1&Action_0=Global.OperationMode.GetIntValue").status, 200);
  EXPECT_FALSE(Login("anyone", "anything").empty());
}

TEST_F(SimulatedCameraTest, ParameterAnswerHasOneLinePerActionInOrder) {
  Make(R"({"serial":"S3","parameters":{"Image.Brightness":30}})");
  const CameraResponse r = Get("/cgi-bin/param_if.cgi",
                               "NumActions=4&Action_0=Network.DHCP.GetValue&Action_1=Network.HostName.GetValue"
                               "&Action_3=Image.Brightness.SetValue&Parameter_3_0=35");
  EXPECT_EQ(r.body, "Return_0=0\nReturn_1=ravix-s3\nException_2=Missing Action_2\nReturn_3=35\n");
  EXPECT_EQ(Get("/cgi-bin/param_if.cgi", "NumActions=0").body, "");
  EXPECT_EQ(Get("/cgi-bin/param_if.cgi", "NumActions=x").status, 400);
  EXPECT_EQ(Get("/cgi-bin/param_if.cgi", "Action_0=Network.DHCP.GetValue").status, 400);
  EXPECT_EQ(Get("/cgi-bin/nothing.cgi").status, 404);
  // Values derived from the description.
  EXPECT_EQ(camera_->GetParameter("Network.IPAddress"), "192.0.2.10");
  EXPECT_EQ(camera_->GetParameter("Device.SerialNumber"), "S3");
}

TEST_F(SimulatedCameraTest, AnswerFaultsChangeTheAnswers) {
  Make(R"({"serial":"S4","faults":{"exception":true}})");
  const std::string two = "NumActions=2&Action_0=Network.DHCP.GetValue&Action_1=Network.HostName.GetValue";
  EXPECT_EQ(Get("/cgi-bin/param_if.cgi", two).body, "Exception_0=Camera is busy\nException_1=Camera is busy\n");

  camsim::FaultSettings f;
  f.malformed = true;
  camera_->SetFaults(f);
  EXPECT_EQ(Get("/cgi-bin/param_if.cgi", two).body.find("Return_"), std::string::npos);
  EXPECT_EQ(Login("a", "b"), "");  // a login answer without session id

  f = {};
  f.oversize = true;
  camera_->SetFaults(f);
  const CameraResponse big = Get("/cgi-bin/param_if.cgi", two);
  EXPECT_GT(big.body.size(), 4096u);
  EXPECT_EQ(big.body.rfind("Return_0=0\nReturn_1=ravix-s4\n", 0), 0u);

  f = {};
  f.httpStatus = 500;
  f.pathFilter = "firmware.cgi";
  camera_->SetFaults(f);
  EXPECT_EQ(Get("/cgi-bin/firmware.cgi/upload").status, 500);
  EXPECT_EQ(Get("/cgi-bin/param_if.cgi", two).status, 200);
}

class FirmwareChainTest : public SimulatedCameraTest {
 protected:
  camsim::UploadedPart Part(const std::string& image) { return {"firmware", "RavixFinderRocks.bin", image}; }

  // Follows refresh instructions from page like the client: path, delay and percent.
  struct Hop {
    std::string next;
    int delay = -1;
    int percent = -1;
  };
  static Hop Read(const std::string& page) {
    Hop hop;
    boost::smatch m;
    if (boost::regex_match(page, m, kRefresh)) {
      hop.delay = std::stoi(m[1]);
      hop.next = m[2];
    }
    if (boost::regex_match(page, m, kPercent)) hop.percent = std::stoi(m[1]);
    return hop;
  }
};

TEST_F(FirmwareChainTest, AcceptedImageRunsThroughStatusPagesToCheck) {
  Make(R"({"serial":"S5","fwversion":"3.2.1","firmware":{"status_pages":3,"refresh_seconds":2}})");
  int txtChanges = 0;
  camera_->SetTxtListener([&] { ++txtChanges; });
  EXPECT_EQ(Get("/cgi-bin/firmware.cgi/upload").status, 200);
  const CameraResponse verified =
      Post("/cgi-bin/firmware.cgi/verify", "", Part(camsim::MakeFirmwareImage(5000, "3.4.0")));
  EXPECT_TRUE(boost::regex_match(verified.body, kMatching)) << verified.body;

  Hop hop = Read(Get("/cgi-bin/firmware.cgi/finish").body);
  EXPECT_EQ(hop.next, "/cgi-bin/firmware.cgi/status");
  EXPECT_EQ(hop.delay, 2);
  std::vector<int> percents;
  int pages = 0;
  while (hop.next.find("status") != std::string::npos && pages < 10) {
    hop = Read(Get("/" + hop.next).body);  // base URL "/" + path: two slashes
    percents.push_back(hop.percent);
    ++pages;
  }
  EXPECT_EQ(pages, 3);
  EXPECT_EQ(hop.next, "/cgi-bin/firmware.cgi/check");
  EXPECT_EQ(percents, (std::vector<int>{25, 50, 75}));
  EXPECT_EQ(Get("/" + hop.next).status, 200);
  EXPECT_EQ(txtChanges, 1);
  EXPECT_EQ(camera_->GetParameter("Device.FirmwareVersion"), "3.4.0");
  const auto txt = camera_->Txt();
  EXPECT_NE(std::find(txt.begin(), txt.end(), std::make_pair(std::string("fwversion.zorvnet"), std::string("3.4.0"))),
            txt.end());
}

TEST_F(FirmwareChainTest, BadUploadsAreNotMatching) {
  Make(R"({"serial":"S6"})");
  const std::string good = camsim::MakeFirmwareImage(3000, "1.0");
  std::string damaged = good;
  damaged[100] ^= 0x55;
  EXPECT_EQ(camsim::Crc32("123456789", 9), 0xCBF43926u);  // the check value of CRC-32
  const std::vector<std::pair<const char*, camsim::UploadedPart>> cases = {
      {"damaged", Part(damaged)},
      {"truncated", Part(good.substr(0, good.size() - 10))},
      {"wrong part name", {"file", "RavixFinderRocks.bin", good}},
      {"no file name", {"firmware", "", good}},
  };
  for (const auto& [what, part] : cases) {
    Get("/cgi-bin/firmware.cgi/upload");
    EXPECT_FALSE(boost::regex_match(Post("/cgi-bin/firmware.cgi/verify", "", part).body, kMatching)) << what;
    EXPECT_EQ(Get("/cgi-bin/firmware.cgi/finish").status, 409) << what;
  }
  // verify without upload, then a refused camera
  EXPECT_FALSE(boost::regex_match(Post("/cgi-bin/firmware.cgi/verify", "", Part(good)).body, kMatching));
  camsim::FaultSettings f;
  f.firmwareRefused = true;
  camera_->SetFaults(f);
  Get("/cgi-bin/firmware.cgi/upload");
  EXPECT_FALSE(boost::regex_match(Post("/cgi-bin/firmware.cgi/verify", "", Part(good)).body, kMatching));
}

TEST_F(FirmwareChainTest, EndlessStatusAndReset) {
  Make(R"({"serial":"S7","faults":{"endless_status":true}})");
  Get("/cgi-bin/firmware.cgi/upload");
  Post("/cgi-bin/firmware.cgi/verify", "", Part(camsim::MakeFirmwareImage(200, "2")));
  Hop hop = Read(Get("/cgi-bin/firmware.cgi/finish").body);
  for (int i = 0; i < 150; ++i) {
    hop = Read(Get("/" + hop.next).body);
    ASSERT_EQ(hop.next, "/cgi-bin/firmware.cgi/status");
    ASSERT_GE(hop.percent, 1);
    ASSERT_LE(hop.percent, 99);
  }
  EXPECT_EQ(Get("/cgi-bin/firmware.cgi/reset").status, 200);
  EXPECT_EQ(Read(Get("//cgi-bin/firmware.cgi/status").body).next, "");  // nothing running any more
}

}  // namespace
