#include "gui/app/placeholder_camera_view.h"

#include <QAction>
#include <QMenu>

#include <memory>

#include "finder/settings_block.h"

PlaceholderCameraView::PlaceholderCameraView(CameraViewHost& host, bool singleSelection, QWidget* parent)
    : QListWidget(parent), host_(host), singleSelection_(singleSelection) {
  setObjectName(singleSelection ? QStringLiteral("placeholderTreeView") : QStringLiteral("placeholderListView"));
  const bool single = singleSelection || host.ClipboardMode();
  setSelectionMode(single ? QAbstractItemView::SingleSelection : QAbstractItemView::ExtendedSelection);
  setSortingEnabled(false);
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this, &PlaceholderCameraView::ShowContextMenu);
  connect(this, &QListWidget::itemDoubleClicked, this, [this] {
    QAction* open = host_.OpenInBrowserAction();
    if (open != nullptr && open->isEnabled()) open->trigger();
  });
}

PlaceholderCameraView::~PlaceholderCameraView() { host_.StopPeriodicRequeryTimer(); }

QListWidgetItem* PlaceholderCameraView::FindRow(uint32_t id) const {
  for (int row = 0; row < count(); ++row) {
    if (item(row)->data(Qt::UserRole).toUInt() == id) return item(row);
  }
  return nullptr;
}

std::size_t PlaceholderCameraView::GetSelectedRecordIDs(std::vector<uint32_t>* ids) const {
  std::vector<uint32_t> selected;
  for (int row = 0; row < count(); ++row) {
    if (item(row)->isSelected()) selected.push_back(item(row)->data(Qt::UserRole).toUInt());
  }
  if (ids != nullptr) *ids = selected;
  return selected.size();
}

std::size_t PlaceholderCameraView::SelectRecordIDs(const std::vector<uint32_t>& ids) {
  clearSelection();
  std::size_t found = 0;
  for (uint32_t id : ids) {
    QListWidgetItem* row = FindRow(id);
    if (row == nullptr) continue;
    row->setSelected(true);
    if (found++ == 0) setCurrentItem(row, QItemSelectionModel::Current);
    if (singleSelection_) break;
  }
  return found;
}

void PlaceholderCameraView::OnInitialUpdate() {
  OnUpdate(RecordEvent{RecordOperation::ClearAll, 0});
  host_.NotifyAllRecords();
}

void PlaceholderCameraView::OnUpdate(const RecordEvent& event) {
  if (event.Operation == RecordOperation::ClearAll) {
    clear();
    return;
  }
  QListWidgetItem* row = FindRow(event.RecordID);
  CBrowseRecord record;
  const bool shown = event.Operation == RecordOperation::Update && host_.GetRecord(event.RecordID, record) &&
                     (!host_.Settings().ZorvikOnly || record.TxtRecord.count(txtkey::kVendor) != 0);
  if (!shown) {
    if (row != nullptr) {
      const std::unique_ptr<QListWidgetItem> gone(takeItem(this->row(row)));
    }
    return;
  }
  if (row == nullptr) {
    row = new QListWidgetItem(this);  // owned by the list
    row->setData(Qt::UserRole, event.RecordID);
  }
  row->setText(QString::fromStdString(record.ServiceName));
}

void PlaceholderCameraView::ShowContextMenu(const QPoint& at) {
  QMenu menu(this);
  for (QAction* action : host_.CameraContextActions()) {
    if (action == nullptr) {
      menu.addSeparator();
    } else {
      menu.addAction(action);
    }
  }
  menu.exec(viewport()->mapToGlobal(at));
}
