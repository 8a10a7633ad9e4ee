#pragma once
// PlaceholderCameraView: a plain list of the cameras' service names, one row per record,
// standing in for the tree and list views. In tree mode one row can be selected at a
// time, as in the tree; otherwise any number (one in clipboard mode).

#include <QListWidget>

#include "gui/widgets/camera_view_host.h"
#include "gui/widgets/cameras_view_common_base.h"

class PlaceholderCameraView : public QListWidget, public CCamerasViewCommonBase {
  Q_OBJECT

 public:
  PlaceholderCameraView(CameraViewHost& host, bool singleSelection, QWidget* parent = nullptr);
  ~PlaceholderCameraView() override;

  std::size_t GetSelectedRecordIDs(std::vector<uint32_t>* ids) const override;
  std::size_t SelectRecordIDs(const std::vector<uint32_t>& ids) override;
  void OnInitialUpdate() override;
  void OnUpdate(const RecordEvent& event) override;
  QWidget* Widget() override { return this; }

 private:
  QListWidgetItem* FindRow(uint32_t id) const;
  void ShowContextMenu(const QPoint& at);

  CameraViewHost& host_;
  bool singleSelection_;
};
