// Both camera views fed by the real discovery engine: simulated cameras on the lab's two
// links (an office subnet and a zeroconf link) appear in the list and under the right
// adapter of the tree, and a camera taken off the network leaves both views.
//
// With RAVIX_SCREENSHOT_DIR set, the filled views are also saved there as
// list-view.png and tree-view.png (pictures of docs/usage.md, taken as docs/lab.md says).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QHeaderView>
#include <QObject>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>

#include <net/if.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "finder/finder_core.h"
#include "finder/finder_mdns.h"
#include "gui/models/camera_store.h"
#include "gui/widgets/camera_view_host.h"
#include "gui/widgets/cameras_list_view.h"
#include "gui/widgets/cameras_view.h"
#include "tests/support/camsim_process.h"

namespace {

std::string Env(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value != nullptr ? value : "";
}

// The cameras of the demo lab (scripts/demo): eight and a printer in the office, four on
// the zeroconf link.
std::string DemoCameras(const char* file) {
  std::string source = Env("RAVIX_SOURCE_DIR");
  if (source.empty()) source = RAVIX_SOURCE_DIR_DEFAULT;
  std::ifstream in(source + "/scripts/demo/" + file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}
constexpr int kCameraCount = 12;

// The document and frame of the finder in small: a camera store over the engine's
// records, which the engine notifies and the views' models follow.
class EngineHost : public CameraViewHost {
 public:
  EngineHost(CFinderCore& core, CFindermDNS& engine) : core_(core), store_(Source(engine)) {}

  CameraStore& Store() override { return store_; }
  const CNetworkTools& NetworkTools() const override { return core_.theNetworkTools; }
  const SettingsBlock& Settings() const override { return core_.Settings; }
  bool ClipboardMode() const override { return false; }
  ravix::AppProfile& Profile() override { return core_.Profile; }
  QList<QAction*> CameraContextActions() const override { return {}; }
  QAction* OpenInBrowserAction() const override { return nullptr; }

 private:
  static CameraStore::Source Source(CFindermDNS& engine) {
    CameraStore::Source source;
    source.record = [&engine](uint32_t id, CBrowseRecord& record) { return engine.GetRecord(id, record); };
    source.ids = [&engine] {
      std::vector<uint32_t> ids;
      engine.GetRecordIDs(ids);
      return ids;
    };
    return source;
  }

  CFinderCore& core_;
  CameraStore store_;
};

class ViewsLab : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Env("NETLAB_ID").empty()) GTEST_SKIP() << "not inside tools/netlab";
    ASSERT_EQ(Env("NETLAB_LINKS"), "2") << "the lab needs the office and the zeroconf link";
    for (int link = 0; link < 2; ++link) {
      CamsimProcess::Options options;
      options.cameraNamespace = Env("NETLAB_CAM" + std::to_string(link));
      options.camerasJson = DemoCameras(link == 0 ? "office.json" : "zeroconf.json");
      ASSERT_FALSE(options.camerasJson.empty()) << "the demo lab's camera descriptions";
      sims_[link] = std::make_unique<CamsimProcess>(options);
      std::string error;
      ASSERT_TRUE(sims_[link]->Start(&error)) << "simulator " << link << ": " << error;
    }
    ASSERT_TRUE(home_.isValid());
    core_ = std::make_unique<CFinderCore>(ravix::AppProfile(home_.filePath(QStringLiteral("profile.ini"))));
    std::string error;
    ASSERT_TRUE(core_->StartDnssd(error)) << error;
    core_->theNetworkTools.RefreshAdapters();
    engine_ = std::make_unique<CFindermDNS>(core_->CameraContext());
    host_ = std::make_unique<EngineHost>(*core_, *engine_);
    engine_->SetNotifyTarget(host_->Store().NotifyTarget());
    list_ = std::make_unique<CCamerasListView>(*host_);
    tree_ = std::make_unique<CCamerasView>(*host_);
    list_->OnInitialUpdate();
    tree_->OnInitialUpdate();
    engine_->BrowseOneDomain(0, "_http._tcp", "local.");
  }
  void TearDown() override {
    if (engine_) engine_->Close();
    list_.reset();
    tree_.reset();
    engine_.reset();
    if (core_) core_->StopDnssd();
    for (auto& sim : sims_) sim.reset();
  }

  // Lets the engine's notifications in until done() or the time is up.
  bool WaitFor(const std::function<bool()>& done, int seconds) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < limit) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
  }
  int TreeCameras() const {
    int count = 0;
    CameraTreeModel& model = tree_->Model();
    std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
      for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex node = model.index(row, 0, parent);
        count += model.TagOf(node).Kind == NodeKind::Camera;
        walk(node);
      }
    };
    walk({});
    return count;
  }
  void SaveScreenshots() {
    const QString dir = QString::fromStdString(Env("RAVIX_SCREENSHOT_DIR"));
    if (dir.isEmpty()) return;
    list_->OnColumnClick(views::Index(views::Column::Name));
    // The columns as a first start fits them to the demo cameras.
    const auto* fit = list_->findChild<QTimer*>(QStringLiteral("columnFitTimer"));
    WaitFor([&] { return fit == nullptr || !fit->isActive(); }, 5);
    list_->resize(list_->header()->length() + 4, 330);
    list_->show();
    list_->SelectRecordIDs({list_->Model().RecordIdAt(2)});
    tree_->resize(300, 400);
    tree_->show();
    tree_->setCurrentIndex(tree_->Model().FindNodeByTag(NodeTag::CameraTag(list_->Model().RecordIdAt(2))));
    QCoreApplication::processEvents();
    EXPECT_TRUE(list_->grab().save(QDir(dir).filePath(QStringLiteral("list-view.png"))));
    EXPECT_TRUE(tree_->grab().save(QDir(dir).filePath(QStringLiteral("tree-view.png"))));
  }

  QTemporaryDir home_;
  std::unique_ptr<CamsimProcess> sims_[2];
  std::unique_ptr<CFinderCore> core_;
  std::unique_ptr<CFindermDNS> engine_;
  std::unique_ptr<EngineHost> host_;
  std::unique_ptr<CCamerasListView> list_;
  std::unique_ptr<CCamerasView> tree_;
};

TEST_F(ViewsLab, EveryCameraInBothViewsUnderItsAdapterAndGoneWhenRemoved) {
  ASSERT_TRUE(WaitFor([&] { return list_->Model().rowCount() == kCameraCount && TreeCameras() == kCameraCount; }, 60))
      << list_->Model().rowCount() << " rows, " << TreeCameras() << " tree nodes";
  // Let the completions (addresses, settings) land before looking at the cells.
  WaitFor([&] { return engine_->PendingCompletions() == 0; }, 60);
  QCoreApplication::processEvents();
  EXPECT_EQ(list_->Model().RowOf(0), -1);

  for (int link = 0; link < 2; ++link) {
    const std::string adapterName = Env("NETLAB_PC" + std::to_string(link) + "_IF");
    const uint32_t ifIndex = if_nametoindex(adapterName.c_str());
    ASSERT_NE(ifIndex, 0u) << adapterName;
    const QModelIndex adapter = tree_->Model().FindNodeByTag(NodeTag::AdapterTag(ifIndex));
    ASSERT_TRUE(adapter.isValid()) << adapterName;
    EXPECT_EQ(tree_->Model().TextOf(adapter).toStdString(), adapterName);
    EXPECT_EQ(tree_->Model().rowCount(adapter), link == 0 ? 8 : 4) << adapterName;
    for (int row = 0; row < tree_->Model().rowCount(adapter); ++row) {
      const uint32_t id = tree_->Model().TagOf(tree_->Model().index(row, 0, adapter)).Value;
      const int listRow = list_->Model().RowOf(id);
      ASSERT_GE(listRow, 0);
      EXPECT_EQ(list_->Model().CellText(listRow, views::Column::ConnectedTo).toStdString(), adapterName);
    }
  }
  const int dome = [&] {
    for (int row = 0; row < list_->Model().rowCount(); ++row) {
      if (list_->Model().CellText(row, views::Column::Serial) == QLatin1String("ZV000103")) return row;
    }
    return -1;
  }();
  ASSERT_GE(dome, 0);
  EXPECT_EQ(list_->Model().CellText(dome, views::Column::Type), "Dome");
  EXPECT_EQ(list_->Model().CellText(dome, views::Column::Reachable), "yes");

  const uint32_t gone = list_->Model().RecordIdAt(dome);
  SaveScreenshots();

  ASSERT_TRUE(sims_[0]->RemoveCamera("ravix-zv000103"));
  EXPECT_TRUE(WaitFor([&] { return list_->Model().RowOf(gone) < 0 && TreeCameras() == kCameraCount - 1; }, 30))
      << "the removed camera is still shown";
  EXPECT_EQ(list_->Model().rowCount(), kCameraCount - 1);
  EXPECT_FALSE(tree_->Model().FindNodeByTag(NodeTag::CameraTag(gone)).isValid());
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
