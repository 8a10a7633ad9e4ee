// Firmware updates against the camera simulator in the network lab.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "camera/camera_client.h"
#include "records/browse_record.h"
#include "firmware/upload_protocol.h"
#include "firmware/update_batch.h"
#include "firmware/camera_worker.h"
#include "firmware_test_support.h"
#include "tests/support/camsim_process.h"

using testing::HasSubstr;
using nlohmann::json;

namespace {

std::vector<unsigned char> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

class FirmwareLab : public testing::Test {
 protected:
  void Start(const json& description) {
    CamsimProcess::Options options;
    options.camerasJson = description.dump();
    options.mdns = false;
    sim = std::make_unique<CamsimProcess>(options);
    std::string error;
    ASSERT_TRUE(sim->Start(&error)) << error;
    cameras = sim->List();
  }
  void StartPlain(int count) {
    json list = json::array();
    for (int i = 0; i < count; ++i) list.push_back({{"serial", "FW" + std::to_string(i)}, {"fwversion", "3.2.1"}});
    Start({{"cameras", list}});
  }
  int Open(std::size_t i, const std::string& credentials = "") {
    const std::string url = "http://" + credentials + cameras[i]["address"].get<std::string>() + "/";
    int id = 0;
    EXPECT_EQ(CameraOpen(url.c_str(), &id, nullptr), 0) << url;
    return id;
  }
  // The camera's logged firmware requests as "METHOD path?query".
  std::vector<json> FirmwareRequests(std::size_t i) const {
    std::vector<json> requests;
    for (const json& entry : sim->RequestLog()) {
      if (entry["address"] == cameras[i]["address"] &&
          entry["path"].get<std::string>().find("firmware.cgi") != std::string::npos) {
        requests.push_back(entry);
      }
    }
    return requests;
  }
  int Count(std::size_t i, const std::string& page) const {
    int n = 0;
    for (const json& entry : FirmwareRequests(i)) n += entry["path"].get<std::string>().ends_with(page) ? 1 : 0;
    return n;
  }

  std::unique_ptr<CamsimProcess> sim;
  json cameras;
  FakeTime time;
};

TEST_F(FirmwareLab, LoginCameraGetsTheImageWithItsSessionAndInstallsIt) {
  Start({{"cameras", {{{"serial", "FWS1"}, {"fwversion", "3.2.1"}, {"login", {{"username", "admin"}, {"password", "zorvik"}}}}}}});
  const std::string image = CamsimProcess::FirmwareImage(200000, "3.4.0");
  const int id = Open(0, "admin:zorvik@");
  EXPECT_EQ(CameraUpdateFirmware(id, Bytes(image).data(), static_cast<unsigned>(image.size()), nullptr, nullptr,
                                 time.timing),
            0);
  CameraClose(id);

  const std::vector<json> requests = FirmwareRequests(0);
  ASSERT_EQ(requests.size(), 6u);  // upload, verify, finish, status, status, check
  for (const json& request : requests) {
    EXPECT_THAT(request["query"].get<std::string>(), testing::MatchesRegex("session_id=[0-9a-f]+")) << request.dump();
  }
  EXPECT_EQ(requests[1]["method"], "POST");
  EXPECT_EQ(requests[1]["part"]["name"], "firmware");
  EXPECT_EQ(requests[1]["part"]["filename"], "RavixFinderRocks.bin");
  EXPECT_EQ(requests[1]["part"]["size"], image.size());
  EXPECT_EQ(requests[3]["path"], "//cgi-bin/firmware.cgi/status");
  EXPECT_EQ(requests[5]["path"], "//cgi-bin/firmware.cgi/check");
  EXPECT_EQ(sim->List()[0]["txt"].value("fwversion.zorvnet", ""), "3.4.0");
}

TEST_F(FirmwareLab, UploadRefusedWithLoginRequiredEndsTheWorkerWithoutPost) {
  StartPlain(1);
  ASSERT_TRUE(sim->SetFaults(cameras[0]["host"], {{"http_status", 401}, {"path_filter", "upload"}}));
  const std::string image = CamsimProcess::FirmwareImage(4096, "3.4.0");
  CBrowseRecord record;
  record.ServiceName = cameras[0]["name"];
  EventRecorder events;
  FirmwareJob job;
  job.record = &record;
  std::vector<unsigned char> bytes = Bytes(image);
  job.imageData = bytes.data();
  job.imageSize = static_cast<unsigned>(bytes.size());
  job.handleId = Open(0);
  job.progressTarget = events.target;
  job.timing = &time.timing;
  EXPECT_EQ(static_cast<int>(FWUpdateThread(&job)), -600);
  EXPECT_EQ(job.updateResult, 401);
  EXPECT_EQ(FirmwareRequests(0).size(), 1u);
  EXPECT_EQ(Count(0, "reset"), 0);
}

TEST_F(FirmwareLab, ImageCutOffWhilePostingReturnsWithoutReset) {
  StartPlain(1);
  ASSERT_TRUE(sim->SetFaults(cameras[0]["host"], {{"drop_upload", true}}));
  const std::vector<unsigned char> image = Bytes(CamsimProcess::FirmwareImage(1 << 20, "3.4.0"));
  const int id = Open(0);
  const CameraResult result =
      CameraUpdateFirmware(id, image.data(), static_cast<unsigned>(image.size()), nullptr, nullptr, time.timing);
  CameraClose(id);
  EXPECT_THAT(result, testing::AnyOf(CamSendFailed, CamReceiveFailed, CamTransferFailed));
  EXPECT_EQ(Count(0, "finish"), 0);
  EXPECT_EQ(Count(0, "reset"), 0);
}

TEST_F(FirmwareLab, CameraStuckInItsStatusPagesIsGivenUp) {
  time.timing.maxStatusPages = 40;  // the standard thousand pages are run on loopback
  StartPlain(1);
  ASSERT_TRUE(sim->SetFaults(cameras[0]["host"], {{"endless_status", true}}));
  const std::vector<unsigned char> image = Bytes(CamsimProcess::FirmwareImage(4096, "3.4.0"));
  const int id = Open(0);
  EXPECT_EQ(CameraUpdateFirmware(id, image.data(), static_cast<unsigned>(image.size()), nullptr, nullptr, time.timing),
            CamTimedOut);
  CameraClose(id);
  EXPECT_EQ(Count(0, "status"), 40);
  EXPECT_EQ(Count(0, "reset"), 1);
}

TEST_F(FirmwareLab, TenCamerasAtOnceWithOneRefusingTheImage) {
  StartPlain(10);
  ASSERT_TRUE(sim->SetFaults(cameras[6]["host"], {{"firmware_refused", true}}));
  const std::vector<unsigned char> image = Bytes(CamsimProcess::FirmwareImage(500000, "3.5.0"));
  std::vector<FirmwareUpdateTarget> targets;
  for (std::size_t i = 0; i < 10; ++i) targets.push_back({cameras[i]["name"], Open(i), CamOk});
  std::ostringstream out;
  EXPECT_EQ(UpdateFirmwareOnCameras(image, targets, out, &time.timing), kFirmwareCommandCameraFailed);
  json after = sim->List();
  for (std::size_t i = 0; i < 10; ++i) {
    SCOPED_TRACE(i);
    const std::string name = cameras[i]["name"];
    EXPECT_THAT(out.str(), HasSubstr(name + (i == 6 ? "  Firmware not supported" : "  Success")));
    EXPECT_EQ(after[i]["txt"].value("fwversion.zorvnet", ""), i == 6 ? "3.2.1" : "3.5.0");
    EXPECT_EQ(Count(i, "reset"), i == 6 ? 1 : 0);
  }
}

}  // namespace
