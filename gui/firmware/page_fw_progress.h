#pragma once
// CPageFWProgress: the second page of the firmware wizard. On entry it opens every camera
// of the list in list order (password prompts one after another; each login on a worker
// thread while the wizard is locked), reads the firmware file
// once and starts one FWUpdateThread per camera; one progress bar shows them all (99 per
// camera). While jobs run, the page shows the wait cursor; from the start on the wizard
// cannot be cancelled or closed until its results are shown. When the last job has reported its end, the exit codes go into the
// record copies and the wizard moves on to the results; a file that cannot be read or a
// worker that cannot be started leads there at once.

#include <QWizardPage>

#include <cstddef>
#include <memory>
#include <vector>

#include "firmware/progress.h"
#include "gui/firmware/firmware_wizard_options.h"
#include "records/browse_record.h"

class QProgressBar;
struct CameraConnectContext;
class FirmwareJobSet;
namespace ravix {
class EventPostTarget;
}

class CPageFWProgress : public QWizardPage {
  Q_OBJECT

 public:
  static constexpr int kFinishWaitMs = 1000;  // for the threads after their final report

  CPageFWProgress(std::vector<CBrowseRecord>& cameras, const QString& sharedPath, const CameraConnectContext& connect,
                  const FirmwareWizardOptions& options, QWidget* parent = nullptr);
  ~CPageFWProgress() override;

  void initializePage() override;
  bool isComplete() const override { return finished_; }
  bool validatePage() override { return finished_; }

  // Jobs that have not yet reported their end.
  bool JobsRunning() const { return running_ > 0; }
  // The update has begun (the page was entered); it never goes back.
  bool Started() const { return started_; }
  QProgressBar* ProgressBar() const { return progressBar_; }
  // Waits for the update threads (up to 5000 ms, then until they end) and frees the jobs
  // and the image; runs at the latest when the page goes.
  void ReleaseJobSet();

 protected:
  bool event(QEvent* event) override;

 private:
  // Opens camera index, then the next; after the last one the jobs start.
  void ConnectCamera(std::size_t index);
  void StartJobsOrFinish();
  // Reads the file and starts the workers; false on the failure path.
  bool StartJobs();
  // The handles opened for the cameras, when no worker will close them.
  void CloseNotedHandles();
  void OnProgress(const FirmwareProgress& progress);
  void Finish();
  void RecordExitCodes();
  void BlockClosing(bool block);

  std::vector<CBrowseRecord>& cameras_;
  std::vector<int> percents_;
  QProgressBar* progressBar_;
  std::unique_ptr<FirmwareJobSet> jobSet_;
  const QString& sharedPath_;
  int running_ = 0;
  const CameraConnectContext& connect_;
  const FirmwareWizardOptions& options_;
  bool started_ = false;
  bool finished_ = false;
  bool closingBlocked_ = false;
  // Where the workers post their progress; detached before the page goes.
  std::shared_ptr<ravix::EventPostTarget> progressTarget_;
};
