#pragma once
// The camera view of the frame tests: one row per record; single selection in tree mode.
#include "gui/app/placeholder_camera_view.h"

using TestCameraView = PlaceholderCameraView;
