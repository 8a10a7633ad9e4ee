#include "gui/firmware/firmware_job_set.h"

#include <algorithm>
#include <chrono>

#include "camera/camera_client.h"
#include "firmware/image_file.h"
#include "firmware/worker_thread.h"

FirmwareJobSet::~FirmwareJobSet() {
  WaitForJobs(kReleaseWaitMs);
  CollectExitCodes();
  CloseUnusedHandles();
  jobs_.clear();  // joins the threads
}

bool FirmwareJobSet::ReadImage(const std::string& path, std::string& error) {
  return ReadFirmwareImage(path, image_, error);
}

FirmwareJob& FirmwareJobSet::AddJob(const CBrowseRecord* record, int index, int handleId,
                                    const FirmwareUpdateTiming* timing) {
  FirmwareJob& job = jobs_.emplace_back();
  job.record = record;
  job.index = index;
  job.imageData = image_.data();
  job.imageSize = static_cast<unsigned>(image_.size());
  job.handleId = handleId;
  job.timing = timing;
  return job;
}

bool FirmwareJobSet::StartThreads() {
  for (FirmwareJob& job : jobs_) {
    auto thread = std::make_unique<CFirmwareWorkerThread>();
    if (!thread->StartSuspended(&job)) {
      for (FirmwareJob& started : jobs_) started.thread.reset();  // cancelled, resumed and joined
      return false;
    }
    job.thread = std::move(thread);
  }
  return true;
}

void FirmwareJobSet::ResumeThreads(const std::shared_ptr<ravix::EventPostTarget>& progressTarget) {
  for (FirmwareJob& job : jobs_) job.progressTarget = progressTarget;
  for (FirmwareJob& job : jobs_) {
    if (job.thread) job.thread->Resume();
  }
}

bool FirmwareJobSet::WaitForJobs(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (FirmwareJob& job : jobs_) {
    if (!job.thread) continue;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (!job.thread->Wait(static_cast<int>(std::max<long long>(0, left.count())))) return false;
  }
  return true;
}

void FirmwareJobSet::CollectExitCodes() {
  for (FirmwareJob& job : jobs_) {
    if (!job.thread || !job.thread->Wait(0)) continue;
    if (!job.thread->GetExitCode(job.exitCode)) job.exitCode = kNoExitCode;
  }
}

void FirmwareJobSet::CloseUnusedHandles() {
  for (FirmwareJob& job : jobs_) {
    if (job.thread || job.handleId == 0) continue;
    CameraClose(job.handleId);
    job.handleId = 0;
  }
}
