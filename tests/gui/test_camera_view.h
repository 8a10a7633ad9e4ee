#pragma once
// TestCameraView: the camera view of the frame and application tests: a plain list of the
// cameras' service names, one row per record, single selection in tree mode. It keeps
// the tests of the frame apart from the look and rules of the real views.

#include <QAction>
#include <QListWidget>
#include <QMenu>

#include <memory>

#include "finder/settings_block.h"
#include "gui/models/camera_store.h"
#include "gui/widgets/camera_view_host.h"
#include "gui/widgets/cameras_view_common_base.h"

class TestCameraView : public QListWidget, public CCamerasViewCommonBase {
 public:
  TestCameraView(CameraViewHost& host, bool singleSelection, QWidget* parent = nullptr);
  ~TestCameraView() override;

  std::size_t GetSelectedRecordIDs(std::vector<uint32_t>* ids) const override;
  std::size_t SelectRecordIDs(const std::vector<uint32_t>& ids) override;
  void OnInitialUpdate() override;
  QWidget* Widget() override { return this; }
  bool CanSelectAll() const override { return selectionMode() == ExtendedSelection; }
  void SelectAll() override { selectAll(); }

 private:
  void Upsert(const CBrowseRecord& record);
  void Remove(uint32_t id);
  QListWidgetItem* FindRow(uint32_t id) const;
  void ShowContextMenu(const QPoint& at);

  CameraViewHost& host_;
  bool singleSelection_;
};

inline TestCameraView::TestCameraView(CameraViewHost& host, bool singleSelection, QWidget* parent)
    : QListWidget(parent), host_(host), singleSelection_(singleSelection) {
  setObjectName(singleSelection ? QStringLiteral("testTreeView") : QStringLiteral("testListView"));
  const bool single = singleSelection || host.ClipboardMode();
  setSelectionMode(single ? QAbstractItemView::SingleSelection : QAbstractItemView::ExtendedSelection);
  setSortingEnabled(false);
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this, &TestCameraView::ShowContextMenu);
  connect(this, &QListWidget::itemSelectionChanged, this, [this] { ReportSelection(); });
  connect(this, &QListWidget::itemDoubleClicked, this, [this] {
    QAction* open = host_.OpenInBrowserAction();
    if (open != nullptr && open->isEnabled()) open->trigger();
  });
}

inline TestCameraView::~TestCameraView() = default;

inline QListWidgetItem* TestCameraView::FindRow(uint32_t id) const {
  for (int row = 0; row < count(); ++row) {
    if (item(row)->data(Qt::UserRole).toUInt() == id) return item(row);
  }
  return nullptr;
}

inline std::size_t TestCameraView::GetSelectedRecordIDs(std::vector<uint32_t>* ids) const {
  std::vector<uint32_t> selected;
  for (int row = 0; row < count(); ++row) {
    if (item(row)->isSelected()) selected.push_back(item(row)->data(Qt::UserRole).toUInt());
  }
  if (ids != nullptr) *ids = selected;
  return selected.size();
}

inline std::size_t TestCameraView::SelectRecordIDs(const std::vector<uint32_t>& ids) {
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

// Follows the store as the real views' models do.
inline void TestCameraView::OnInitialUpdate() {
  CameraStore& store = host_.Store();
  connect(&store, &CameraStore::RecordUpdated, this, &TestCameraView::Upsert);
  connect(&store, &CameraStore::RecordRemoved, this, &TestCameraView::Remove);
  connect(&store, &CameraStore::Cleared, this, &QListWidget::clear);
  clear();
  for (const CBrowseRecord& record : store.Records()) Upsert(record);
}

inline void TestCameraView::Remove(uint32_t id) {
  QListWidgetItem* row = FindRow(id);
  if (row == nullptr) return;
  const std::unique_ptr<QListWidgetItem> gone(takeItem(this->row(row)));
}

inline void TestCameraView::Upsert(const CBrowseRecord& record) {
  if (host_.Settings().ZorvikOnly && record.TxtRecord.count(txtkey::kVendor) == 0) {
    Remove(record.ID);
    return;
  }
  QListWidgetItem* row = FindRow(record.ID);
  if (row == nullptr) {
    row = new QListWidgetItem(this);  // owned by the list
    row->setData(Qt::UserRole, record.ID);
  }
  row->setText(QString::fromStdString(record.ServiceName));
}

inline void TestCameraView::ShowContextMenu(const QPoint& at) {
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
