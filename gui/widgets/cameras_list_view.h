#pragma once
// CCamerasListView: the cameras as rows of a 17-column list, sortable by up to five
// columns, with resizable and movable columns whose layout is kept in the profile
// (loaded when the view is created, saved when it is destroyed). Filled and kept current
// by the record notifications; each row keeps a copy of its record's latest update.

#include <QTreeView>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gui/models/camera_list_model.h"
#include "gui/widgets/camera_context_menu.h"
#include "gui/widgets/camera_view_host.h"
#include "gui/widgets/cameras_view_common_base.h"

class CCamerasListView : public QTreeView, public CCamerasViewCommonBase {
  Q_OBJECT
  // Whether the frame's Select All applies to this view (it always does here).
  Q_PROPERTY(bool selectAllEnabled READ SelectAllEnabled CONSTANT)

 public:
  // host must outlive the view.
  explicit CCamerasListView(CameraViewHost& host, QWidget* parent = nullptr);
  ~CCamerasListView() override;

  std::size_t GetSelectedRecordIDs(std::vector<uint32_t>* ids) const override;
  std::size_t SelectRecordIDs(const std::vector<uint32_t>& ids) override;
  void OnInitialUpdate() override;
  void OnUpdate(const RecordEvent& event) override;
  QWidget* Widget() override { return this; }
  bool CanSelectAll() const override {
    return selectionMode() == ExtendedSelection || selectionMode() == MultiSelection;
  }
  void SelectAll() override { selectAll(); }

  bool SelectAllEnabled() const { return true; }
  // A click on the header of column: new sort keys, indicators, one sort.
  void OnColumnClick(int column);

  CameraListModel& Model() { return *model_; }
  CameraContextMenu& ContextMenu() { return contextMenu_; }

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void InsertOrUpdateRow(const CBrowseRecord& record);
  void ShowSortIndicators();
  void LoadLayout();
  void SaveLayout() const;
  void OpenInBrowser();
  std::vector<int> SelectedRows() const;

  CameraViewHost& host_;
  CameraListModel* model_;
  CameraContextMenu contextMenu_;
};
