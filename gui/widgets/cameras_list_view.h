#pragma once
// CCamerasListView: the cameras as rows of a 17-column list, sortable by up to five
// columns, with resizable and movable columns whose layout is kept in the profile
// (loaded when the view is created, saved when it is destroyed). Filled and kept current
// by the record notifications; each row keeps a copy of its record's latest update.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gui/models/camera_list_model.h"
#include "gui/widgets/camera_item_view.h"

class CCamerasListView : public CameraItemView {
  Q_OBJECT

 public:
  // host must outlive the view.
  explicit CCamerasListView(CameraViewHost& host, QWidget* parent = nullptr);
  ~CCamerasListView() override;

  std::size_t GetSelectedRecordIDs(std::vector<uint32_t>* ids) const override;
  std::size_t SelectRecordIDs(const std::vector<uint32_t>& ids) override;
  // Always, unless the view selects one row at a time (clipboard mode).
  bool CanSelectAll() const override;
  void SelectAll() override;
  void SetFilterText(const QString& text) override;
  CameraCounts Counts() const override;
  // The shown rows from top to bottom.
  std::vector<uint32_t> ShownRecordIDs() const override;
  // A click on the header of column: new sort keys, indicators, one sort.
  void OnColumnClick(int column);

  CameraListModel& Model() { return *model_; }

 protected:
  void UpsertRecord(const CBrowseRecord& record) override;
  void RemoveRecord(uint32_t id) override;
  void ClearRecords() override;
  std::optional<MenuRequest> ContextMenuRequest(const QContextMenuEvent& event) override;

 private:
  void ShowSortIndicators();
  void LoadLayout();
  void SaveLayout() const;
  std::vector<int> SelectedRows() const;

  CameraListModel* model_;
};
