#include "gui/plan/page_assign_preview.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWizard>

#include <algorithm>

#include "platform/posted_event.h"

#include "gui/plan/assign_addresses_wizard.h"

namespace {

QString Plain(const std::string& text) { return QString::fromStdString(text); }

QString ChangeText(const ravix::PreviewRow& row) {
  if (!row.hasPlan) return QCoreApplication::translate("CPageAssignPreview", "no plan row");
  QStringList parts;
  const auto change = [&](const QString& name, const std::string& from, const std::string& to) {
    if (from != to || !row.settingsKnown)
      parts << name + ' ' + (row.settingsKnown ? Plain(from) : QStringLiteral("?")) + QStringLiteral(" \u2192 ") + Plain(to);
  };
  change(QStringLiteral("DHCP"), row.before.DHCP ? "on" : "off", row.after.DHCP ? "on" : "off");
  if (!row.after.DHCP) {
    change(QCoreApplication::translate("CPageAssignPreview", "address"), row.before.IPAddress, row.after.IPAddress);
    change(QCoreApplication::translate("CPageAssignPreview", "prefix"), std::to_string(row.before.NetPrefix),
           std::to_string(row.after.NetPrefix));
    change(QCoreApplication::translate("CPageAssignPreview", "gateway"), row.before.Gateway, row.after.Gateway);
    change(QCoreApplication::translate("CPageAssignPreview", "name server"), row.before.NameServer,
           row.after.NameServer);
  }
  change(QCoreApplication::translate("CPageAssignPreview", "host name"), row.before.HostName, row.after.HostName);
  return parts.isEmpty() ? QCoreApplication::translate("CPageAssignPreview", "no change") : parts.join(QStringLiteral(", "));
}

QString NotesText(const ravix::PreviewRow& row) {
  QStringList notes;
  for (const std::string& conflict : row.conflicts) notes << Plain(conflict);
  for (const std::string& warning : row.warnings) notes << Plain(warning);
  return notes.join(QStringLiteral("; "));
}

}  // namespace

CPageAssignPreview::CPageAssignPreview(CAssignAddressesWizard& wizard) : QWizardPage(&wizard), wizard_(wizard) {
  setObjectName(QStringLiteral("assignPreviewPage"));
  setTitle(tr("Preview"));
  setSubTitle(tr("Nothing has been sent yet. Untick the cameras that are not to be changed; cameras in conflict "
                 "are not sent."));
  rows_ = new QTreeWidget(this);
  rows_->setObjectName(QStringLiteral("assignPreview"));
  rows_->setRootIsDecorated(false);
  rows_->setUniformRowHeights(true);
  rows_->setHeaderLabels({tr("Camera"), tr("Serial"), tr("Change"), tr("Conflicts and warnings")});
  rows_->header()->setStretchLastSection(true);
  rows_->setColumnWidth(CameraColumn, 150);
  rows_->setColumnWidth(SerialColumn, 90);
  rows_->setColumnWidth(ChangeColumn, 300);
  connect(rows_, &QTreeWidget::itemChanged, this, &CPageAssignPreview::OnItemChanged);
  setButtonText(QWizard::NextButton, tr("&Apply"));  // the step after this page sends
  summary_ = new QLabel(this);
  summary_->setObjectName(QStringLiteral("assignPreviewSummary"));
  summary_->setTextFormat(Qt::PlainText);
  summary_->setWordWrap(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(rows_, 1);
  layout->addWidget(summary_);
}

void CPageAssignPreview::initializePage() { Check({}, true); }

bool CPageAssignPreview::isComplete() const {
  return !checking_ && std::any_of(wizard_.preview.rows.begin(), wizard_.preview.rows.end(),
                                   [](const ravix::PreviewRow& row) { return row.WillSend(); });
}

void CPageAssignPreview::WaitForWork() {
  if (worker_.joinable()) worker_.join();
}

void CPageAssignPreview::Check(ravix::PlanPreview preview, bool build) {
  WaitForWork();
  checking_ = true;
  summary_->setText(tr("Checking the addresses on the link..."));
  emit completeChanged();
  std::vector<uint32_t> ids;
  for (const CBrowseRecord& record : wizard_.Selected()) ids.push_back(record.ID);
  worker_ = std::thread([this, preview = std::move(preview), build, ids]() mutable {
    const CAssignAddressesWizard& w = wizard_;
    if (build) preview = ravix::BuildPlanPreview(w.plan, w.Found(), ids, w.Connect().Tools, w.Probe());
    else ravix::CheckPlanPreview(preview, w.Found(), w.Connect().Tools, w.Probe());
    // A posted event, not a queued call: its hand-over of the result is one the thread
    // checkers can follow (Qt's own queue locks are invisible to them).
    QCoreApplication::postEvent(this, new ravix::PostedEvent<ravix::PlanPreview>(CheckedEvent(), std::move(preview)));
  });
}

QEvent::Type CPageAssignPreview::CheckedEvent() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

bool CPageAssignPreview::event(QEvent* event) {
  const auto* checked = ravix::PostedEvent<ravix::PlanPreview>::From(event, CheckedEvent());
  if (checked == nullptr) return QWizardPage::event(event);
  wizard_.preview = checked->Value();
  checking_ = false;
  Show();
  return true;
}

void CPageAssignPreview::Show() {
  filling_ = true;
  rows_->setUpdatesEnabled(false);  // one paint for the whole table
  rows_->clear();
  std::size_t sending = 0, blocked = 0;
  for (const ravix::PreviewRow& row : wizard_.preview.rows) {
    auto* item = new QTreeWidgetItem(rows_);
    item->setText(CameraColumn, Plain(row.record.ServiceName));
    item->setText(SerialColumn, Plain(row.record.GetTxtValueOrEmpty(txtkey::kSerial)));
    item->setText(ChangeColumn, ChangeText(row));
    item->setText(NotesColumn, NotesText(row));
    item->setToolTip(NotesColumn, item->text(NotesColumn));
    item->setFlags(row.hasPlan ? item->flags() | Qt::ItemIsUserCheckable : item->flags() & ~Qt::ItemIsUserCheckable);
    item->setCheckState(CameraColumn, row.ticked ? Qt::Checked : Qt::Unchecked);
    if (!row.conflicts.empty()) item->setForeground(NotesColumn, QBrush(Qt::red));
    sending += row.WillSend() ? 1 : 0;
    blocked += row.ticked && !row.conflicts.empty() ? 1 : 0;
  }
  QString text = tr("%n camera(s) will be changed.", nullptr, static_cast<int>(sending));
  if (blocked != 0) text += ' ' + tr("%n in conflict will not be sent.", nullptr, static_cast<int>(blocked));
  for (const ravix::PlanRow& row : wizard_.preview.unmatchedRows)
    text += '\n' + tr("Line %1: no selected camera has %2.")
                       .arg(row.line)
                       .arg(Plain(row.serial.empty() ? row.mac : row.serial));
  summary_->setText(text);
  rows_->setUpdatesEnabled(true);
  filling_ = false;
  emit completeChanged();
}

void CPageAssignPreview::OnItemChanged(QTreeWidgetItem* item, int column) {
  if (filling_ || checking_ || column != CameraColumn) return;
  const int index = rows_->indexOfTopLevelItem(item);
  if (index < 0 || static_cast<std::size_t>(index) >= wizard_.preview.rows.size()) return;
  ravix::PlanPreview preview = wizard_.preview;
  preview.rows[static_cast<std::size_t>(index)].ticked = item->checkState(CameraColumn) == Qt::Checked;
  Check(std::move(preview), false);
}
