#include "gui/app/camera_view_factory.h"

#include "gui/app/placeholder_camera_view.h"

std::unique_ptr<CCamerasViewCommonBase> DefaultCameraView(ViewMode mode, CameraViewHost& host, QWidget* parent) {
  return std::make_unique<PlaceholderCameraView>(host, mode == ViewMode::Tree, parent);
}
