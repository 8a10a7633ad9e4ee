#pragma once
// The camera view the main frame shows for a view mode: the tree view or the list view.

#include <memory>

#include "finder/settings_block.h"

class CCamerasViewCommonBase;
class CameraViewHost;
class QWidget;

std::unique_ptr<CCamerasViewCommonBase> DefaultCameraView(ViewMode mode, CameraViewHost& host, QWidget* parent);
