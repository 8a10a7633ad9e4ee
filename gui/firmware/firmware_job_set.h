#pragma once
// FirmwareJobSet: the wizard's firmware jobs, one per camera, and the image they share.
// The jobs live in a deque so that they never move once their threads exist. Destroying
// the set waits up to 5000 ms for the threads, collects their exit codes and then lets
// the threads go (joining them).

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "firmware/camera_job.h"

class CBrowseRecord;
namespace ravix {
class EventPostTarget;
}

class FirmwareJobSet {
 public:
  static constexpr int kReleaseWaitMs = 5000;
  static constexpr int kNoExitCode = -2;  // the exit code could not be read

  FirmwareJobSet() = default;
  ~FirmwareJobSet();
  FirmwareJobSet(const FirmwareJobSet&) = delete;
  FirmwareJobSet& operator=(const FirmwareJobSet&) = delete;

  // Reads the whole firmware file into the set (ReadFirmwareImage); false with error.
  bool ReadImage(const std::string& path, std::string& error);

  // A job for the camera at index of the runner's list, over the set's image.
  FirmwareJob& AddJob(const CBrowseRecord* record, int index, int handleId, const FirmwareUpdateTiming* timing);

  // Makes every job's thread, held at its start. When one cannot be made, the threads made
  // so far are cancelled and let go, and the result is false.
  bool StartThreads();
  // Gives every job its progress receiver and lets the threads run.
  void ResumeThreads(const std::shared_ptr<ravix::EventPostTarget>& progressTarget);
  // True when there are no jobs or every thread ended within timeoutMs.
  bool WaitForJobs(int timeoutMs);
  // For each job whose thread has ended: its exit code into the job (kNoExitCode when it
  // cannot be read). Jobs whose thread still runs keep -1.
  void CollectExitCodes();
  // Closes the camera handles of jobs whose worker never ran (the worker closes its own).
  void CloseUnusedHandles();

  std::deque<FirmwareJob>& Jobs() { return jobs_; }
  const std::deque<FirmwareJob>& Jobs() const { return jobs_; }

 private:
  std::vector<unsigned char> image_;
  std::deque<FirmwareJob> jobs_;  // destroyed before the image: their threads read it
};
