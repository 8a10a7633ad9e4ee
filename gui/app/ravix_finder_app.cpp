#include "gui/app/ravix_finder_app.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QMessageBox>
#include <QPointer>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>

#include <unistd.h>

#include <cstdio>

#include "finder/finder_core.h"
#include "gui/app/app_state.h"
#include "gui/app/ravix_finder_doc.h"
#include "gui/app/finder_messages.h"
#include "gui/dialogs/message_box.h"
#include "gui/dialogs/password_prompt_handler.h"
#include "net/network_helper.h"
#include "net/network_tools.h"
#include "platform/debug_trace.h"
#include "platform/name_thread.h"

namespace {

constexpr int kInstanceTalkMs = 1000;
const QByteArray kShowRequest = QByteArrayLiteral("show\n");

}  // namespace

CRavixFinderApp::CRavixFinderApp(Options options) : options_(std::move(options)) {
  setObjectName(QStringLiteral("ravixFinderApp"));
  NameThread("RavixFinderMainThread");
  server_.setObjectName(QStringLiteral("instanceServer"));
  connect(&server_, &QLocalServer::newConnection, this, &CRavixFinderApp::OnInstanceConnection);
}

CRavixFinderApp::~CRavixFinderApp() {
  if (core_ != nullptr) ExitInstance(0);
}

// --- single instance ---------------------------------------------------------------------

QString CRavixFinderApp::InstancePath() const {
  QString dir = options_.instanceDirectory;
  if (dir.isEmpty()) dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (dir.isEmpty()) dir = QDir::tempPath();
  QDir().mkpath(dir);
  return QDir(dir).filePath(QString::fromLatin1(kInstanceName));
}

// The lock file says whether an instance runs: the lock of a crashed instance is taken
// over (its process is gone). The running instance listens on a local socket next to it.
bool CRavixFinderApp::ClaimSingleInstance() {
  const QString path = InstancePath();
  lock_ = std::make_unique<QLockFile>(path + QStringLiteral(".lock"));
  lock_->setStaleLockTime(0);  // only a dead owner makes the lock stale, never its age
  if (lock_->tryLock(0)) {
    QLocalServer::removeServer(path);
    if (!server_.listen(path)) DebugTrace("Instance socket %s: %s", qPrintable(path), qPrintable(server_.errorString()));
    return true;
  }
  if (lock_->error() != QLockFile::LockFailedError) {
    DebugTrace("Instance lock %s cannot be used; going on without it", qPrintable(path));
    return true;
  }
  lock_.reset();
  DebugTrace("Another instance already running. This instance (pid=%u) will quit!", static_cast<unsigned>(getpid()));
  QLocalSocket socket;
  socket.connectToServer(path);
  if (socket.waitForConnected(kInstanceTalkMs)) {
    socket.write(kShowRequest);
    socket.waitForBytesWritten(kInstanceTalkMs);
    socket.disconnectFromServer();
  }
  return false;
}

void CRavixFinderApp::OnInstanceConnection() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      if (!socket->readAll().contains(kShowRequest.trimmed())) return;
      // Before the window exists (start-up still running) nothing is brought forward.
      if (frame_ != nullptr && frame_->isVisible()) frame_->ShowAndRaise();
    });
  }
}

// --- start-up ------------------------------------------------------------------------------

void CRavixFinderApp::ShowMessage(const QString& text) const {
  if (options_.showMessage) {
    options_.showMessage(text);
    return;
  }
  ravix::ShowMessageBox(frame_.get(), text, QMessageBox::Warning);
}

bool CRavixFinderApp::StartResponder() {
  if (options_.startDnssd) return options_.startDnssd(*core_);
  // The browse domains are looked up the same way whichever responder serves local.
  if (!core_->Settings.BrowseDomains.empty()) core_->ServiceHost.EnableWideArea(core_->Settings.DnsServers);
  if (core_->ServiceHost.CheckBonjourService()) {
    DebugTrace("Bonjour service is running.");
    return true;
  }
  DebugTrace("Bonjour service is not running. Starting own service in thread.");
  if (core_->ServiceHost.StartBonjourThread()) return true;
  DebugTrace("Could not start Bonjour service in thread!");
  return false;
}

// The user guide: beside the program in a build tree, else in the documentation folder
// of the prefix the program is installed under (/usr/share/doc/ravixfinder/).
QString CRavixFinderApp::DefaultHelpFile() {
  const QString beside = QCoreApplication::applicationFilePath() + QStringLiteral(".html");
  if (QFileInfo::exists(beside)) return beside;
  const QDir docs(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/doc/ravixfinder"));
  return QDir::cleanPath(docs.absoluteFilePath(QFileInfo(beside).fileName()));
}

bool CRavixFinderApp::InitInstance() {
  if (!ClaimSingleInstance()) return false;
  const bool administrator = options_.isAdministrator ? options_.isAdministrator() : IsAdministrator();
  const bool helper = options_.networkHelperAvailable ? options_.networkHelperAvailable()
                                                      : ravix::NetworkHelperAvailable();
  // Without the capability the route fixes go through the helper; only without both is
  // the functionality restricted.
  if (!administrator && !helper) ShowMessage(ravix::messages::NoAdministrator());

  core_ = std::make_unique<CFinderCore>(options_.profileFile ? std::optional(ravix::AppProfile(*options_.profileFile))
                                                             : std::nullopt);
  if (!administrator && helper) {
    core_->UseNetworkHelper(false, [this](const std::string& why) {
      // Said once, from the helper's thread: shown in the status bar by the GUI thread.
      QMetaObject::invokeMethod(this, [this, text = QString::fromStdString(why)] {
        if (frame_ != nullptr) frame_->statusBar()->showMessage(tr("Routes not fixed: %1").arg(text));
      }, Qt::QueuedConnection);
    }, options_.networkHelper, true);
  }
  profileOpened_ = true;
  const auto addNew = [](std::vector<std::string>& to, const std::vector<std::string>& from) {
    for (const std::string& item : from)
      if (std::find(to.begin(), to.end(), item) == to.end()) to.push_back(item);
  };
  addNew(core_->Settings.BrowseDomains, options_.browseDomains);
  addNew(core_->Settings.DnsServers, options_.dnsServers);
  addNew(core_->Settings.Addresses, options_.addresses);
  state_ = std::make_unique<ravix::AppState>([core = core_.get()] { core->ServiceHost.RequeryResponder(); });
  state_->ClipboardMode = options_.clipboardMode;

  if (!StartResponder()) {
    ShowMessage(ravix::messages::ResponderFailed());
    return false;
  }

  doc_ = std::make_unique<CRavixFinderDoc>(*core_, *state_,
                                           options_.finderFactory ? options_.finderFactory(*core_) : nullptr);
  CMainFrame::Options frameOptions;
  frameOptions.helpFile = options_.helpFile.isEmpty() ? DefaultHelpFile() : options_.helpFile;
  frameOptions.homepageUrl = QString::fromLatin1(kHomepageUrl);
  frameOptions.viewFactory = options_.viewFactory;
  frameOptions.powerEvents = options_.powerEvents;
  frame_ = std::make_unique<CMainFrame>(*core_, *state_, *doc_, std::move(frameOptions));
  // Camera logins of every thread ask the user through the password dialog over the frame.
  ravix::InstallPasswordDialog(core_->PromptService, frame_.get());
  // What the credential store has to say comes from the thread that used it; the status
  // bar shows it. Set before the first discovery uses the store.
  core_->Credentials.OnNotice = [frame = QPointer<CMainFrame>(frame_.get())](const std::string& text) {
    const QString message = ravix::messages::CredentialNotice(QString::fromStdString(text));
    QMetaObject::invokeMethod(
        qApp, [frame, message] { if (frame) frame->statusBar()->showMessage(message); }, Qt::QueuedConnection);
  };

  connect(doc_.get(), &CRavixFinderDoc::ClipboardCopyDone, this, &CRavixFinderApp::EndClipboardMode);

  frame_->show();
  // The first discovery starts once the event loop runs.
  QTimer::singleShot(0, doc_.get(), [doc = doc_.get()] { doc->RequestCommand(ravix::CommandId::Refresh); });
  return true;
}

// The calling script gets the URL on standard output too: without a clipboard manager
// the clipboard's content ends with this process.
void CRavixFinderApp::EndClipboardMode(const QString& url) {
  const QByteArray line = url.toUtf8();
  std::fprintf(stdout, "%s\n", line.constData());
  std::fflush(stdout);
  state_->ExitCode = ravix::kClipboardExitCode;
  if (frame_ != nullptr) QMetaObject::invokeMethod(frame_.get(), &QWidget::close, Qt::QueuedConnection);
}

// --- exit ----------------------------------------------------------------------------------

int CRavixFinderApp::ExitInstance(int frameworkExitCode) {
  if (state_ != nullptr) state_->StopPeriodicRequeryTimer();
  if (core_ != nullptr) core_->PromptService.RemoveHandler();  // a waiting login reads as Cancel
  if (core_ != nullptr) core_->StopNetworkHelper();  // a waiting route fix reads as not done
  frame_.reset();  // the view goes with it (saving its layout)
  doc_.reset();    // discovery ends before its responder does
  if (core_ != nullptr) {
    core_->StopDnssd();
    if (profileOpened_) core_->Settings.WriteView(core_->Profile);
  }
  const bool copied = state_ != nullptr && state_->ExitCode == ravix::kClipboardExitCode;
  core_.reset();
  state_.reset();
  server_.close();
  lock_.reset();
  return copied ? ravix::kClipboardExitCode : frameworkExitCode;
}
