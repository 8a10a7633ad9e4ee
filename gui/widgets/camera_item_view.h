#pragma once
// CameraItemView: what the list and the tree view share. It reports the selection when it
// changes, keeps it across a Refresh for the cameras that come back, opens the selected
// camera in the browser on a double-click or a plain Enter (when that command is enabled),
// leaves the copy keys to Copy URL (never copying a cell's text itself), shows the frame's
// camera context menu for the camera a request is about and shows the full text of a cell
// that is cut off as its tooltip. The views add their model (which follows the camera
// store), layout and selection.

#include <QPoint>
#include <QTreeView>

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "gui/widgets/camera_context_menu.h"
#include "gui/widgets/camera_view_host.h"
#include "gui/widgets/cameras_view_common_base.h"
#include "records/browse_record.h"

class CameraStore;
class QHelpEvent;

class CameraItemView : public QTreeView, public CCamerasViewCommonBase {
  Q_OBJECT

 public:
  ~CameraItemView() override;

  QWidget* Widget() override { return this; }

  CameraContextMenu& ContextMenu() { return contextMenu_; }
  // The cell's content (icon, text, margins) is wider than the room it has.
  bool IsElided(const QModelIndex& index) const;

 protected:
  // viewName names the view in log lines; host must outlive the view.
  CameraItemView(CameraViewHost& host, const char* viewName, QWidget* parent);

  // After setModel: the selection is reported from now on (ReportSelection).
  void WatchSelection();
  // The selection outlives a Refresh. The view calls both in OnInitialUpdate, around the
  // model's Follow: before it, so that a Cleared is seen while the rows are still there;
  // after it, so that a camera that comes back has its row when it is selected again.
  void WatchStoreBeforeModel(CameraStore& store);
  void WatchStoreAfterModel(CameraStore& store);

  // Where a context menu is asked for.
  struct MenuRequest {
    uint32_t recordId = 0;  // the camera the menu is about; 0: none
    QPoint globalPos;
    uint32_t adapter = 0;  // or the adapter (interface index) it is about; 0: none
  };
  // The camera or adapter of a context menu request and where to show the menu (selecting
  // it the way the view does); none when the request is about neither.
  virtual std::optional<MenuRequest> ContextMenuRequest(const QContextMenuEvent& event) = 0;

  // A tooltip over a cell whose text does not fit shows the whole text.
  bool viewportEvent(QEvent* event) override;
  // Shows the full text of the cell at help's position when the cell cuts it off; false
  // (and any tip hidden) when there is nothing cut off there.
  bool ShowElidedTip(const QHelpEvent& help);

  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

  CameraViewHost& Host() const { return host_; }

 private:
  void OpenInBrowser();
  // Selects the current row when nothing is selected; false when it did not.
  bool SelectCurrentWhenNoneIs();
  // After a ClearAll the engine numbers the cameras anew: the selection is remembered by
  // service (name, type, domain) and given back to each selected camera as it returns,
  // unless the person has selected something else meanwhile.
  void RememberSelection();
  void GiveBackSelection(const CBrowseRecord& record);

  CameraViewHost& host_;
  const char* viewName_;
  CameraContextMenu contextMenu_;
  std::unordered_map<uint32_t, std::string> services_;  // record ID -> service, as shown now
  std::unordered_set<std::string> selectedServices_;     // selected before ClearAll, not back yet
  std::vector<uint32_t> givenBack_;                      // IDs of those that came back
};
