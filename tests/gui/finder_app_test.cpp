// The application object: one instance at a time, the start-up messages, what is written
// at exit and read at the next start, and clipboard mode as a whole process.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

#include "finder/finder_core.h"
#include "gui/app/app_state.h"
#include "gui/app/main_frame.h"
#include "gui/app/ravix_finder_app.h"
#include "gui/app/command_id.h"
#include "platform/app_profile.h"
#include "tests/gui/gui_test_base.h"
#include "tests/gui/recorded_finder.h"
#include "tests/gui/test_camera_view.h"


using ravix::CommandId;

namespace {

class FinderAppTest : public GuiTestBase {
 protected:
  CRavixFinderApp::Options Options() {
    CRavixFinderApp::Options options;
    options.profileFile = ProfilePath();
    options.instanceDirectory = instanceDir_.path();
    options.helpFile = QStringLiteral("/nonexistent/ravixfinder.html");
    options.startDnssd = [](CFinderCore&) { return true; };
    options.isAdministrator = [] { return true; };
    options.showMessage = [this](const QString& text) { messages_.push_back(text.toStdString()); };
    options.viewFactory = [](ViewMode mode, CameraViewHost& host, QWidget* parent) {
      return std::make_unique<TestCameraView>(host, mode == ViewMode::Tree, parent);
    };
    options.finderFactory = [](CFinderCore& core) { return std::make_unique<RecordedFinder>(core); };
    options.powerEvents = false;
    return options;
  }

  QTemporaryDir instanceDir_;
  std::vector<std::string> messages_;
};

TEST_F(FinderAppTest, SecondInstanceRaisesTheFirstAndQuits) {
  CRavixFinderApp first(Options());
  ASSERT_TRUE(first.InitInstance());
  first.MainFrame()->showMinimized();
  ASSERT_TRUE(ProcessEventsUntil([&] { return first.MainFrame()->isMinimized(); }));

  CRavixFinderApp::Options secondOptions = Options();
  secondOptions.isAdministrator = [] { return false; };
  CRavixFinderApp second(secondOptions);
  EXPECT_FALSE(second.InitInstance());
  EXPECT_EQ(second.MainFrame(), nullptr);
  EXPECT_TRUE(messages_.empty());  // quits before any message
  EXPECT_EQ(second.ExitInstance(0), 0);
  EXPECT_EQ(ravix::AppProfile(ProfilePath()).GetProfileInt("Settings", "View", -1), -1);

  EXPECT_TRUE(ProcessEventsUntil([&] { return !first.MainFrame()->isMinimized(); }));
  EXPECT_TRUE(first.MainFrame()->isVisible());
  first.ExitInstance(0);

  // Once the first has ended, a new start is the only instance again.
  CRavixFinderApp third(Options());
  EXPECT_TRUE(third.InitInstance());
}

TEST_F(FinderAppTest, StartUpMessages) {
  CRavixFinderApp::Options options = Options();
  options.isAdministrator = [] { return false; };
  {
    CRavixFinderApp app(options);
    EXPECT_TRUE(app.InitInstance());  // restricted, but running
    EXPECT_EQ(messages_, std::vector<std::string>{"Since you do not have administrator rights, the available "
                                                    "functionality is restricted."});
  }
  messages_.clear();
  options.isAdministrator = [] { return true; };
  options.startDnssd = [](CFinderCore&) { return false; };
  CRavixFinderApp app(options);
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(messages_, std::vector<std::string>{"Could not initialize mDNS Server. Application will exit."});
  EXPECT_EQ(app.MainFrame(), nullptr);
}

// Without CAP_NET_ADMIN but with the network helper the functionality is not restricted:
// no message, and route fixes go through the helper; without both, message 155.
TEST_F(FinderAppTest, WithTheNetworkHelperNoRestrictionMessage) {
  CRavixFinderApp::Options options = Options();
  options.isAdministrator = [] { return false; };
  options.networkHelperAvailable = [] { return true; };
  options.networkHelper = [](const std::vector<std::string>&, const std::atomic<bool>&) {
    ravix::HelperReply reply;
    reply.ExitCode = 126;
    reply.Outcome = ravix::HelperOutcome::Declined;
    return reply;
  };
  {
    CRavixFinderApp app(options);
    ASSERT_TRUE(app.InitInstance());
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(app.Core()->UsesNetworkHelper());
    EXPECT_FALSE(app.Core()->theNetworkTools.EnsureRoute("192.0.2.1", 999999)) << "unknown adapter: nothing asked";
    app.ExitInstance(0);
  }
  options.networkHelperAvailable = [] { return false; };
  CRavixFinderApp app(options);
  ASSERT_TRUE(app.InitInstance());
  EXPECT_EQ(messages_.size(), 1u) << "neither capability nor helper: restricted";
  EXPECT_FALSE(app.Core()->UsesNetworkHelper());
  app.ExitInstance(0);
}

TEST_F(FinderAppTest, ViewAndPlacementAreWrittenAtExitAndRestored) {
  const QRect place(140, 120, 700, 450);
  {
    CRavixFinderApp app(Options());
    ASSERT_TRUE(app.InitInstance());
    app.MainFrame()->Commands().Action(CommandId::ViewList)->trigger();
    app.MainFrame()->setGeometry(place);
    app.MainFrame()->close();
    EXPECT_EQ(app.ExitInstance(0), 0);
  }
  const ravix::AppProfile profile(ProfilePath());
  EXPECT_EQ(profile.GetProfileInt("Settings", "View", -1), 2);
  EXPECT_EQ(profile.GetProfileInt("Window", "wp.left", -1), place.left());
  EXPECT_EQ(profile.GetProfileInt("Window", "wp.bottom", -1), place.top() + place.height());

  CRavixFinderApp app(Options());
  ASSERT_TRUE(app.InitInstance());
  EXPECT_EQ(app.Core()->Settings.View, ViewMode::List);
  EXPECT_TRUE(app.MainFrame()->Commands().Action(CommandId::ViewList)->isChecked());
  EXPECT_EQ(app.MainFrame()->geometry(), place);
}

// The probe runs the application with a camera that a script's user picks with Enter.
TEST_F(FinderAppTest, ClipboardModeEndsWithExitCode100AndTheURLOnStdout) {
  QProcess probe;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  environment.insert(QStringLiteral("RAVIX_PROBE_DIR"), instanceDir_.path());
  probe.setProcessEnvironment(environment);
  probe.start(QStringLiteral(RAVIX_CLIPBOARD_PROBE), {QStringLiteral("/CLIPBOARD")});
  ASSERT_TRUE(probe.waitForFinished(60000)) << probe.errorString().toStdString();
  EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(probe.exitCode(), ravix::kClipboardExitCode) << probe.readAllStandardError().toStdString();
  EXPECT_EQ(probe.readAllStandardOutput().toStdString(), "http://cam1.local.:80/index.html\n");

  // Without the switch, Enter opens the browser and the exit code is 0.
  probe.start(QStringLiteral(RAVIX_CLIPBOARD_PROBE), {});
  ASSERT_TRUE(probe.waitForFinished(60000));
  EXPECT_EQ(probe.exitCode(), 0) << probe.readAllStandardError().toStdString();
  EXPECT_EQ(probe.readAllStandardOutput().toStdString(), "opened http://cam1.local.:80/index.html\n");

  // A path with line breaks from the camera's TXT record still gives the script one line.
  environment.insert(QStringLiteral("RAVIX_PROBE_PATH"), QStringLiteral("/a\r\nb\tc\x7f"));
  probe.setProcessEnvironment(environment);
  probe.start(QStringLiteral(RAVIX_CLIPBOARD_PROBE), {QStringLiteral("/CLIPBOARD")});
  ASSERT_TRUE(probe.waitForFinished(60000));
  EXPECT_EQ(probe.exitCode(), ravix::kClipboardExitCode) << probe.readAllStandardError().toStdString();
  EXPECT_EQ(probe.readAllStandardOutput().toStdString(), "http://cam1.local.:80/a%0D%0Ab%09c%7F\n");
}

}  // namespace
