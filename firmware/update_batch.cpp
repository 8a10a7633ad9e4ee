#include "firmware/update_batch.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>
#include <deque>
#include <memory>
#include <ostream>
#include <set>

#include "camera/camera_client.h"
#include "records/browse_record.h"
#include "firmware/batch_progress_lines.h"
#include "firmware/camera_job.h"
#include "firmware/result_text.h"
#include "firmware/camera_worker.h"
#include "firmware/image_file.h"
#include "platform/event_post_target.h"

namespace {

// One row of the result table.
struct Outcome {
  std::string name;
  int exitCode = -1;
  std::string detail;
};

// The event loop needs an application object; the command line has none of its own.
class CoreApplicationScope {
 public:
  CoreApplicationScope() {
    if (QCoreApplication::instance() == nullptr) m_app = std::make_unique<QCoreApplication>(m_argc, m_argv);
  }

 private:
  char m_name[12] = "ravixfinder";
  char* m_argv[2] = {m_name, nullptr};
  int m_argc = 1;
  std::unique_ptr<QCoreApplication> m_app;
};

int OpenFailureCode(CameraResult openResult) {
  return openResult == CamHttpUnauthorized || openResult == CamLoginFailed ? kFwExitLoginFailed : kFwExitNotConnected;
}

std::string JobDetail(int exitCode, CameraResult updateResult) {
  std::string detail = "exit code " + std::to_string(exitCode);
  if (updateResult > 0) detail += ", camera result " + std::to_string(updateResult);
  return detail;
}

void PrintTable(const std::vector<Outcome>& outcomes, std::ostream& out) {
  std::size_t nameWidth = 6;  // "Camera"
  std::size_t textWidth = 6;  // "Result"
  for (const Outcome& row : outcomes) {
    nameWidth = std::max(nameWidth, row.name.size());
    textWidth = std::max(textWidth, std::string(FirmwareResultText(row.exitCode)).size());
  }
  const auto cell = [](std::string text, std::size_t width) {
    text.resize(std::max(width, text.size()), ' ');
    return text;
  };
  out << "\n" << cell("Camera", nameWidth) << "  " << cell("Result", textWidth) << "  Detail\n";
  for (const Outcome& row : outcomes) {
    out << cell(row.name, nameWidth) << "  " << cell(FirmwareResultText(row.exitCode), textWidth) << "  " << row.detail
        << "\n";
  }
  out.flush();
}

void CloseHandles(const std::vector<FirmwareUpdateTarget>& targets) {
  std::set<int> closed;
  for (const FirmwareUpdateTarget& target : targets) {
    if (target.handleId != 0 && closed.insert(target.handleId).second) CameraClose(target.handleId);
  }
}

}  // namespace

int UpdateFirmwareOnCameras(const std::vector<unsigned char>& image, const std::vector<FirmwareUpdateTarget>& targets,
                            std::ostream& out, const FirmwareUpdateTiming* timing) {
  CoreApplicationScope app;
  QEventLoop loop;
  std::vector<Outcome> outcomes(targets.size());
  std::vector<std::string> names;
  std::deque<CBrowseRecord> records;  // the workers name their threads after these
  std::deque<FirmwareJob> jobs;       // jobs never move once made
  std::vector<std::size_t> jobRow;    // outcome row of each job
  std::set<int> usedHandles;
  for (std::size_t i = 0; i < targets.size(); ++i) {
    const FirmwareUpdateTarget& target = targets[i];
    outcomes[i].name = target.name;
    names.push_back(target.name);
    if (target.handleId == 0) {
      outcomes[i].exitCode = OpenFailureCode(target.openResult);
      outcomes[i].detail = "could not be opened (camera result " + std::to_string(target.openResult) + ")";
      continue;
    }
    if (!usedHandles.insert(target.handleId).second) {
      outcomes[i].exitCode = kFwExitDuplicateHandle;
      outcomes[i].detail = "named twice";
      continue;
    }
    CBrowseRecord& record = records.emplace_back();
    record.ServiceName = target.name;
    FirmwareJob& job = jobs.emplace_back();
    job.record = &record;
    job.index = static_cast<int>(i);
    job.imageData = image.data();
    job.imageSize = static_cast<unsigned>(image.size());
    job.handleId = target.handleId;
    job.timing = timing;
    jobRow.push_back(i);
  }

  int running = 0;
  for (FirmwareJob& job : jobs) {
    auto thread = std::make_unique<CFirmwareWorkerThread>();
    if (!thread->StartSuspended(&job)) {
      CameraClose(job.handleId);
      job.handleId = 0;
      continue;
    }
    job.thread = std::move(thread);
    ++running;
  }
  // The threads wait at their start, so the jobs can still be given their receiver.
  CBatchProgressLines progress(names, running, out, loop);
  const auto progressTarget = ravix::EventPostTarget::Make(&progress);
  for (FirmwareJob& job : jobs) {
    job.progressTarget = progressTarget;
    if (job.thread) job.thread->Resume();
  }
  if (running > 0) loop.exec();
  progressTarget->Detach();  // the workers' last steps may still be on their way

  for (std::size_t j = 0; j < jobs.size(); ++j) {
    FirmwareJob& job = jobs[j];
    Outcome& row = outcomes[jobRow[j]];
    if (!job.thread) {
      row.detail = "worker could not be started";
      continue;
    }
    job.thread->Wait(-1);
    job.thread->GetExitCode(job.exitCode);
    row.exitCode = job.exitCode;
    row.detail = JobDetail(job.exitCode, job.updateResult);
  }
  PrintTable(outcomes, out);
  const bool allGood = !outcomes.empty() && std::all_of(outcomes.begin(), outcomes.end(),
                                                        [](const Outcome& row) { return row.exitCode == 0; });
  return allGood ? kFirmwareCommandOk : kFirmwareCommandCameraFailed;
}

int RunFirmwareUpdateCommand(const std::string& path, const std::vector<FirmwareUpdateTarget>& targets,
                             std::ostream& out, std::ostream& err, const FirmwareUpdateTiming* timing) {
  std::vector<unsigned char> image;
  std::string error;
  if (!ReadFirmwareImage(path, image, error)) {
    err << "ravixfinder: " << error << "; no camera was updated" << std::endl;
    CloseHandles(targets);
    return kFirmwareCommandBadInput;
  }
  if (targets.empty()) {
    err << "ravixfinder: no camera to update" << std::endl;
    return kFirmwareCommandBadInput;
  }
  return UpdateFirmwareOnCameras(image, targets, out, timing);
}
