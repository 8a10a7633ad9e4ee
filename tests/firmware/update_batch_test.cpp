// The command-line update: the firmware file, many cameras at once, the result table.
#include "firmware/image_file.h"
#include "firmware/update_batch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "camera/camera_handle_map.h"
#include "firmware/result_text.h"
#include "firmware_test_camera.h"
#include "firmware_test_support.h"

using testing::HasSubstr;
using testing::Not;
using Camera = FirmwareTestCamera;

namespace {

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/ravix-fw-XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  std::string File(const std::string& name, const std::string& bytes) const {
    const std::string file = path_ + "/" + name;
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// The lines of the result table (after the blank line), one per camera.
std::string TableRow(const std::string& output, const std::string& name) {
  std::istringstream lines(output.substr(output.rfind("\nCamera")));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(name + " ", 0) == 0) return line;
  }
  return "";
}

TEST(FirmwareResultText, RangesChooseTheText) {
  const std::pair<int, const char*> expected[] = {
      {259, "Success"},       {0, "Success"},
      {-1, "Internal error"}, {-2, "Internal error"},
      {-100, "Internal error"}, {-300, "Internal error"},
      {-301, "Could not connect to camera"}, {-400, "Could not connect to camera"},
      {-401, "Authentication failed"}, {-450, "Authentication failed"},
      {-451, "Firmware not supported"}, {-500, "Firmware not supported"},
      {-501, "Failed!"}, {-600, "Failed!"},
      {-601, "Unknown"}, {-100000, "Unknown"},
  };
  for (const auto& [code, text] : expected) EXPECT_STREQ(FirmwareResultText(code), text) << code;
  EXPECT_EQ(FirmwareResultStringId(-500), 148);
  EXPECT_EQ(FirmwareResultStringId(-601), 144);
}

TEST(FirmwareCommand, UnusableFileIsReportedBeforeAnythingIsSent) {
  TempDir dir;
  const std::string cases[] = {dir.Path() + "/missing.bin", dir.File("empty.bin", ""), dir.Path(), ""};
  for (const std::string& path : cases) {
    SCOPED_TRACE(path);
    Camera camera;
    const int id = camera.Open(true);
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunFirmwareUpdateCommand(path, {{"cam", id, CamOk}}, out, err), kFirmwareCommandBadInput);
    EXPECT_THAT(err.str(), HasSubstr("firmware file"));
    EXPECT_EQ(camera.Count("firmware.cgi"), 0);
    EXPECT_EQ(TheCameraHandleMap().FindHandleObject(id), nullptr);  // handed over, so closed
  }
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(RunFirmwareUpdateCommand(dir.File("fw.bin", "x"), {}, out, err), kFirmwareCommandBadInput);
  EXPECT_THAT(err.str(), HasSubstr("no camera"));
}

TEST(FirmwareCommand, ReadsTheWholeFile) {
  TempDir dir;
  std::string bytes(300000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  std::vector<unsigned char> image;
  std::string error;
  ASSERT_TRUE(ReadFirmwareImage(dir.File("fw.bin", bytes), image, error)) << error;
  EXPECT_EQ(std::string(image.begin(), image.end()), bytes);
}

TEST(FirmwareCommand, AllCamerasUpdatedGivesZero) {
  TempDir dir;
  Camera first;
  Camera second;
  FakeTime time;
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(RunFirmwareUpdateCommand(dir.File("fw.bin", "image"), {{"one", first.Open(true), CamOk},
                                                                     {"two", second.Open(false), CamOk}},
                                     out, err, &time.timing),
            kFirmwareCommandOk);
  EXPECT_THAT(TableRow(out.str(), "one"), HasSubstr("Success"));
  EXPECT_THAT(TableRow(out.str(), "two"), HasSubstr("Success"));
}

TEST(FirmwareCommand, CamerasThatCouldNotBeOpenedAreListedAndCountAsFailures) {
  TempDir dir;
  Camera good;
  const int id = good.Open(false);
  FakeTime time;
  std::ostringstream out;
  std::ostringstream err;
  const std::vector<FirmwareUpdateTarget> targets = {
      {"good", id, CamOk}, {"locked", 0, 401}, {"no-login", 0, CamLoginFailed}, {"gone", 0, CamTransferFailed},
      {"again", id, CamOk}};
  EXPECT_EQ(RunFirmwareUpdateCommand(dir.File("fw.bin", "image"), targets, out, err, &time.timing),
            kFirmwareCommandCameraFailed);
  EXPECT_THAT(TableRow(out.str(), "good"), HasSubstr("Success"));
  EXPECT_THAT(TableRow(out.str(), "locked"), HasSubstr("Authentication failed"));
  EXPECT_THAT(TableRow(out.str(), "no-login"), HasSubstr("Authentication failed"));
  EXPECT_THAT(TableRow(out.str(), "gone"), HasSubstr("Could not connect to camera"));
  EXPECT_THAT(TableRow(out.str(), "again"), HasSubstr("Internal error"));
  EXPECT_EQ(good.Count("upload"), 1);
  EXPECT_THAT(out.str(), Not(HasSubstr("locked: ")));
}

}  // namespace
