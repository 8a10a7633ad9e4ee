// Takes the README's picture of the finder's window: the real application, offscreen,
// run in the demo lab (scripts/demo.sh --screenshot FILE) while its simulated cameras are
// announced. Waits until the cameras found so far are complete and no new ones came for
// a few seconds, then saves the window as FILE (PNG).
//   main_window_screenshot FILE [tree|list]
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <vector>

#include "gui/app/main_frame.h"
#include "gui/app/ravix_finder_app.h"
#include "gui/app/ravix_finder_doc.h"
#include "gui/app/command_id.h"
#include "gui/widgets/cameras_view_common_base.h"
#include "platform/app_profile.h"

namespace {

constexpr int kQuietMs = 4000;
constexpr int kLongestMs = 60000;

// Pending completions and the number of records, as one figure that changes while discovery works.
std::size_t Progress(CRavixFinderDoc& doc) {
  std::vector<uint32_t> ids;
  doc.Finder().GetRecordIDs(ids);
  return ids.size() * 1000 + doc.Finder().PendingCompletions();
}

// Selects the first camera whose network settings were read, as a user would.
void SelectFirstReachable(CRavixFinderDoc& doc, CMainFrame& frame) {
  std::vector<uint32_t> ids;
  doc.Finder().GetRecordIDs(ids);
  for (uint32_t id : ids) {
    CBrowseRecord record;
    if (doc.GetRecord(id, record) && record.NetworkSettingsValid && frame.ActiveView()->SelectRecordIDs({id}) == 1)
      return;
  }
}

// The demo cameras that ask for a login get it typed as a user who knows it would; the
// timer also fires inside the prompt's own event loop.
void AnswerPrompts() {
  auto* prompt = qobject_cast<QDialog*>(QApplication::activeModalWidget());
  if (prompt == nullptr || prompt->objectName() != QLatin1String("dlgPassword") || !prompt->isEnabled()) return;
  prompt->findChild<QLineEdit*>(QStringLiteral("userName"))->setText(QStringLiteral("admin"));
  prompt->findChild<QLineEdit*>(QStringLiteral("password"))->setText(QStringLiteral("zorvik"));
  prompt->findChild<QPushButton*>(QStringLiteral("ok"))->click();
}

void WaitUntilQuiet(CRavixFinderDoc& doc) {
  QElapsedTimer total;
  QElapsedTimer quiet;
  total.start();
  quiet.start();
  std::size_t last = Progress(doc);
  while (total.elapsed() < kLongestMs && (quiet.elapsed() < kQuietMs || doc.Finder().PendingCompletions() > 0)) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(20);
    if (const std::size_t now = Progress(doc); now != last) {
      last = now;
      quiet.restart();
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qt(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: main_window_screenshot FILE [tree|list]\n");
    return 2;
  }
  QTemporaryDir dir;
  const QString profileFile = dir.filePath(QStringLiteral("finder.ini"));
  const bool list = argc > 2 && QByteArray(argv[2]) == "list";
  ravix::AppProfile(profileFile).WriteProfileInt("Settings", "View", list ? 2 : 1);

  CRavixFinderApp::Options options;
  options.profileFile = profileFile;
  options.instanceDirectory = dir.path();
  options.showMessage = [](const QString& text) {
    std::fprintf(stderr, "main_window_screenshot: %s\n", text.toUtf8().constData());
  };
  CRavixFinderApp app(options);
  if (!app.InitInstance()) return app.ExitInstance(1);
  CMainFrame& frame = *app.MainFrame();
  frame.resize(1100, 560);
  QTimer prompts;
  QObject::connect(&prompts, &QTimer::timeout, &AnswerPrompts);
  prompts.start(200);
  WaitUntilQuiet(*app.Document());
  prompts.stop();
  SelectFirstReachable(*app.Document(), frame);
  frame.UpdateCommands();
  QCoreApplication::processEvents();
  const bool saved = frame.grab().save(QString::fromLocal8Bit(argv[1]), "PNG");
  std::fprintf(stderr, "main_window_screenshot: %s %s\n", saved ? "saved" : "could not save", argv[1]);
  frame.close();
  app.ExitInstance(0);
  return saved ? 0 : 1;
}
