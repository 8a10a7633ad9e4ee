#pragma once
// CPageAssignPreview: one row per selected camera with its old and new settings and its
// conflicts; the user may untick rows, after which the conflicts are checked again. The
// checks (they ask the link by ARP) run on a worker thread.

#include <QEvent>
#include <QWizardPage>

#include <thread>

#include "plan/plan_preview.h"

class CAssignAddressesWizard;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

class CPageAssignPreview : public QWizardPage {
  Q_OBJECT

 public:
  enum Column { CameraColumn, SerialColumn, ChangeColumn, NotesColumn };

  explicit CPageAssignPreview(CAssignAddressesWizard& wizard);

  void initializePage() override;
  // Complete when no check runs and at least one row will be sent.
  bool isComplete() const override;
  void WaitForWork();

 protected:
  bool event(QEvent* event) override;

 private:
  // The worker's checked preview, posted back to the page.
  static QEvent::Type CheckedEvent();
  // Checks preview (a copy) on the worker; Show follows on the GUI thread.
  void Check(ravix::PlanPreview preview, bool build);
  void Show();
  void OnItemChanged(QTreeWidgetItem* item, int column);

  CAssignAddressesWizard& wizard_;
  QTreeWidget* rows_;
  QLabel* summary_;
  std::thread worker_;
  bool checking_ = false;
  bool filling_ = false;
};
