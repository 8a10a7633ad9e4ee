// The camera-side firmware sequence against a camera played on 127.0.0.1.
#include "firmware/upload_protocol.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "camera/camera_client.h"
#include "firmware_test_camera.h"
#include "firmware_test_support.h"

using testing::ElementsAre;
using testing::HasSubstr;
using Camera = FirmwareTestCamera;

namespace {

const std::vector<unsigned char> kImage = {'R', 'X', 0, 1, 2, 0xFF, 0, 'e', 'n', 'd'};

class FirmwareSequence : public testing::Test {
 protected:
  void TearDown() override {
    if (handle != 0) CameraClose(handle);
  }
  CameraResult Update(bool withSession = false) {
    handle = camera.Open(withSession);
    EXPECT_NE(handle, 0);
    return CameraUpdateFirmware(handle, kImage.data(), static_cast<unsigned>(kImage.size()), &StepRecorder::Callback,
                                &recorder, time.timing);
  }
  std::vector<std::string> FirmwareRequests() const {
    std::vector<std::string> lines;
    for (const std::string& line : camera.Log()) {
      if (line.find("firmware.cgi") != std::string::npos) lines.push_back(line);
    }
    return lines;
  }

  Camera camera;
  StepRecorder recorder;
  FakeTime time;
  int handle = 0;
};

TEST(FirmwarePaths, SessionIsAppendedToEveryFirmwarePathWhenThereIsOne) {
  for (const bool withSession : {false, true}) {
    SCOPED_TRACE(withSession);
    Camera camera;
    FakeTime time;
    const int id = camera.Open(withSession);
    EXPECT_EQ(CameraUpdateFirmware(id, kImage.data(), 10, nullptr, nullptr, time.timing), 0);
    CameraClose(id);
    const std::string q = withSession ? std::string("?session_id=") + Camera::kSessionId : "";
    std::vector<std::string> requests;
    for (const std::string& line : camera.Log()) {
      if (line.find("firmware.cgi") != std::string::npos) requests.push_back(line);
    }
    EXPECT_THAT(requests, ElementsAre("GET /cgi-bin/firmware.cgi/upload" + q, "POST /cgi-bin/firmware.cgi/verify" + q,
                                      "GET /cgi-bin/firmware.cgi/finish" + q, "GET //cgi-bin/firmware.cgi/status1" + q,
                                      "GET //cgi-bin/firmware.cgi/status2" + q, "GET //cgi-bin/firmware.cgi/check" + q));
  }
}

TEST_F(FirmwareSequence, GoodUpdateReportsEveryStepInOrder) {
  EXPECT_EQ(Update(), 0);
  EXPECT_THAT(recorder.steps, ElementsAre(Step{100, 0}, Step{101, 1}, Step{102, 5}, Step{103, 10}, Step{104, 20},
                                          Step{107, 25}, Step{107, 60}, Step{107, 80}, Step{108, 95}, Step{109, 97},
                                          Step{110, 99}));
  EXPECT_EQ(camera.Count("reset"), 0);
}

TEST_F(FirmwareSequence, TheImageArrivesAsOneFilePart) {
  EXPECT_EQ(Update(), 0);
  const auto parts = camera.LastPostParts();
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_EQ(parts[0].name, "firmware");
  EXPECT_EQ(parts[0].filename, "RavixFinderRocks.bin");
  EXPECT_EQ(parts[0].content_type, "application/octet-stream");
  EXPECT_EQ(parts[0].content, std::string(kImage.begin(), kImage.end()));
  EXPECT_THAT(camera.LastPostContentType(), HasSubstr("multipart/form-data"));
}

TEST_F(FirmwareSequence, UploadRefusedEndsAtOnceWithoutPostOrReset) {
  camera.SetPage(Camera::kUpload, {401, "Authorization required"});
  EXPECT_EQ(Update(), 401);
  EXPECT_THAT(FirmwareRequests(), ElementsAre("GET /cgi-bin/firmware.cgi/upload"));
  EXPECT_THAT(recorder.steps, ElementsAre(Step{100, 0}, Step{101, 1}));
}

TEST_F(FirmwareSequence, ConfirmationCountsWhateverTheStatusOfThePost) {
  camera.SetPage(Camera::kVerify, {500, "Internal trouble, but the image is matching\tthe model"});
  EXPECT_EQ(Update(), 0);
  EXPECT_EQ(camera.Count("finish"), 1);
}

TEST_F(FirmwareSequence, ImageNotConfirmedIsRejectedAndReset) {
  for (const char* body : {"", "the image ismatching nothing", "is matching "}) {
    SCOPED_TRACE(body);
    FirmwareTestCamera refusing;
    refusing.SetPage(Camera::kVerify, {200, body});
    const int id = refusing.Open(false);
    StepRecorder steps;
    EXPECT_EQ(CameraUpdateFirmware(id, kImage.data(), static_cast<unsigned>(kImage.size()), &StepRecorder::Callback,
                                   &steps, time.timing),
              CamFirmwareRejected);
    CameraClose(id);
    EXPECT_EQ(refusing.Count("finish"), 0);
    EXPECT_EQ(refusing.Count("GET /cgi-bin/firmware.cgi/reset"), 1);
    EXPECT_THAT(steps.steps, testing::IsSupersetOf({Step{109, 98}, Step{111, 99}}));
  }
}

TEST_F(FirmwareSequence, RefreshDelaysAreKeptBetweenOneAndFiveSeconds) {
  camera.SetPage(Camera::kFinish, {200, Camera::RefreshPage("0", "/cgi-bin/firmware.cgi/status1")});
  camera.SetPage("//cgi-bin/firmware.cgi/status1", {200, Camera::RefreshPage("3", "/cgi-bin/firmware.cgi/status2")});
  camera.SetPage("//cgi-bin/firmware.cgi/status2", {200, Camera::RefreshPage("9", "/cgi-bin/firmware.cgi/check")});
  EXPECT_EQ(Update(), 0);
  EXPECT_THAT(time.sleptSeconds, ElementsAre(5, 3, 5));
}

TEST_F(FirmwareSequence, RefreshUrlWithoutLeadingSlashEndsTheChain) {
  camera.SetPage("//cgi-bin/firmware.cgi/status1", {200, Camera::RefreshPage("1", "cgi-bin/firmware.cgi/check")});
  EXPECT_EQ(Update(), 0);
  EXPECT_EQ(camera.Count("check"), 0);
  EXPECT_EQ(camera.Count("reset"), 1);
}

TEST_F(FirmwareSequence, ShownPercentBetweenOneAndNinetyNineIsReported) {
  camera.SetPage(Camera::kFinish, {200, Camera::RefreshPage("1", "/cgi-bin/firmware.cgi/status1", "0 % done")});
  camera.SetPage("//cgi-bin/firmware.cgi/status1",
                 {200, Camera::RefreshPage("1", "/cgi-bin/firmware.cgi/status2", "Installing: 57 % (step 2)")});
  camera.SetPage("//cgi-bin/firmware.cgi/status2", {200, Camera::RefreshPage("1", "/cgi-bin/firmware.cgi/check", "100%")});
  EXPECT_EQ(Update(), 0);
  std::vector<Step> installing;
  for (const Step& step : recorder.steps) {
    if (step.first == 107) installing.push_back(step);
  }
  EXPECT_THAT(installing, ElementsAre(Step{107, 25}, Step{107, 69}));
}

TEST_F(FirmwareSequence, FinishWithoutRefreshSendsResetYetSucceeds) {
  camera.SetPage(Camera::kFinish, {200, "<html><body>Installed.</body></html>"});
  EXPECT_EQ(Update(), 0);
  EXPECT_EQ(camera.Count("status"), 0);
  EXPECT_EQ(camera.Count("reset"), 1);
  EXPECT_THAT(recorder.steps, testing::IsSupersetOf({Step{108, 95}, Step{109, 98}, Step{110, 99}}));
}

TEST_F(FirmwareSequence, FailedFinishOrStatusPageSendsReset) {
  camera.SetPage("//cgi-bin/firmware.cgi/status2", {503, "busy"});
  EXPECT_EQ(Update(), 503);
  EXPECT_EQ(camera.Count("check"), 0);
  EXPECT_EQ(camera.Count("reset"), 1);
}

TEST_F(FirmwareSequence, StopRequestsBeforeTheUploadSendNothing) {
  recorder.stopAt = true;
  recorder.stopStep = 101;
  EXPECT_EQ(Update(), CamStopped);
  EXPECT_TRUE(FirmwareRequests().empty());
}

TEST_F(FirmwareSequence, StopRequestsAfterTheUploadSendReset) {
  recorder.stopAt = true;
  recorder.stopStep = 103;
  EXPECT_EQ(Update(), CamStopped);
  EXPECT_THAT(FirmwareRequests(), ElementsAre("GET /cgi-bin/firmware.cgi/upload", "GET /cgi-bin/firmware.cgi/reset"));
}

TEST_F(FirmwareSequence, CameraThatNeverFinishesIsGivenUpAfterThirtyMinutes) {
  camera.SetPage(Camera::kFinish, {200, Camera::RefreshPage("5", "/cgi-bin/firmware.cgi/status1")});
  camera.SetPage("//cgi-bin/firmware.cgi/status1", {200, Camera::RefreshPage("5", "/cgi-bin/firmware.cgi/status1")});
  EXPECT_EQ(Update(), CamTimedOut);
  EXPECT_EQ(camera.Count("status1"), 30 * 60 / 5);
  EXPECT_EQ(camera.Count("reset"), 1);
}

TEST_F(FirmwareSequence, CameraThatNeverFinishesIsGivenUpAfterAThousandPages) {
  camera.SetPage("//cgi-bin/firmware.cgi/status1", {200, Camera::RefreshPage("1", "/cgi-bin/firmware.cgi/status1")});
  EXPECT_EQ(Update(), CamTimedOut);
  EXPECT_EQ(camera.Count("status1"), 1000);
  EXPECT_EQ(camera.Count("reset"), 1);
}

TEST_F(FirmwareSequence, ChainBoundsCanBeChosen) {
  camera.SetPage("//cgi-bin/firmware.cgi/status1",
                 {200, Camera::RefreshPage("1", "/cgi-bin/firmware.cgi/status1?then=check")});
  time.timing.maxStatusPages = 7;
  EXPECT_EQ(Update(), CamTimedOut);
  EXPECT_EQ(camera.Count("status1"), 7);
  EXPECT_EQ(camera.Count("reset"), 1);
}

TEST(FirmwareArguments, UnknownHandleAndMissingImageSendNothing) {
  Camera camera;
  const int id = camera.Open(false);
  EXPECT_EQ(CameraUpdateFirmware(0, kImage.data(), 10, nullptr, nullptr), CamUnknownHandle);
  EXPECT_EQ(CameraUpdateFirmware(id, nullptr, 10, nullptr, nullptr), CamInvalidParameter);
  EXPECT_EQ(CameraUpdateFirmware(id, kImage.data(), 0, nullptr, nullptr), CamInvalidParameter);
  CameraClose(id);
  EXPECT_EQ(camera.Count("firmware.cgi"), 0);
}

}  // namespace
