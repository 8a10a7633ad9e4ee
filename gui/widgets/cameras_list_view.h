#pragma once
// CCamerasListView: the cameras as rows of a 17-column list, sortable by up to five
// columns, with resizable, movable and hideable columns (the header's context menu
// chooses the shown ones, at least one stays) whose layout is kept in the profile
// (loaded when the view is created, saved when it is destroyed). Without a stored layout
// each column starts as wide as its title and, shortly after the first rows arrive, the
// columns fit their contents (up to a cap); values completed later (addresses, MAC,
// network settings) widen them further until the user resizes or hides a column. Filled and kept current by the record
// notifications; each row keeps a copy of its record's latest update.

#include <QTimer>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gui/models/camera_list_model.h"
#include "gui/widgets/camera_item_view.h"
#include "views/record_columns.h"

class CCamerasListView : public CameraItemView {
  Q_OBJECT

 public:
  // How long after new rows or values the columns fit their contents (they come in bursts).
  static constexpr int kFitDelayMs = 150;
  // Rows measured per column when fitting.
  static constexpr int kFitSampleRows = 100;
  // A fitted column takes at most a third of the view's width, within these bounds.
  static constexpr int kFitMinCap = 160;
  static constexpr int kFitMaxCap = 480;

  // host must outlive the view.
  explicit CCamerasListView(CameraViewHost& host, QWidget* parent = nullptr);
  ~CCamerasListView() override;

  void OnInitialUpdate() override;
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

  // Room for the column's title and a sort arrow, in the header's font and style.
  int TitleWidth(int column) const;
  // Sizes each shown column to its contents (a bounded sample of rows), never below its
  // title and never beyond the cap; after the first fit columns only grow.
  void FitColumnsToContents();

  // Shows or hides a column; false when the column does not exist or is the last one shown.
  bool SetColumnShown(int column, bool shown);
  // Opens the column chooser at globalPos: every column in display order, checked when
  // shown ("columnChooserMenu"; it deletes itself when it closes).
  void ShowColumnMenu(const QPoint& globalPos);

 protected:
  std::optional<MenuRequest> ContextMenuRequest(const QContextMenuEvent& event) override;

 private:
  void ShowSortIndicators();
  void LoadLayout();
  void FitWhileUntouched();
  void OnSectionResized();
  int ShownColumnCount() const;
  int LayoutWidth(int column) const;
  void SaveLayout() const;
  std::vector<int> SelectedRows() const;

  CameraListModel* model_;
  QTimer fitTimer_;
  bool autoFit_ = false;     // no stored layout and the user has not changed a width yet
  bool fitted_ = false;      // the first fit happened
  bool resizingForFit_ = false;
  std::array<int, views::kColumnCount> hiddenWidths_{};  // a hidden column's width when it was shown
};
