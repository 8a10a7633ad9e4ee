// The finder's window as a user runs it, offscreen, inside the network lab: the real
// application with its embedded responder and discovery, against two simulated cameras.
// The cameras appear in the view; Copy URL on one puts its URL on the clipboard.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <QApplication>
#include <QClipboard>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "finder/finder_core.h"
#include "gui/app/main_frame.h"
#include "gui/app/ravix_finder_app.h"
#include "gui/app/ravix_finder_doc.h"
#include "gui/app/command_id.h"
#include "gui/widgets/cameras_view_common_base.h"
#include "records/browse_record.h"
#include "tests/support/qt_pump.h"
#include "tests/support/camsim_process.h"

namespace {

const char* const kCameras = R"({"cameras": [
  {"model": "Ravix-B120", "serial": "ZV000101", "mac": "00-1e-c0-00-01-01", "path": "/index.html"},
  {"model": "Ravix-D210", "serial": "ZV000103", "mac": "00-1e-c0-00-01-03", "path": "/index.html"}]})";

// IDs of the records that are complete (network settings read).
std::vector<uint32_t> ReachableRecords(CRavixFinderDoc& doc) {
  std::vector<uint32_t> ids;
  doc.Finder().GetRecordIDs(ids);
  std::vector<uint32_t> reachable;
  for (uint32_t id : ids) {
    CBrowseRecord record;
    if (doc.GetRecord(id, record) && record.NetworkSettingsValid) reachable.push_back(id);
  }
  return reachable;
}

TEST(FinderWindowLab, CamerasAppearAndCopyURLCopiesTheirURL) {
  if (std::getenv("NETLAB_ID") == nullptr) GTEST_SKIP() << "runs inside tools/netlab only";
  CamsimProcess::Options simOptions;
  simOptions.camerasJson = kCameras;
  CamsimProcess sim(simOptions);
  std::string error;
  ASSERT_TRUE(sim.Start(&error)) << error;
  const nlohmann::json cameras = sim.List();
  ASSERT_EQ(cameras.size(), 2u);

  QTemporaryDir dir;
  CRavixFinderApp::Options options;
  options.profileFile = dir.filePath(QStringLiteral("finder.ini"));
  options.instanceDirectory = dir.path();
  options.showMessage = [](const QString& text) { ADD_FAILURE() << text.toStdString(); };
  CRavixFinderApp app(options);
  ASSERT_TRUE(app.InitInstance());
  CRavixFinderDoc& doc = *app.Document();

  ASSERT_TRUE(PumpUntil([&] { return ReachableRecords(doc).size() == 2; }, 60000))
      << ReachableRecords(doc).size() << " of 2 cameras complete";
  const uint32_t id = ReachableRecords(doc).front();
  CBrowseRecord record;
  ASSERT_TRUE(doc.GetRecord(id, record));

  CMainFrame& frame = *app.MainFrame();
  ASSERT_NE(frame.ActiveView(), nullptr);
  ASSERT_TRUE(PumpUntil([&] { return frame.ActiveView()->SelectRecordIDs({id}) == 1; }, 10000))
      << "the view does not show the camera";
  frame.UpdateCommands();
  QAction* copy = doc.Commands().Action(ravix::CommandId::CopyURL);
  ASSERT_TRUE(copy->isEnabled());
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  copy->trigger();

  std::string expected;
  for (const nlohmann::json& camera : cameras) {
    if (camera["name"].get<std::string>() == record.ServiceName)
      expected = "http://" + camera["address"].get<std::string>() + ":" + std::to_string(camera["port"].get<int>()) +
                 "/index.html";
  }
  ASSERT_FALSE(expected.empty()) << "no simulated camera named " << record.ServiceName;
  // The URL is copied after the responder's requery pause.
  EXPECT_TRUE(doc.IsCommandRunning());
  ASSERT_TRUE(PumpUntil([&] { return !doc.IsCommandRunning(); }, 10000));
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), expected);

  frame.close();
  EXPECT_EQ(app.ExitInstance(0), 0);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qt(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
