#include "firmware/camera_worker.h"

#include <cmath>
#include <memory>
#include <string>

#include "camera/camera_client.h"
#include "records/browse_record.h"
#include "firmware/upload_protocol.h"
#include "platform/debug_trace.h"
#include "platform/name_thread.h"
#include "platform/event_post_target.h"

namespace {

constexpr char kThreadName[] = "FWUpdateThread";

unsigned Exit(int code) { return static_cast<unsigned>(code); }

unsigned Fail(FirmwareJob* job, int exitCode) {
  PostJobProgress(job, kFwStepJobFailed, 99);
  return Exit(exitCode);
}

}  // namespace

bool PostJobProgress(FirmwareJob* job, int stepCode, int percent) {
  if (job == nullptr || job->progressTarget == nullptr) return false;
  return job->progressTarget->Post(job->message, FirmwareProgress{job->index, stepCode, percent});
}

bool ReportFirmwareProgress(int /*handleId*/, int stepCode, int stepPercent, void* job) {
  PostJobProgress(static_cast<FirmwareJob*>(job), stepCode, static_cast<int>(std::trunc(stepPercent * 0.8 + 0.5)) + 10);
  return true;
}

unsigned FWUpdateThread(FirmwareJob* job) {
  NameThread(kThreadName);
  if (job == nullptr) return Exit(kFwExitNoJob);
  PostJobProgress(job, kFwStepWorkerStarted, 1);
  if (job->cancel) return Fail(job, kFwExitCancelled);
  if (job->record == nullptr) return Fail(job, kFwExitNoRecord);
  if (job->imageData == nullptr || job->imageSize == 0) return Fail(job, kFwExitNoImage);

  const std::string fullName = job->record->GetFullName();
  NameThread((std::string(kThreadName) + "_" + fullName).c_str());
  DebugTrace("FWUpdateThread: updating %s (handle %d)\n", fullName.c_str(), job->handleId);

  PostJobProgress(job, kFwStepJobChecked, 5);
  const FirmwareUpdateTiming& timing = job->timing != nullptr ? *job->timing : DefaultFirmwareUpdateTiming();
  const CameraResult rc =
      CameraUpdateFirmware(job->handleId, job->imageData, job->imageSize, &ReportFirmwareProgress, job, timing);
  job->updateResult = rc;

  PostJobProgress(job, kFwStepRoutineReturned, 95);
  CameraClose(job->handleId);
  job->handleId = 0;

  DebugTrace("FWUpdateThread: %s ended with %d\n", fullName.c_str(), rc);
  if (rc == CamOk) {
    PostJobProgress(job, kFwStepJobSucceeded, 99);
    return Exit(kFwExitSuccess);
  }
  return Fail(job, rc == CamFirmwareRejected ? kFwExitRejected : kFwExitFailed);
}
