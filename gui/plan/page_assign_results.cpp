#include "gui/plan/page_assign_results.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/plan/assign_addresses_wizard.h"
#include "plan/plan_results_csv.h"
#include "platform/posted_event.h"

CPageAssignResults::CPageAssignResults(CAssignAddressesWizard& wizard) : QWizardPage(&wizard), wizard_(wizard) {
  setObjectName(QStringLiteral("assignResultsPage"));
  setTitle(tr("Results"));
  setSubTitle(tr("Please wait while the cameras are given their settings."));
  setFinalPage(true);
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("assignProgress"));
  results_ = new QTreeWidget(this);
  results_->setObjectName(QStringLiteral("assignResults"));
  results_->setRootIsDecorated(false);
  results_->setUniformRowHeights(true);
  results_->setHeaderLabels({tr("Camera"), tr("Result"), tr("Detail")});
  results_->header()->setStretchLastSection(true);
  results_->setColumnWidth(CameraColumn, 160);
  results_->setColumnWidth(ResultColumn, 160);
  save_ = new QPushButton(tr("&Save as CSV..."), this);
  save_->setObjectName(QStringLiteral("saveResults"));
  save_->setEnabled(false);
  connect(save_, &QPushButton::clicked, this, &CPageAssignResults::Save);
  note_ = new QLabel(this);
  note_->setObjectName(QStringLiteral("assignResultsNote"));
  note_->setTextFormat(Qt::PlainText);
  note_->setWordWrap(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(progress_);
  layout->addWidget(results_, 1);
  layout->addWidget(note_);
  layout->addWidget(save_, 0, Qt::AlignRight);
}

void CPageAssignResults::WaitForWork() {
  if (worker_.joinable()) worker_.join();
}

void CPageAssignResults::initializePage() {
  if (running_ || wizard_.applied) return;
  running_ = true;
  wizard_.applied = true;
  done_ = 0;
  progress_->setRange(0, static_cast<int>(wizard_.preview.rows.size()));
  progress_->setValue(0);
  emit completeChanged();
  worker_ = std::thread([this] {
    ravix::PlanApplyOptions options;
    // Posted events, not queued calls: their hand-over is one the thread checkers can
    // follow (Qt's own queue locks are invisible to them).
    options.done = [this](std::size_t index, const ravix::PlanOutcome&) {
      QCoreApplication::postEvent(this, new ravix::PostedEvent<std::size_t>(CameraDoneEvent(), index));
    };
    auto outcomes = ravix::ApplyPlan(wizard_.preview.rows, wizard_.Connect(), options);
    QCoreApplication::postEvent(this, new ravix::PostedEvent<std::vector<ravix::PlanOutcome>>(AppliedEvent(),
                                                                                           std::move(outcomes)));
  });
}

QEvent::Type CPageAssignResults::CameraDoneEvent() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

QEvent::Type CPageAssignResults::AppliedEvent() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

bool CPageAssignResults::event(QEvent* event) {
  if (ravix::PostedEvent<std::size_t>::From(event, CameraDoneEvent()) != nullptr) {
    OnCameraDone();
    return true;
  }
  const auto* applied = ravix::PostedEvent<std::vector<ravix::PlanOutcome>>::From(event, AppliedEvent());
  if (applied == nullptr) return QWizardPage::event(event);
  wizard_.outcomes = applied->Value();
  OnApplied();
  return true;
}

void CPageAssignResults::OnCameraDone() { progress_->setValue(++done_); }

void CPageAssignResults::OnApplied() {
  WaitForWork();
  running_ = false;
  int good = 0;
  results_->setUpdatesEnabled(false);  // one paint for the whole table
  QList<QTreeWidgetItem*> items;
  for (std::size_t i = 0; i < wizard_.preview.rows.size() && i < wizard_.outcomes.size(); ++i) {
    const ravix::PlanOutcome& outcome = wizard_.outcomes[i];
    auto* item = new QTreeWidgetItem;
    items << item;
    item->setText(CameraColumn, QString::fromStdString(wizard_.preview.rows[i].record.ServiceName));
    item->setText(ResultColumn, tr(ravix::PlanResultText(outcome.result)));
    item->setText(DetailColumn, QString::fromStdString(outcome.detail));
    item->setToolTip(DetailColumn, item->text(DetailColumn));
    good += ravix::IsPlanSuccess(outcome.result) ? 1 : 0;
  }
  results_->addTopLevelItems(items);
  results_->setUpdatesEnabled(true);
  progress_->setValue(progress_->maximum());
  setSubTitle(tr("Done. Please see the table below for the results."));
  note_->setText(tr("%1 of %2 camera(s) have their settings. Changed cameras restart their network and are found "
                    "again at their new addresses by the Refresh that follows.")
                     .arg(good)
                     .arg(wizard_.preview.rows.size()));
  save_->setEnabled(true);
  emit completeChanged();
}

void CPageAssignResults::Save() {
  auto* dialog = new QFileDialog(this, tr("Save Results"), QStringLiteral("address-plan-results.csv"),
                                 tr("CSV files (*.csv)"));
  dialog->setObjectName(QStringLiteral("saveResultsDialog"));
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setDefaultSuffix(QStringLiteral("csv"));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
    QSaveFile file(path);
    const std::string csv = ravix::PlanResultsCsv(wizard_.preview.rows, wizard_.outcomes);
    const bool written = file.open(QIODevice::WriteOnly) &&
                         file.write(csv.data(), static_cast<qint64>(csv.size())) == static_cast<qint64>(csv.size()) &&
                         file.commit();
    note_->setText(written ? tr("The results were saved to %1.").arg(path)
                           : tr("The results could not be saved to %1: %2").arg(path, file.errorString()));
  });
  dialog->open();
}
