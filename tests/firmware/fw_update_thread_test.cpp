// The firmware worker: job checks, progress events and exit codes, its thread.
#include "firmware/fw_update_thread.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "camera/camera_handle_map.h"
#include "discovery/browse_record.h"
#include "firmware_test_camera.h"
#include "firmware_test_support.h"

using testing::ElementsAre;
using Camera = FirmwareTestCamera;

namespace {

const std::vector<unsigned char> kImage(4096, 0x5A);

class FirmwareWorker : public testing::Test {
 protected:
  FirmwareWorker() {
    record.ServiceName = "Zorvik Camera 7";
    record.ServiceType = "_http._tcp.";
    record.Domain = "local";
    job.record = &record;
    job.index = 3;
    job.imageData = kImage.data();
    job.imageSize = static_cast<unsigned>(kImage.size());
    job.window = &events;
    job.timing = &time.timing;
  }
  // Runs the worker on its own thread, as the runners do, and returns its exit code.
  int RunWorker() {
    job.thread = std::make_unique<CFirmwareJobThread>();
    EXPECT_TRUE(job.thread->StartSuspended(&job));
    job.thread->Resume();
    EXPECT_TRUE(job.thread->Wait(-1));
    int code = 0;
    EXPECT_TRUE(job.thread->GetExitCode(code));
    events.Deliver();
    return code;
  }

  CBrowseRecord record;
  EventRecorder events;
  FakeTime time;
  FirmwareJob job;
};

TEST_F(FirmwareWorker, GoodUpdatePostsTheWholeSequenceAndClosesTheHandle) {
  Camera camera;
  job.handleId = camera.Open(true);
  const int handle = job.handleId;
  EXPECT_EQ(RunWorker(), 0);
  EXPECT_THAT(events.steps, ElementsAre(Step{10, 1}, Step{20, 5}, Step{100, 10}, Step{101, 11}, Step{102, 14},
                                        Step{103, 18}, Step{104, 26}, Step{107, 30}, Step{107, 58}, Step{107, 74},
                                        Step{108, 86}, Step{109, 88}, Step{110, 89}, Step{9000, 95}, Step{9001, 99}));
  EXPECT_THAT(events.indexes, testing::Each(3));
  EXPECT_EQ(job.handleId, 0);
  EXPECT_EQ(job.updateResult, 0);
  EXPECT_EQ(TheCameraHandleMap().FindHandleObject(handle), nullptr);
  EXPECT_EQ(camera.Count("Logout"), 1);
}

TEST_F(FirmwareWorker, UploadRefusedFailsWithoutImageOrReset) {
  Camera camera;
  camera.SetPage(Camera::kUpload, {401, ""});
  job.handleId = camera.Open(false);
  EXPECT_EQ(RunWorker(), -600);
  EXPECT_EQ(job.updateResult, 401);
  EXPECT_EQ(camera.Count("verify"), 0);
  EXPECT_EQ(camera.Count("reset"), 0);
  EXPECT_THAT(events.steps, ElementsAre(Step{10, 1}, Step{20, 5}, Step{100, 10}, Step{101, 11}, Step{9000, 95},
                                        Step{9002, 99}));
}

TEST_F(FirmwareWorker, RefusedImageIsReportedAsNotSupported) {
  Camera camera;
  camera.SetPage(Camera::kVerify, {200, ""});
  job.handleId = camera.Open(false);
  EXPECT_EQ(RunWorker(), -500);
  EXPECT_EQ(camera.Count("reset"), 1);
  EXPECT_EQ(events.steps.back(), (Step{9002, 99}));
}

TEST_F(FirmwareWorker, CheckPageTimingOutIsSuccess) {
  Camera camera;
  camera.SetPage("//cgi-bin/firmware.cgi/check", {200, "", 11000});
  job.handleId = camera.Open(false);
  EXPECT_EQ(RunWorker(), 0);
  EXPECT_EQ(job.updateResult, 0);
  EXPECT_EQ(camera.Count("status"), 2);
  EXPECT_EQ(camera.Count("check"), 1);
  EXPECT_EQ(camera.Count("reset"), 0);
  EXPECT_THAT(events.steps, testing::IsSupersetOf({Step{110, 89}, Step{9001, 99}}));
}

TEST_F(FirmwareWorker, JobChecksEndTheJobBeforeAnyCameraTraffic) {
  struct Case {
    const char* what;
    void (*spoil)(FirmwareJob&);
    int exitCode;
  };
  const Case cases[] = {
      {"cancelled", [](FirmwareJob& j) { j.cancel = true; }, -150},
      {"no record", [](FirmwareJob& j) { j.record = nullptr; }, -200},
      {"no image", [](FirmwareJob& j) { j.imageData = nullptr; }, -300},
      {"empty image", [](FirmwareJob& j) { j.imageSize = 0; }, -300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FirmwareJob spoilt;
    spoilt.record = &record;
    spoilt.imageData = kImage.data();
    spoilt.imageSize = static_cast<unsigned>(kImage.size());
    spoilt.window = &events;
    spoilt.index = 1;
    c.spoil(spoilt);
    events.steps.clear();
    EXPECT_EQ(static_cast<int>(FWUpdateThread(&spoilt)), c.exitCode);
    events.Deliver();
    EXPECT_THAT(events.steps, ElementsAre(Step{10, 1}, Step{9002, 99}));
  }
  EXPECT_EQ(static_cast<int>(FWUpdateThread(nullptr)), -100);
}

TEST_F(FirmwareWorker, JobWithoutHandleFails) {
  job.handleId = 0;
  EXPECT_EQ(RunWorker(), -600);
  EXPECT_EQ(job.updateResult, CamUnknownHandle);
}

TEST_F(FirmwareWorker, WithoutReceiverNothingIsPosted) {
  job.window = nullptr;
  EXPECT_FALSE(PostJobProgress(&job, 10, 1));
  EXPECT_FALSE(PostJobProgress(nullptr, 10, 1));
  EXPECT_EQ(RunWorker(), -600);
  EXPECT_TRUE(events.steps.empty());
}

TEST(FirmwareProgressMapping, RoutinePercentsLandBetweenTenAndNinety) {
  EventRecorder events;
  FirmwareJob job;
  job.window = &events;
  for (int percent : {0, 1, 5, 25, 69, 95, 97, 98, 99, 100}) ReportFirmwareProgress(1001, 107, percent, &job);
  events.Deliver();
  std::vector<int> posted;
  for (const Step& step : events.steps) posted.push_back(step.second);
  EXPECT_THAT(posted, ElementsAre(10, 11, 14, 30, 65, 86, 88, 88, 89, 90));
  CFirmwareProgressEvent event(FirmwareProgressMessage(), 9002, 99, 4);
  EXPECT_EQ(event.WParam(), (99u << 16) | 9002u);
}

TEST(FirmwareJobThread, ExitCodeReadsStillActiveUntilTheThreadEnds) {
  CFirmwareJobThread thread;
  int code = 0;
  EXPECT_FALSE(thread.GetExitCode(code));
  FirmwareJob job;  // no record: the worker ends at once when let go
  ASSERT_TRUE(thread.StartSuspended(&job));
  EXPECT_FALSE(thread.Wait(50));
  ASSERT_TRUE(thread.GetExitCode(code));
  EXPECT_EQ(code, CFirmwareJobThread::kStillActive);
  thread.Resume();
  EXPECT_TRUE(thread.Wait(-1));
  ASSERT_TRUE(thread.GetExitCode(code));
  EXPECT_EQ(code, -200);
}

TEST(FirmwareJobThread, ThreadNeverResumedCancelsItsJob) {
  CBrowseRecord record;
  FirmwareJob job;
  job.record = &record;
  job.imageData = kImage.data();
  job.imageSize = 1;
  {
    CFirmwareJobThread thread;
    ASSERT_TRUE(thread.StartSuspended(&job));
  }
  EXPECT_TRUE(job.cancel);
}

}  // namespace
