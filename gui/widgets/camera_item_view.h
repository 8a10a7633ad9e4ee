#pragma once
// CameraItemView: what the list and the tree view share. It reports the selection when it
// changes, opens the selected camera in the browser on a double-click or a plain Enter
// (when that command is enabled), leaves the copy keys to Copy URL (never copying a
// cell's text itself), shows the frame's camera context menu for the camera a request is
// about, shows the full text of a cell that is cut off as its tooltip, and stops the
// periodic requery when it goes. The views add their model (which follows the camera
// store), layout and selection.

#include <QPoint>
#include <QTreeView>

#include <cstdint>
#include <optional>

#include "gui/widgets/camera_context_menu.h"
#include "gui/widgets/camera_view_host.h"
#include "gui/widgets/cameras_view_common_base.h"

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

  // Where a context menu is asked for.
  struct MenuRequest {
    uint32_t recordId = 0;  // the camera the menu is about; 0: none
    QPoint globalPos;
  };
  // The camera of a context menu request and where to show the menu (selecting it the
  // way the view does); none when the request is about no camera.
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

  CameraViewHost& host_;
  const char* viewName_;
  CameraContextMenu contextMenu_;
};
