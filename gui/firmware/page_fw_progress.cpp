#include "gui/firmware/page_fw_progress.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QVBoxLayout>
#include <QWizard>

#include <numeric>
#include <string>

#include "camera/camera_client.h"
#include "camera/camera_connect.h"
#include "firmware/worker_thread.h"
#include "gui/firmware/firmware_job_set.h"
#include "gui/firmware/firmware_warning_icon.h"
#include "gui/firmware/property_sheet_fw.h"
#include "platform/debug_trace.h"
#include "platform/event_post_target.h"
#include "platform/locked_call.h"
#include "platform/posted_event.h"

namespace {

constexpr int kPercentPerCamera = 99;

// The camera handle the wizard noted in the record copy; 0 when none.
int NotedHandleId(const CBrowseRecord& record) {
  const std::string text = record.GetTxtValueOrEmpty(txtkey::kCameraHandle);
  try {
    return text.empty() ? 0 : std::stoi(text);
  } catch (const std::exception&) {
    return 0;
  }
}

bool IsFinalStep(int stepCode) { return stepCode == kFwStepJobSucceeded || stepCode == kFwStepJobFailed; }

}  // namespace

CPageFWProgress::CPageFWProgress(std::vector<CBrowseRecord>& cameras, const QString& sharedPath,
                                 const CameraConnectContext& connect, const FirmwareWizardOptions& options,
                                 QWidget* parent)
    : QWizardPage(parent),
      cameras_(cameras),
      sharedPath_(sharedPath),
      connect_(connect),
      options_(options),
      progressTarget_(ravix::EventPostTarget::Make(this)) {
  setObjectName(QStringLiteral("firmwareProgressPage"));
  setTitle(CPropertySheetFW::HeaderTitle());
  setSubTitle(tr("Please wait while the firmware is being updated."));

  auto* warning = new QLabel(tr("Do not disconnect the camera from power while the update is in progress!"), this);
  warning->setObjectName(QStringLiteral("powerWarningText"));
  warning->setWordWrap(true);
  progressBar_ = new QProgressBar(this);
  progressBar_->setObjectName(QStringLiteral("firmwareProgress"));
  progressBar_->setTextVisible(false);
  auto* after = new QLabel(tr("After the update is finished the camera will reset itself."), this);
  after->setObjectName(QStringLiteral("resetText"));
  after->setWordWrap(true);

  auto* top = new QHBoxLayout;
  top->addWidget(MakeFirmwareWarningIcon(this), 0, Qt::AlignTop);
  top->addWidget(warning, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addSpacing(8);
  layout->addWidget(progressBar_);
  layout->addSpacing(8);
  layout->addWidget(after);
  layout->addStretch(1);
}

CPageFWProgress::~CPageFWProgress() {
  progressTarget_->Detach();
  BlockClosing(false);
  ReleaseJobSet();
}

void CPageFWProgress::ReleaseJobSet() { jobSet_.reset(); }

void CPageFWProgress::initializePage() {
  if (started_) return;  // the page runs once: no way back to it
  started_ = true;
  progressBar_->setRange(0, kPercentPerCamera * static_cast<int>(cameras_.size()));
  progressBar_->setValue(0);
  percents_.assign(cameras_.size(), 0);
  running_ = static_cast<int>(cameras_.size());
  BlockClosing(true);
  ConnectCamera(0);
}

// The cameras are opened one after another in list order (so their password prompts come
// one at a time), each on a worker thread while the wizard is locked.
void CPageFWProgress::ConnectCamera(std::size_t index) {
  if (index >= cameras_.size()) {
    StartJobsOrFinish();
    return;
  }
  CBrowseRecord& camera = cameras_[index];
  // The handle and the result keys are the wizard's own; a camera that advertises them in
  // its TXT record must not choose the handle its update goes through, nor its result.
  camera.TxtRecord.erase(txtkey::kCameraHandle);
  camera.TxtRecord.erase(txtkey::kFirmwareResult);
  QWidget* lockedWindow = wizard() != nullptr ? static_cast<QWidget*>(wizard()) : this;
  ravix::RunLocked(
      lockedWindow,
      [context = connect_, record = camera] {
        int id = 0;
        ::ConnectCamera(context, record, &id);  // a camera not opened gets no handle and fails in its worker
        return id;
      },
      [this, index](int id) {
        if (id != 0) cameras_[index].AddTxtValue(txtkey::kCameraHandle, std::to_string(id).c_str());
        ConnectCamera(index + 1);
      });
}

void CPageFWProgress::StartJobsOrFinish() {
  if (!cameras_.empty() && StartJobs()) return;
  // Nothing to wait for (no camera, the file unreadable, a worker not startable): on to
  // the results at once.
  running_ = 0;
  Finish();
}

bool CPageFWProgress::StartJobs() {
  auto jobs = std::make_unique<FirmwareJobSet>();
  std::string error;
  if (!jobs->ReadImage(QFile::encodeName(sharedPath_).toStdString(), error)) {
    DebugTrace("firmware wizard: %s\n", error.c_str());
    CloseNotedHandles();
    return false;
  }
  for (std::size_t i = 0; i < cameras_.size(); ++i)
    jobs->AddJob(&cameras_[i], static_cast<int>(i), NotedHandleId(cameras_[i]), options_.timing);
  jobSet_ = std::move(jobs);
  if (!jobSet_->StartThreads()) return false;
  jobSet_->ResumeThreads(progressTarget_);
  return true;
}

void CPageFWProgress::CloseNotedHandles() {
  for (const CBrowseRecord& camera : cameras_) {
    const int id = NotedHandleId(camera);
    if (id != 0) CameraClose(id);
  }
}

bool CPageFWProgress::event(QEvent* event) {
  const auto* posted = ravix::PostedEvent<FirmwareProgress>::From(event, FirmwareProgressMessage());
  if (posted == nullptr) return QWizardPage::event(event);
  OnProgress(posted->Value());
  return true;
}

void CPageFWProgress::OnProgress(const FirmwareProgress& progress) {
  if (finished_) return;
  const int index = progress.JobIndex;
  if (index >= 0 && static_cast<std::size_t>(index) < percents_.size())
    percents_[static_cast<std::size_t>(index)] = progress.Percent;
  progressBar_->setValue(std::accumulate(percents_.begin(), percents_.end(), 0));
  if (!IsFinalStep(progress.StepCode)) return;
  if (--running_ > 0) return;
  jobSet_->WaitForJobs(kFinishWaitMs);
  Finish();
}

void CPageFWProgress::Finish() {
  percents_.clear();
  if (options_.requery) options_.requery();
  RecordExitCodes();
  BlockClosing(false);
  finished_ = true;
  emit completeChanged();
  if (wizard() != nullptr) QMetaObject::invokeMethod(wizard(), &QWizard::next, Qt::QueuedConnection);
}

void CPageFWProgress::RecordExitCodes() {
  if (!jobSet_) return;
  jobSet_->CollectExitCodes();
  jobSet_->CloseUnusedHandles();
  for (const FirmwareJob& job : jobSet_->Jobs()) {
    // A worker still running has no result yet: its camera reads "Unknown", not the
    // still-active code, which would read as "Success".
    if (job.thread && job.exitCode == -1) continue;
    auto& camera = cameras_[static_cast<std::size_t>(job.index)];
    camera.AddTxtValue(txtkey::kFirmwareResult, std::to_string(job.exitCode).c_str());
  }
}

// Cancel goes off with the start and stays off: the results page keeps it off, and
// turning it on in between would let a click close the wizard before its results show.
void CPageFWProgress::BlockClosing(bool block) {
  if (block == closingBlocked_) return;
  closingBlocked_ = block;
  if (!block) {
    QApplication::restoreOverrideCursor();
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  if (wizard() != nullptr && wizard()->button(QWizard::CancelButton) != nullptr)
    wizard()->button(QWizard::CancelButton)->setEnabled(false);
}
