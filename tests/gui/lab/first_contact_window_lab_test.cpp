// First contact in the window, offscreen, in tools/netlab with two links: pc0 is up without
// an IPv4 address and has two cameras with only their link-local addresses; pc1 is
// 10.20.0.1/24 and its camera sits at 192.168.0.90/24. Give Adapter a Link-Local Address
// on pc0 and Reach Camera on the far one complete all three cameras, with the embedded
// responder and (argument "platform") with avahi-daemon; after the window ends nothing
// is left on the adapters.
//
// As root the network helper runs directly (the stand-in for a granted authorisation).
// With RAVIX_LAB_NETADMIN set (tests/lab/polkit_lab.sh, as a user without privileges,
// cameras already running and pc0 already bare) it runs through pkexec and polkitd.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QTest>

#include <net/if.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "finder/finder_core.h"
#include "gui/app/command_id.h"
#include "gui/app/main_frame.h"
#include "gui/app/ravix_finder_app.h"
#include "gui/app/ravix_finder_doc.h"
#include "gui/dialogs/message_box.h"
#include "gui/dialogs/reach_camera_dlg.h"
#include "gui/widgets/cameras_view_common_base.h"
#include "net/network_helper.h"
#include "records/browse_record.h"
#include "tests/discovery/lab_avahi_daemon.h"
#include "tests/support/camsim_process.h"
#include "tests/support/lab_shell.h"
#include "tests/support/qt_pump.h"

namespace {

using ravix::CommandId;
using ravix::test::Env;

std::string Addresses(const std::string& adapter) {
  return ravix::test::CommandOutput("ip -4 -o addr show dev " + adapter + " | awk '{print $4}'");
}

// The record of the camera with that serial number, when discovery holds it.
std::optional<CBrowseRecord> BySerial(CRavixFinderDoc& doc, const std::string& serial) {
  std::vector<uint32_t> ids;
  doc.Finder().GetRecordIDs(ids);
  for (uint32_t id : ids) {
    CBrowseRecord record;
    if (doc.GetRecord(id, record) && record.GetTxtValueOrEmpty(txtkey::kSerial) == serial) return record;
  }
  return std::nullopt;
}

bool Complete(CRavixFinderDoc& doc, const std::string& serial) {
  const std::optional<CBrowseRecord> record = BySerial(doc, serial);
  return record && record->NetworkSettingsValid;
}

class FirstContactWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Env("NETLAB_ID").empty()) GTEST_SKIP() << "runs inside tools/netlab only";
    pc0_ = Env("NETLAB_PC0_IF");
    pc1_ = Env("NETLAB_PC1_IF");
    viaPkexec_ = !Env("RAVIX_LAB_NETADMIN").empty();
    if (viaPkexec_) return;  // the calling script set the lab up
    if (geteuid() != 0) GTEST_SKIP() << "needs root (or RAVIX_LAB_NETADMIN from polkit_lab.sh)";
    ASSERT_EQ(std::system(("ip addr flush dev " + pc0_).c_str()), 0);
    const char* const cameras[] = {
        R"({"cameras": [{"serial": "ZV000301"}, {"serial": "ZV000302"}]})",
        R"({"cameras": [{"model": "Ravix-D210", "serial": "ZV000401", "prefix": 24}]})"};
    for (int link = 0; link < 2; ++link) {
      CamsimProcess::Options options;
      options.cameraNamespace = Env("NETLAB_CAM" + std::to_string(link));
      options.camerasJson = cameras[link];
      sims_[link] = std::make_unique<CamsimProcess>(options);
      std::string error;
      ASSERT_TRUE(sims_[link]->Start(&error)) << error;
    }
  }

  // The application's options for a run in dir with helper as the network helper (the
  // finder lacks CAP_NET_ADMIN and goes through it).
  static CRavixFinderApp::Options AppOptions(const QTemporaryDir& dir, ravix::HelperRunner helper) {
    CRavixFinderApp::Options options;
    options.profileFile = dir.filePath(QStringLiteral("finder.ini"));
    options.instanceDirectory = dir.path();
    options.showMessage = [](const QString& text) { ADD_FAILURE() << text.toStdString(); };
    options.isAdministrator = [] { return false; };
    options.networkHelperAvailable = [] { return true; };
    options.networkHelper = std::move(helper);
    return options;
  }
  // With RAVIX_SCREENSHOT_DIR set, the window's picture goes there (see docs/lab.md).
  static void Screenshot(QWidget& window, const char* name) {
    const QString dir = qEnvironmentVariable("RAVIX_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    PumpUntil([] { return false; }, 300);
    window.grab().save(dir + QLatin1Char('/') + QLatin1String(name));
  }

  std::string pc0_, pc1_;
  bool viaPkexec_ = false;
  std::unique_ptr<CamsimProcess> sims_[2];
};

TEST_F(FirstContactWindow, LinkLocalAddressAndReachCameraCompleteAllThree) {
  ASSERT_EQ(Addresses(pc0_), "") << "pc0 starts without IPv4 address";
  QTemporaryDir dir;
  std::atomic<int> helperRuns{0};
  const ravix::HelperRunner helper = viaPkexec_ ? ravix::PkexecHelperRunner(Env("RAVIX_LAB_NETADMIN"), false)
                                                : ravix::ProgramRunner({RAVIX_NETADMIN_BINARY});
  const CRavixFinderApp::Options options =
      AppOptions(dir, [&](const std::vector<std::string>& args, const std::atomic<bool>& stop) {
        ++helperRuns;
        return helper(args, stop);
      });
  auto app = std::make_unique<CRavixFinderApp>(options);
  ASSERT_TRUE(app->InitInstance());
  CRavixFinderDoc& doc = *app->Document();
  CMainFrame& frame = *app->MainFrame();

  // The far camera is found over its link but not reached.
  ASSERT_TRUE(PumpUntil([&] { return BySerial(doc, "ZV000401").has_value(); }, 30000));
  ASSERT_TRUE(PumpUntil([&] { return !doc.IsCommandRunning(); }, 10000));
  EXPECT_FALSE(Complete(doc, "ZV000401"));
  EXPECT_FALSE(BySerial(doc, "ZV000301")) << "nothing is found on an adapter without address";

  // The only adapter without IPv4 address is the command's target in either view.
  ASSERT_NE(doc.LinkLocalTarget(), nullptr);
  EXPECT_EQ(doc.LinkLocalTarget()->IfIndex, if_nametoindex(pc0_.c_str()));
  Screenshot(frame, "first-contact-tree.png");
  frame.UpdateCommands();
  QAction* linkLocal = doc.Commands().Action(CommandId::GiveLinkLocalAddress);
  ASSERT_TRUE(linkLocal->isEnabled());
  linkLocal->trigger();
  ASSERT_TRUE(PumpUntil([&] { return Complete(doc, "ZV000301") && Complete(doc, "ZV000302"); }, 60000))
      << "link-local cameras not completed; pc0 has " << Addresses(pc0_);
  EXPECT_EQ(Addresses(pc0_).rfind("169.254.", 0), 0u) << Addresses(pc0_);
  EXPECT_EQ(doc.LinkLocalTarget(), nullptr) << "pc0 has an address now";

  // Reach Camera proposes the top of the camera's /24; accepted, the camera is completed.
  ASSERT_TRUE(PumpUntil([&] { return !doc.IsCommandRunning(); }, 20000));
  const std::optional<CBrowseRecord> far = BySerial(doc, "ZV000401");
  ASSERT_TRUE(far);
  ASSERT_TRUE(PumpUntil([&] { return frame.ActiveView()->SelectRecordIDs({far->ID}) == 1; }, 10000));
  frame.UpdateCommands();
  QAction* reach = doc.Commands().Action(CommandId::ReachCamera);
  ASSERT_TRUE(reach->isEnabled());
  reach->trigger();
  auto* dialog = frame.findChild<CReachCameraDlg*>();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->findChild<QLineEdit*>(QStringLiteral("addressEntry"))->text().toStdString(), "192.168.0.254/24");
  Screenshot(*dialog, "reach-camera-dialog.png");
  dialog->accept();
  ASSERT_TRUE(PumpUntil([&] { return Complete(doc, "ZV000401"); }, 60000)) << pc1_ << " has " << Addresses(pc1_);
  EXPECT_NE(Addresses(pc1_).find("192.168.0.254/24"), std::string::npos) << Addresses(pc1_);
  EXPECT_FALSE(doc.ReachProposal()) << "reached now";
  std::printf("network helper runs: %d (two additions; pkexec: %s; %s)\n", helperRuns.load(),
              viaPkexec_ ? "yes" : "no",
              app->Core()->ServiceHost.CheckBonjourService() ? "avahi-daemon" : "embedded responder");

  ASSERT_TRUE(PumpUntil([&] { return !doc.IsCommandRunning(); }, 20000));
  frame.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
  EXPECT_EQ(QApplication::focusWidget(), frame.ActiveView()->Widget()) << "the keys are back in the camera view";
  frame.close();
  EXPECT_EQ(app->ExitInstance(0), 0);
  app.reset();
  EXPECT_EQ(Addresses(pc0_), "") << "nothing left after exit";
  EXPECT_EQ(Addresses(pc1_), "10.20.0.1/24\n");
}

// Declined: the message says why, nothing is added, no Refresh follows, and the command
// can be given again (nothing waits or asks again on its own).
TEST_F(FirstContactWindow, DeclinedAuthorisationSaysWhyAndChangesNothing) {
  if (viaPkexec_) GTEST_SKIP() << "a refusal needs no polkit";
  QTemporaryDir dir;
  std::atomic<int> runs{0};
  const CRavixFinderApp::Options options =
      AppOptions(dir, [&](const std::vector<std::string>&, const std::atomic<bool>&) {
        ++runs;
        ravix::HelperReply reply;
        reply.ExitCode = 126;  // pkexec: the dialog was dismissed
        reply.Outcome = ravix::OutcomeOfExitCode(reply.ExitCode);
        return reply;
      });
  std::vector<QString> boxes;
  const ravix::MessageBoxHandler before = ravix::SetMessageBoxHandler([&](const ravix::MessageBoxRequest& request) {
    boxes.push_back(request.Text);
    return QMessageBox::Ok;
  });
  auto app = std::make_unique<CRavixFinderApp>(options);
  ASSERT_TRUE(app->InitInstance());
  CRavixFinderDoc& doc = *app->Document();
  ASSERT_TRUE(PumpUntil([&] { return BySerial(doc, "ZV000401").has_value() && !doc.IsCommandRunning(); }, 30000));
  int refreshes = 0;
  QObject::connect(&doc, &CRavixFinderDoc::RefreshStarted, [&] { ++refreshes; });

  app->MainFrame()->UpdateCommands();
  QAction* linkLocal = doc.Commands().Action(CommandId::GiveLinkLocalAddress);
  ASSERT_TRUE(linkLocal->isEnabled());
  linkLocal->trigger();
  ASSERT_TRUE(PumpUntil([&] { return !doc.IsCommandRunning(); }, 10000));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes.front().toStdString(), "Adapter " + pc0_ +
                                             " could not be given a temporary address:\nthe authorisation was "
                                             "declined\nNothing was changed.");
  EXPECT_EQ(runs, 1);
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(refreshes, 0);
  EXPECT_EQ(Addresses(pc0_), "");
  app->MainFrame()->UpdateCommands();
  EXPECT_TRUE(linkLocal->isEnabled()) << "can be given again";

  app->MainFrame()->close();
  EXPECT_EQ(app->ExitInstance(0), 0);
  app.reset();
  ravix::SetMessageBoxHandler(before);
  EXPECT_EQ(runs, 1) << "nothing is removed that was not added";
}

}  // namespace

// Argument "platform": discovery through a private avahi-daemon (the window finds it on
// the bus); otherwise the embedded responder.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const bool platform = argc > 1 && std::strcmp(argv[1], "platform") == 0;
  LabAvahiDaemon daemon;  // before any thread exists
  if (platform && (Env("NETLAB_ID").empty() || !daemon.Start())) {
    std::fprintf(stderr, "SKIP: no lab avahi-daemon: %s\n", daemon.Error().c_str());
    return 77;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);  // xcb under Xvfb for pictures
  setenv("QT_NO_GLIB", "1", 0);  // Qt's own event dispatcher (see cmake/RavixTesting.cmake)
  QApplication qt(argc, argv);
  return RUN_ALL_TESTS();
}
