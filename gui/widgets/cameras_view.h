#pragma once
// CCamerasView: the cameras as a tree: this computer at the root, one node per network
// adapter (one that is up without an IPv4 address says so), each camera under the adapter
// it was found on (under the root when that adapter is unknown). Children are kept in natural order. Hovering shows a camera's
// details or an adapter's addresses (when EnableTreeTips is on), otherwise the full text
// of a name that does not fit.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gui/models/camera_tree_model.h"
#include "gui/widgets/camera_item_view.h"

class CCamerasView : public CameraItemView {
  Q_OBJECT

 public:
  // Longest tip text, as the tree control's tip buffer allows.
  static constexpr int kMaxTipLength = 1022;
  // How long a tip stays up.
  static constexpr int kTipDisplayMs = 32767;

  // host must outlive the view.
  explicit CCamerasView(CameraViewHost& host, QWidget* parent = nullptr);
  ~CCamerasView() override;

  void OnInitialUpdate() override;
  std::size_t GetSelectedRecordIDs(std::vector<uint32_t>* ids) const override;
  std::size_t SelectRecordIDs(const std::vector<uint32_t>& ids) override;
  uint32_t SelectedAdapter() const override;
  void SetFilterText(const QString& text) override;
  CameraCounts Counts() const override;
  // The shown cameras in the order the list's stored sort keys give (discovery order
  // without keys).
  std::vector<uint32_t> ShownRecordIDs() const override;
  // Select All never applies to the tree (the inherited defaults say so).
  void selectAll() override {}

  // The tip of a node as text (tabs between label and value); empty for no tip.
  std::string TipText(const QModelIndex& node) const;
  // The root's text: this machine's host name, or "My Computer" without one.
  static QString RootText();

  CameraTreeModel& Model() { return *model_; }

 protected:
  bool viewportEvent(QEvent* event) override;
  std::optional<MenuRequest> ContextMenuRequest(const QContextMenuEvent& event) override;

 private:
  // Opens the nodes a placed camera lies under.
  void OnPlaced(const CameraTreeModel::Placement& placement, uint32_t recordId);
  void OnRootBuilt(const QModelIndex& root, bool withAdapters);

  CameraTreeModel* model_;
};
