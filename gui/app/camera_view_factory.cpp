#include "gui/app/camera_view_factory.h"

#include "gui/widgets/cameras_list_view.h"
#include "gui/widgets/cameras_view.h"

std::unique_ptr<CCamerasViewCommonBase> DefaultCameraView(ViewMode mode, CameraViewHost& host, QWidget* parent) {
  if (mode == ViewMode::List) return std::make_unique<CCamerasListView>(host, parent);
  return std::make_unique<CCamerasView>(host, parent);
}
