#pragma once
// CCamerasView: the cameras as a tree: this computer at the root, one node per network
// adapter, each camera under the adapter it was found on (under the root when that
// adapter is unknown). Children are kept in natural order. Hovering shows a camera's
// details or an adapter's addresses (when EnableTreeTips is on).

#include <QTreeView>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gui/models/camera_tree_model.h"
#include "gui/widgets/camera_context_menu.h"
#include "gui/widgets/camera_view_host.h"
#include "gui/widgets/cameras_view_common_base.h"

class CCamerasView : public QTreeView, public CCamerasViewCommonBase {
  Q_OBJECT
  // Select All never applies to the tree.
  Q_PROPERTY(bool selectAllEnabled READ SelectAllEnabled CONSTANT)

 public:
  // Longest tip text, as the tree control's tip buffer allows.
  static constexpr int kMaxTipLength = 1022;
  // How long a tip stays up.
  static constexpr int kTipDisplayMs = 32767;

  // host must outlive the view.
  explicit CCamerasView(CameraViewHost& host, QWidget* parent = nullptr);
  ~CCamerasView() override;

  std::size_t GetSelectedRecordIDs(std::vector<uint32_t>* ids) const override;
  std::size_t SelectRecordIDs(const std::vector<uint32_t>& ids) override;
  void OnInitialUpdate() override;
  void OnUpdate(const RecordEvent& event) override;
  QWidget* Widget() override { return this; }
  bool CanSelectAll() const override { return false; }
  void SelectAll() override {}

  bool SelectAllEnabled() const { return false; }
  void selectAll() override {}

  // The tip of a node as text (tabs between label and value); empty for no tip.
  std::string TipText(const QModelIndex& node) const;
  // The root's text: this machine's host name, or "My Computer" without one.
  static QString RootText();

  CameraTreeModel& Model() { return *model_; }
  CameraContextMenu& ContextMenu() { return contextMenu_; }

 protected:
  bool viewportEvent(QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildRoot();
  QModelIndex AddAdapterNode(const QModelIndex& parent, const struct AdapterEntry& adapter);
  void AddOrUpdateCameraNode(const CBrowseRecord& record);
  void OpenInBrowser();

  CameraViewHost& host_;
  CameraTreeModel* model_;
  CameraContextMenu contextMenu_;
};
