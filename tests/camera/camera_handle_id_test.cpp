// Handle ids of a fresh process: 1001 first, never reused.
#include <gtest/gtest.h>

#include "camera/camera_client.h"
#include "camera/camera_handle_map.h"
#include "tests/support/scripted_camera_server.h"

namespace {

TEST(CameraHandleIds, FirstIs1001AndIdsAreNotReused) {
  camtest::ScriptedCameraServer camera;
  ASSERT_TRUE(camera.Start());
  camera.Reply("/cgi-bin/param_if.cgi?", {200, "Return_0=1\n"});
  int first = 0;
  ASSERT_EQ(CameraOpen(camera.BaseUrl().c_str(), &first, nullptr), CamOk);
  EXPECT_EQ(first, 1001);
  EXPECT_EQ(CameraClose(first), CamOk);
  int second = 0;
  ASSERT_EQ(CameraOpen(camera.BaseUrl().c_str(), &second, nullptr), CamOk);
  EXPECT_EQ(second, 1002);
  EXPECT_EQ(TheCameraHandleMap().Count(), 1u);
  // Left open: deleted without logout at exit.
}

}  // namespace
