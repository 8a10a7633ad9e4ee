// The firmware worker: job checks, progress events and exit codes, its thread.
#include "firmware/camera_worker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "camera/camera_handle_map.h"
#include "records/browse_record.h"
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
    job.progressTarget = events.target;
    job.timing = &time.timing;
  }
  // Runs the worker on its own thread, as the runners do, and returns its exit code.
  int RunWorker() {
    job.thread = std::make_unique<CFirmwareWorkerThread>();
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
    spoilt.progressTarget = events.target;
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
  job.progressTarget = nullptr;
  EXPECT_FALSE(PostJobProgress(&job, 10, 1));
  EXPECT_FALSE(PostJobProgress(nullptr, 10, 1));
  EXPECT_EQ(RunWorker(), -600);
  EXPECT_TRUE(events.steps.empty());
}

TEST(FirmwareProgressMapping, RoutinePercentsLandBetweenTenAndNinety) {
  EventRecorder events;
  FirmwareJob job;
  job.progressTarget = events.target;
  for (int percent : {0, 1, 5, 25, 69, 95, 97, 98, 99, 100}) ReportFirmwareProgress(1001, 107, percent, &job);
  events.Deliver();
  std::vector<int> posted;
  for (const Step& step : events.steps) posted.push_back(step.second);
  EXPECT_THAT(posted, ElementsAre(10, 11, 14, 30, 65, 86, 88, 88, 89, 90));
}

// The wizard page that receives progress can be closed while workers still post: its
// target is detached, the pending notifications go with it and later posts fail.
TEST(FirmwareProgressMapping, ReceiverDestroyedWhileWorkersPostIsSafe) {
  auto events = std::make_unique<EventRecorder>();
  std::vector<FirmwareJob> jobs(4);
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    jobs[i].index = static_cast<int>(i);
    jobs[i].progressTarget = events->target;
  }
  std::atomic<bool> stop{false};
  std::atomic<int> refused{0};
  std::vector<std::thread> workers;
  for (FirmwareJob& job : jobs) {
    workers.emplace_back([&stop, &refused, &job] {
      while (!stop) {
        if (!PostJobProgress(&job, kFwStepInstalling, 50)) ++refused;
      }
    });
  }
  QElapsedTimer waited;
  waited.start();
  while (events->steps.size() < 200 && waited.elapsed() < 10000) QCoreApplication::processEvents();
  EXPECT_GE(events->steps.size(), 200u);
  events.reset();  // the receiver goes while the workers go on posting
  while (refused < 100 && waited.elapsed() < 20000) QCoreApplication::processEvents();
  stop = true;
  for (std::thread& worker : workers) worker.join();
  QCoreApplication::processEvents();
  EXPECT_GE(refused, 100);
}

TEST(FirmwareJobThread, ExitCodeReadsStillActiveUntilTheThreadEnds) {
  CFirmwareWorkerThread thread;
  int code = 0;
  EXPECT_FALSE(thread.GetExitCode(code));
  FirmwareJob job;  // no record: the worker ends at once when let go
  ASSERT_TRUE(thread.StartSuspended(&job));
  EXPECT_FALSE(thread.Wait(50));
  ASSERT_TRUE(thread.GetExitCode(code));
  EXPECT_EQ(code, CFirmwareWorkerThread::kStillActive);
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
    CFirmwareWorkerThread thread;
    ASSERT_TRUE(thread.StartSuspended(&job));
  }
  EXPECT_TRUE(job.cancel);
}

}  // namespace
