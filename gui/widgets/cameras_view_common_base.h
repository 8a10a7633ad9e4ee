#pragma once
// CCamerasViewCommonBase: what the document and the main frame ask of whichever camera
// view is active: the selection interface the commands use, Select All, the filter and
// counts, and the report of the selection whenever it changes. The records reach the
// view's model from the camera store, not through here.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class QString;
class QWidget;

class CCamerasViewCommonBase {
 public:
  virtual ~CCamerasViewCommonBase() = default;

  // Number of selected cameras; with ids, ids is resized to that number and holds their
  // record IDs (list view: every selected row in display order; tree view: the selected
  // camera node, none when an adapter or the root is selected).
  virtual std::size_t GetSelectedRecordIDs(std::vector<uint32_t>* ids) const = 0;
  // The interface index of the selected adapter node (tree view); 0 when no adapter is
  // selected.
  virtual uint32_t SelectedAdapter() const { return 0; }
  // Selects the cameras of ids that the view shows; returns how many it found.
  virtual std::size_t SelectRecordIDs(const std::vector<uint32_t>& ids) = 0;

  // Whether Select All applies to the view now (list: unless it selects one row at a
  // time; tree: never).
  virtual bool CanSelectAll() const { return false; }
  // Selects every camera the view shows; the current item stays. Nothing when
  // CanSelectAll is false.
  virtual void SelectAll() {}

  // The quick filter: only cameras matching text are shown (empty: all); selected
  // cameras it hides leave the selection.
  virtual void SetFilterText(const QString& text) { (void)text; }
  // Cameras the view holds: shown ones and all of them (with the hidden ones).
  struct CameraCounts {
    int shown = 0;
    int total = 0;
  };
  virtual CameraCounts Counts() const { return {}; }
  // The record IDs of the shown cameras in the order of the list's sort keys.
  virtual std::vector<uint32_t> ShownRecordIDs() const { return {}; }

  // Sets the view up: its model follows the camera store from now on and is filled with
  // the store's records.
  virtual void OnInitialUpdate() = 0;

  // The view's own widget, for the frame to place.
  virtual QWidget* Widget() = 0;

  // Called with the selected record IDs (as GetSelectedRecordIDs gives them) each time
  // the selection changes; empty: no one listens.
  using SelectionListener = std::function<void(const std::vector<uint32_t>& ids)>;
  void SetSelectionListener(SelectionListener listener) { selectionListener_ = std::move(listener); }

 protected:
  // The view's selection changed: tells the listener.
  void ReportSelection() const {
    if (!selectionListener_) return;
    std::vector<uint32_t> ids;
    GetSelectedRecordIDs(&ids);
    selectionListener_(ids);
  }

 private:
  SelectionListener selectionListener_;
};
