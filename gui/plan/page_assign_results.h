#pragma once
// CPageAssignResults: applies the preview's rows on a worker thread (the cameras in
// parallel), shows the progress, then one row per camera with its result; the results
// can be saved as a CSV file.

#include <QEvent>
#include <QWizardPage>

#include <atomic>
#include <thread>

class CAssignAddressesWizard;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;

class CPageAssignResults : public QWizardPage {
  Q_OBJECT

 public:
  enum Column { CameraColumn, ResultColumn, DetailColumn };

  explicit CPageAssignResults(CAssignAddressesWizard& wizard);

  void initializePage() override;
  bool isComplete() const override { return !running_; }
  bool Running() const { return running_; }
  void WaitForWork();

 protected:
  bool event(QEvent* event) override;

 private:
  // The worker's notes, posted back to the page: one camera done, all applied.
  static QEvent::Type CameraDoneEvent();
  static QEvent::Type AppliedEvent();
  void OnCameraDone();
  void OnApplied();
  void Save();

  CAssignAddressesWizard& wizard_;
  QProgressBar* progress_;
  QTreeWidget* results_;
  QPushButton* save_;
  QLabel* note_;
  std::thread worker_;
  bool running_ = false;
  int done_ = 0;
};
