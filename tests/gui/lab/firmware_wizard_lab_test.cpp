// The firmware wizard against simulated cameras in the network lab: three cameras updated
// at once (one installs the image, one refuses it, one whose login the user cancels), and
// a firmware file that cannot be read any more when the update starts.
//
// With RAVIX_SCREENSHOT_DIR set, the results page is also saved there as
// firmware-wizard.png (the picture of docs/usage.md).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QTreeWidget>

#include <string>
#include <vector>

#include "camera/camera_client.h"
#include "camera/camera_connect.h"
#include "gui/firmware/page_fw_progress.h"
#include "gui/firmware/page_fw_results.h"
#include "gui/firmware/page_fw_select.h"
#include "gui/firmware/property_sheet_fw.h"
#include "gui/models/app_image_list.h"
#include "net/network_tools.h"
#include "tests/camera/lab_cameras.h"
#include "tests/camera/scripted_prompt.h"
#include "tests/gui/gui_test_base.h"

namespace {

using finder_lab::kLoginCamera;
using finder_lab::kOpenCamera;
using finder_lab::kSettingsCamera;

// The camera that refuses every image in these tests.
constexpr const char* kRefusingImageCamera = kSettingsCamera;

std::vector<std::string> FirmwarePages(const std::string& address) {
  std::vector<std::string> pages;
  for (const nlohmann::json& entry : finder_lab::RequestsOf(address)) {
    const std::string path = entry.value("path", "");
    const auto at = path.find("firmware.cgi/");
    if (at != std::string::npos) pages.push_back(entry.value("method", "") + " " + path.substr(at + 13));
  }
  return pages;
}

int NotedHandle(const CBrowseRecord& record) {
  const std::string id = record.GetTxtValueOrEmpty(txtkey::kCameraHandle);
  return id.empty() ? 0 : std::stoi(id);
}

bool SameIcon(const QIcon& shown, AppImage image) {
  return shown.cacheKey() == AppImageList::Shared().Icon(image).cacheKey();
}

class FirmwareWizardLab : public GuiTestBase {
 protected:
  void SetUp() override {
    if (!finder_lab::InsideLab()) GTEST_SKIP() << "not inside tools/netlab";
    ASSERT_NE(finder_lab::Simulator(), nullptr) << "the simulator did not start";
    ASSERT_TRUE(finder_lab::Simulator()->SetFaults(kRefusingImageCamera, {{"firmware_refused", true}}));
    finder_lab::Simulator()->ClearRequestLog();
    context_.Prompt = &prompt;
  }
  void TearDown() override {
    if (finder_lab::Simulator() != nullptr) finder_lab::Simulator()->SetFaults(kRefusingImageCamera, nlohmann::json::object());
  }

  // Records of the cameras at these addresses, named as the simulator names them.
  static std::vector<CBrowseRecord> Records(const std::vector<std::string>& addresses) {
    std::vector<CBrowseRecord> cameras;
    const nlohmann::json devices = finder_lab::Simulator()->List();
    for (const std::string& address : addresses) {
      CBrowseRecord& camera = cameras.emplace_back(finder_lab::RecordFor(address, ""));
      for (const nlohmann::json& device : devices) {
        if (device.value("address", "") == address) camera.ServiceName = device.value("name", "");
      }
    }
    return cameras;
  }

  std::unique_ptr<CPropertySheetFW> MakeWizard(std::vector<CBrowseRecord> cameras) {
    FirmwareWizardOptions options;
    options.requery = [this] { ++requeries; };
    auto wizard = std::make_unique<CPropertySheetFW>(std::move(cameras), context_, options);
    wizard->show();
    return wizard;
  }

  QString WriteImage(const std::string& version) {
    const std::string image = CamsimProcess::FirmwareImage(300000, version);
    QFile file(TempPath("camera.bin"));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(image.data(), static_cast<qint64>(image.size()));
    return file.fileName();
  }

  // Types the path and goes Next, as the user does.
  static void StartUpdate(CPropertySheetFW& wizard, const QString& path) {
    wizard.SelectPage()->PathEdit()->setText(path);
    ASSERT_TRUE(wizard.button(QWizard::NextButton)->isEnabled());
    wizard.button(QWizard::NextButton)->click();
  }

  static bool ReachResults(CPropertySheetFW& wizard) {
    return ProcessEventsUntil([&] { return wizard.currentId() == CPropertySheetFW::ResultsPageId; }, 90000);
  }

  void MutablePrompt(IPasswordPrompt* other) { context_.Prompt = other; }

  ScriptedPrompt prompt;
  int requeries = 0;

 private:
  CNetworkTools tools_;
  CameraConnectContext context_{tools_, true, nullptr, nullptr, {}};
};

TEST_F(FirmwareWizardLab, ThreeCamerasOneProgressBarOneRowEach) {
  prompt.Cancel();  // the login camera's prompt
  std::vector<CBrowseRecord> records = Records({kOpenCamera, kRefusingImageCamera, kLoginCamera});
  // What a camera advertises under the wizard's own keys counts for nothing.
  records[2].TxtRecord.Set(txtkey::kCameraHandle, "1");
  records[2].TxtRecord.Set(txtkey::kFirmwareResult, "0");
  auto wizard = MakeWizard(std::move(records));
  QProgressBar& bar = *wizard->ProgressPage()->ProgressBar();
  int highest = 0;
  QObject::connect(&bar, &QProgressBar::valueChanged, [&](int value) { highest = std::max(highest, value); });
  StartUpdate(*wizard, WriteImage("5.0.0"));

  ASSERT_EQ(wizard->currentId(), CPropertySheetFW::ProgressPageId);
  EXPECT_EQ(bar.minimum(), 0);
  EXPECT_EQ(bar.maximum(), 297);
  // The cameras are opened one after another on worker threads, the wizard locked meanwhile.
  EXPECT_FALSE(wizard->isEnabled());
  ASSERT_TRUE(ProcessEventsUntil([&] { return wizard->isEnabled(); }, 30000));
  ASSERT_EQ(prompt.shown.size(), 1u);  // only the login camera asked, once, and was cancelled
  EXPECT_NE(prompt.shown[0].Prompt.find("Login Camera"), std::string::npos) << prompt.shown[0].Prompt;
  // While the updates run there is no way out of the wizard.
  EXPECT_TRUE(wizard->ProgressPage()->JobsRunning());
  EXPECT_FALSE(wizard->button(QWizard::CancelButton)->isEnabled());
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  wizard->close();
  wizard->reject();
  EXPECT_TRUE(wizard->isVisible());

  ASSERT_TRUE(ReachResults(*wizard));
  EXPECT_EQ(highest, 297);  // every job ended at 99
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(requeries, 1);

  const std::vector<CBrowseRecord>& cameras = wizard->Cameras();
  EXPECT_EQ(cameras[0].GetTxtValueOrEmpty(txtkey::kFirmwareResult), "0");
  EXPECT_EQ(cameras[1].GetTxtValueOrEmpty(txtkey::kFirmwareResult), "-500");
  EXPECT_EQ(cameras[2].GetTxtValueOrEmpty(txtkey::kFirmwareResult), "-600");
  EXPECT_EQ(NotedHandle(cameras[2]), 0);
  for (const CBrowseRecord& camera : {cameras[0], cameras[1]}) {
    ASSERT_NE(NotedHandle(camera), 0);
    EXPECT_EQ(CameraClose(NotedHandle(camera)), CamUnknownHandle) << "the worker closes its handle";
  }

  QTreeWidget& list = *wizard->ResultsPage()->ResultList();
  ASSERT_EQ(list.topLevelItemCount(), 3);
  EXPECT_EQ(list.headerItem()->text(0), "Camera");
  EXPECT_EQ(list.headerItem()->text(1), "Result");
  const char* const expected[] = {"Success", "Firmware not supported", "Failed!"};
  for (int row = 0; row < 3; ++row) {
    SCOPED_TRACE(row);
    const QTreeWidgetItem& item = *list.topLevelItem(row);
    EXPECT_EQ(item.text(0).toStdString(), cameras[static_cast<std::size_t>(row)].ServiceName);
    EXPECT_TRUE(SameIcon(item.icon(0), AppImage::BoxCamera));
    EXPECT_EQ(item.text(1).toStdString(), expected[row]);
    EXPECT_TRUE(SameIcon(item.icon(1), row == 0 ? AppImage::UpdateSucceeded : AppImage::UpdateFailed));
  }
  EXPECT_TRUE(wizard->button(QWizard::FinishButton)->isVisible());
  EXPECT_FALSE(wizard->button(QWizard::CancelButton)->isEnabled());
  EXPECT_FALSE(wizard->button(QWizard::BackButton)->isVisible());

  // What the cameras saw: the whole sequence, the refusal with its reset, and nothing at
  // all for the camera that was never opened.
  EXPECT_EQ(FirmwarePages(kOpenCamera), (std::vector<std::string>{"GET upload", "POST verify", "GET finish",
                                                                   "GET status", "GET status", "GET check"}));
  EXPECT_EQ(FirmwarePages(kRefusingImageCamera), (std::vector<std::string>{"GET upload", "POST verify", "GET reset"}));
  EXPECT_TRUE(FirmwarePages(kLoginCamera).empty());
  for (const nlohmann::json& entry : finder_lab::RequestsOf(kLoginCamera))
    EXPECT_EQ(entry.value("query", "").find("Login"), std::string::npos) << entry.dump();
  for (const char* address : {kOpenCamera, kRefusingImageCamera, kLoginCamera}) {
    const bool updated = finder_lab::Simulator()->GetParameter(address, "Device.FirmwareVersion") == "5.0.0";
    EXPECT_EQ(updated, address == kOpenCamera) << address;
  }

  const QString shots = qEnvironmentVariable("RAVIX_SCREENSHOT_DIR");
  if (!shots.isEmpty()) {
    wizard->resize(560, 400);
    QApplication::processEvents();
    EXPECT_TRUE(wizard->grab().save(QDir(shots).filePath("firmware-wizard.png")));
  }
  wizard->button(QWizard::FinishButton)->click();
  EXPECT_FALSE(wizard->isVisible());
}

// The user at the prompt of the login camera, while the firmware file goes away.
class RemovingPrompt : public IPasswordPrompt {
 public:
  explicit RemovingPrompt(QString path) : path_(std::move(path)) {}
  PromptResult DoModal(PasswordPromptData&) override {
    QFile::remove(path_);
    return PromptResult::Cancel;
  }

 private:
  QString path_;
};

TEST_F(FirmwareWizardLab, FileThatCannotBeReadLeadsStraightToTheResults) {
  const QString path = WriteImage("5.1.0");
  auto wizard = MakeWizard(Records({kLoginCamera, kOpenCamera}));
  RemovingPrompt removing(path);
  MutablePrompt(&removing);
  StartUpdate(*wizard, path);

  ASSERT_TRUE(ReachResults(*wizard));
  EXPECT_EQ(wizard->ProgressPage()->ProgressBar()->maximum(), 198);
  EXPECT_FALSE(wizard->ProgressPage()->JobsRunning());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(requeries, 1);
  QTreeWidget& list = *wizard->ResultsPage()->ResultList();
  ASSERT_EQ(list.topLevelItemCount(), 2);
  for (int row = 0; row < 2; ++row) {
    EXPECT_EQ(list.topLevelItem(row)->text(1), "Unknown");
    EXPECT_TRUE(SameIcon(list.topLevelItem(row)->icon(1), AppImage::UpdateFailed));
  }
  EXPECT_TRUE(FirmwarePages(kOpenCamera).empty());
  EXPECT_TRUE(FirmwarePages(kLoginCamera).empty());
  const int opened = NotedHandle(wizard->Cameras()[1]);
  ASSERT_NE(opened, 0);
  EXPECT_EQ(CameraClose(opened), CamUnknownHandle) << "the handle of a camera that got no worker is closed";
}

}  // namespace
