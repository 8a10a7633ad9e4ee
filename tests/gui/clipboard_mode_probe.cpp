// A finder process for the clipboard-mode test: the application as ravixfinder runs it,
// with a throw-away profile and instance folder ($RAVIX_PROBE_DIR), no DNS-SD, and one
// reachable camera that appears after the first Refresh (its "path" from
// $RAVIX_PROBE_PATH, "/index.html" without it). It selects that camera and
// presses Open In Browser as a user would. Browser URLs are printed as "opened URL".
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <string>

#include "finder/finder_core.h"
#include "gui/app/app_state.h"
#include "gui/app/ravix_finder_app.h"
#include "gui/models/camera_store.h"
#include "gui/widgets/cameras_view_common_base.h"
#include "platform/app_profile.h"
#include "platform/event_post_target.h"
#include "platform/posted_event.h"
#include "platform/registered_message.h"
#include "shell/finder_options.h"
#include "tests/gui/recorded_finder.h"

namespace {

constexpr int kAfterFirstRefreshMs = 1500;

void PickTheCamera(CRavixFinderApp& app, RecordedFinder& finder) {
  const QByteArray path = qgetenv("RAVIX_PROBE_PATH");
  finder.Put({.id = 1, .name = "cam1", .path = path.isEmpty() ? "/index.html" : path.toStdString()});
  auto target = app.MainFrame()->Store().NotifyTarget();
  target->Post(ravix::RegisterMessageType(ravix::kRecordChangedMessageName), RecordEvent{RecordOperation::Update, 1});
  QTimer::singleShot(100, &app, [&app] {
    CMainFrame* frame = app.MainFrame();
    frame->ActiveView()->SelectRecordIDs({1});
    frame->UpdateCommands();
    frame->OpenInBrowserAction()->trigger();
    // Outside clipboard mode the window stays open: the user closes it.
    QTimer::singleShot(200, frame, &QWidget::close);
  });
}

}  // namespace

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  FinderOptions finderOptions;
  std::string error;
  if (!ParseFinderOptions(argc, argv, finderOptions, error)) {
    std::fprintf(stderr, "probe: %s\n", error.c_str());
    return 2;
  }
  const QDir dir(qEnvironmentVariable("RAVIX_PROBE_DIR", QDir::tempPath()));
  const QString profileFile = dir.filePath(QStringLiteral("probe.ini"));
  ravix::AppProfile(profileFile).WriteProfileInt("Settings", "AlwaysUseIPAddress", 0);

  RecordedFinder* finder = nullptr;
  CRavixFinderApp::Options options;
  options.profileFile = profileFile;
  options.instanceDirectory = dir.filePath(QStringLiteral("instance"));
  options.clipboardMode = finderOptions.clipboardMode;
  options.startDnssd = [](CFinderCore&) { return true; };
  options.isAdministrator = [] { return true; };
  options.powerEvents = false;
  options.finderFactory = [&finder](CFinderCore& core) {
    auto engine = std::make_unique<RecordedFinder>(core);
    finder = engine.get();
    return engine;
  };
  CRavixFinderApp app(options);
  if (!app.InitInstance()) return app.ExitInstance(1);
  app.State()->SetUrlOpener([](const QUrl& url) {
    std::printf("opened %s\n", url.toString().toUtf8().constData());
    std::fflush(stdout);
    return true;
  });
  QTimer::singleShot(kAfterFirstRefreshMs, &app, [&app, &finder] { PickTheCamera(app, *finder); });
  return app.ExitInstance(qt.exec());
}
