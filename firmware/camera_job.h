#pragma once
// FirmwareJob: one camera's firmware update job, built by whoever runs the update (the
// wizard, the command line) and handed to its FWUpdateThread.

#include <memory>

#include "http/camera_result.h"
#include "firmware/worker_thread.h"
#include "firmware/progress.h"
#include "firmware/update_timing.h"

class CBrowseRecord;
namespace ravix {
class EventPostTarget;
}

struct FirmwareJob {
  const CBrowseRecord* record = nullptr;  // the runner's copy of the camera's record
  int index = 0;                          // position in the runner's camera list, sent with every progress event
  const unsigned char* imageData = nullptr;  // the image, shared by all jobs, owned by the runner
  unsigned imageSize = 0;
  int handleId = 0;              // open camera handle, 0 when none; the worker closes it and sets 0
  // Receives the progress notifications; none when null. The receiver detaches it before
  // it goes away, so a worker that outlives its window posts into nothing.
  std::shared_ptr<ravix::EventPostTarget> progressTarget;
  QEvent::Type message = FirmwareProgressMessage();  // event type of the progress notifications
  bool cancel = false;           // set before the thread is resumed to make it exit at once
  int exitCode = -1;             // -1 until the runner collects the worker's exit code
  // Additions of this build: the update routine's result (-1 until it returned) and the
  // clock and bounds of the update (null: the real ones).
  CameraResult updateResult = -1;
  const FirmwareUpdateTiming* timing = nullptr;
  // The worker; set by the runner. Last, so that it is destroyed (which joins the thread)
  // while the rest of the job is still whole. A job must not move once its thread exists.
  std::unique_ptr<CFirmwareWorkerThread> thread;
};
