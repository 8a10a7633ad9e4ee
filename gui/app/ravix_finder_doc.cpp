#include "gui/app/ravix_finder_doc.h"

#include <QAction>
#include <QClipboard>
#include <QEventLoop>
#include <QGuiApplication>
#include <QIcon>
#include <QKeySequence>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdio>

#include "finder/finder_core.h"
#include "gui/app/app_state.h"
#include "gui/app/resource_ids.h"
#include "gui/dialogs/ip_settings_command.h"
#include "gui/dialogs/password_prompt_handler.h"
#include "gui/dialogs/wait_cursor.h"
#include "gui/firmware/firmware_camera_list.h"
#include "gui/firmware/run_firmware_update_wizard.h"
#include "gui/widgets/cameras_view_common_base.h"
#include "net/network_tools.h"
#include "platform/debug_trace.h"
#include "platform/event_post_target.h"

namespace res = ravix::res;

namespace {

bool ShiftHeld() { return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier); }

std::string CameraPath(const CBrowseRecord& record) { return record.GetTxtValueOrEmpty(txtkey::kPath); }

}  // namespace

CRavixFinderDoc::CRavixFinderDoc(CFinderCore& core, ravix::AppState& state, std::unique_ptr<CFindermDNS> finder,
                                 QObject* parent)
    : QObject(parent),
      core_(core),
      state_(state),
      m_finder(finder ? std::move(finder)
                      : std::make_unique<CFindermDNS>(core.CameraContext(), &core.PromptService)),
      shiftQuery_(ShiftHeld) {
  setObjectName(QStringLiteral("ravixFinderDoc"));
  CreateCommands();
}

CRavixFinderDoc::~CRavixFinderDoc() { m_finder->Close(); }

void CRavixFinderDoc::CreateCommands() {
  auto one = [this] { return IsOneSelectedReachable(); };
  auto any = [this] { return IsAnySelectedReachable(); };

  QAction* refresh = commands_.Add(res::kRefresh, tr("&Refresh\tF5"), QStringLiteral("Refresh"), [this] { OnRefresh(); });
  refresh->setShortcut(QKeySequence(Qt::Key_F5));
  refresh->setIcon(QIcon(QStringLiteral(":/app/icons/refresh.svg")));

  QAction* requery = commands_.Add(res::kRequery, tr("Requery"), QStringLiteral("Requery"), [this] { OnRequery(); });
  requery->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F5));

  QAction* open = commands_.Add(res::kOpenInBrowser, tr("Open In &Browser\tEnter"), QStringLiteral("OpenInBrowser"),
                                [this] { OnOpenSpecificInBrowser(); }, any);
  open->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
  open->setIcon(QIcon(QStringLiteral(":/app/icons/open_in_browser.svg")));

  QAction* copy = commands_.Add(res::kCopyURL, tr("&Copy URL\tCtrl+C"), QStringLiteral("CopyURL"),
                                [this] { OnCopyURL(); }, one);
  copy->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C),
                      QKeySequence(Qt::CTRL | Qt::Key_Insert)});
  copy->setIcon(QIcon(QStringLiteral(":/app/icons/copy_url.svg")));

  QAction* ip = commands_.Add(res::kIPSettings, tr("IP &Settings"), QStringLiteral("IPSettings"),
                              [this] { OnIPSettings(); }, one);
  ip->setIcon(QIcon(QStringLiteral(":/app/icons/ip_settings.svg")));

  commands_.Add(res::kUpdateFirmware, tr("&Update Firmware..."), QStringLiteral("UpdateFirmware"),
                [this] { OnUpdateFirmware(); }, any);
  commands_.Add(res::kSetDefaultPassword, tr("Set &Default Password..."), QStringLiteral("SetDefaultPassword"),
                [this] { OnSetDefaultPassword(); });
}

QList<QAction*> CRavixFinderDoc::CameraContextActions() const {
  return {commands_.Action(res::kOpenInBrowser), nullptr, commands_.Action(res::kCopyURL), nullptr,
          commands_.Action(res::kIPSettings)};
}

// --- enabling rules -------------------------------------------------------------------

std::vector<uint32_t> CRavixFinderDoc::SelectedIDs() const {
  std::vector<uint32_t> ids;
  if (activeView_ != nullptr) activeView_->GetSelectedRecordIDs(&ids);
  return ids;
}

bool CRavixFinderDoc::IsReachable(uint32_t id) const {
  CBrowseRecord record;
  return m_finder->GetRecord(id, record) && record.NetworkSettingsValid;
}

bool CRavixFinderDoc::IsOneSelectedReachable() const {
  const std::vector<uint32_t> ids = SelectedIDs();
  return ids.size() == 1 && IsReachable(ids.front());
}

bool CRavixFinderDoc::IsAnySelectedReachable() const {
  for (uint32_t id : SelectedIDs()) {
    if (IsReachable(id)) return true;
  }
  return false;
}

// --- URLs and the clipboard -------------------------------------------------------------

std::string CRavixFinderDoc::BuildCameraURL(const std::string& host, uint32_t port, const std::string& path) {
  std::string url = "http://" + host;
  if (port != 0) url += ":" + std::to_string(port);
  return url + path;
}

bool CRavixFinderDoc::CopyTextToClipboard(const std::string& text) {
  if (mainWindow_ == nullptr) {
    DebugTrace("Could not get mainwindow.");
    return false;
  }
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) {
    DebugTrace("%s failed! GetLastError %u", "OpenClipboard", 0u);
    return false;
  }
  clipboard->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  return true;
}

// With bothAddresses one line per advertised address (configured, then zeroconf; a
// missing address gives no line); otherwise the URL over the address the camera is
// reached on, empty when none of its addresses lies in its adapter's subnets.
std::string CRavixFinderDoc::CameraURLs(const CBrowseRecord& record, bool bothAddresses) const {
  const std::string path = CameraPath(record);
  if (bothAddresses) {
    std::string text;
    for (const std::string& address : CNetworkTools::CollectCameraAddresses(record)) {
      if (address.empty()) continue;
      if (!text.empty()) text += "\r\n";
      text += BuildCameraURL(address, record.Port, path);
    }
    return text;
  }
  std::string cameraAddress;
  std::string localAddress;
  if (!core_.theNetworkTools.ResolveCameraAddress(record, cameraAddress, localAddress)) return {};
  return BuildCameraURL(cameraAddress, record.Port, path);
}

void CRavixFinderDoc::OnCopyURL() {
  RequeryAndWait();
  const std::vector<uint32_t> ids = SelectedIDs();
  if (ids.size() != 1) return;
  CBrowseRecord record;
  std::string text;
  if (m_finder->GetRecord(ids.front(), record) && record.NetworkSettingsValid) text = CameraURLs(record, shiftQuery_());
  // Nothing to copy (camera gone or not reached): the clipboard keeps what it holds.
  if (text.empty()) return;
  DebugTrace("About to put '%s' onto clipboard", text.c_str());
  CopyTextToClipboard(text);
}

// --- Open In Browser ----------------------------------------------------------------------

void CRavixFinderDoc::OnOpenSpecificInBrowser() {
  if (state_.ClipboardMode) m_clipboardRequest = true;
  if (activeView_ == nullptr) {
    DebugTrace("CRavixFinderDoc::OnOpenSpecificInBrowser: Could not get current view. Command ignored");
    return;
  }
  for (uint32_t id : SelectedIDs()) {
    CBrowseRecord record;
    if (m_finder->GetRecord(id, record) && record.NetworkSettingsValid) OpenCameraInBrowser(record);
  }
}

void CRavixFinderDoc::OpenCameraInBrowser(const CBrowseRecord& record) {
  const std::string path = CameraPath(record);
  std::string host = record.HostTarget;
  if (core_.Settings.AlwaysUseIPAddress) {
    std::string localAddress;
    if (!core_.theNetworkTools.ResolveCameraAddress(record, host, localAddress)) return;
  }
  const std::string url = BuildCameraURL(host, record.Port, path);
  if (m_clipboardRequest && state_.ClipboardMode) {
    DebugTrace("Copied URL %s to clipboard", url.c_str());
    if (CopyTextToClipboard(url)) FinishClipboardCopy(url);
  } else {
    const bool opened = state_.OpenUrl(QUrl(QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size()))));
    DebugTrace("Opened browser with URL: '%s' res: %i", url.c_str(), opened ? 1 : 0);
  }
  m_clipboardRequest = false;
}

// The calling script gets the URL on standard output too: without a clipboard manager
// the clipboard's content ends with this process.
void CRavixFinderDoc::FinishClipboardCopy(const std::string& url) {
  std::fprintf(stdout, "%s\n", url.c_str());
  std::fflush(stdout);
  state_.ExitCode = ravix::kClipboardExitCode;
  if (mainWindow_ != nullptr) QMetaObject::invokeMethod(mainWindow_, "close", Qt::QueuedConnection);
}

// --- Refresh and Requery -------------------------------------------------------------------

void CRavixFinderDoc::RequeryAndWait() {
  core_.ServiceHost.RequeryResponder();
  if (requeryWaitMs_ <= 0) return;
  // The pause keeps the window painting and the engine's notifications arriving, but
  // takes no input, so no other command starts meanwhile.
  waiting_ = true;
  QEventLoop loop;
  QTimer::singleShot(requeryWaitMs_, &loop, &QEventLoop::quit);
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  waiting_ = false;
}

void CRavixFinderDoc::OnRefresh() {
  ravix::WaitCursor waitCursor;
  state_.StopPeriodicRequeryTimer();
  m_finder->Close();
  core_.theNetworkTools.RefreshAdapters();
  UpdateAllViews(RecordEvent{RecordOperation::ClearAll, 0});
  RequeryAndWait();
  if (notifyTarget_) m_finder->SetNotifyTarget(notifyTarget_);
  m_finder->BrowseOneDomain(0, "_http._tcp", "local.");
  m_finder->BrowseBeyondLink(core_.Settings.BrowseDomains, core_.Settings.Addresses);
  const int interval = core_.Settings.MachineSleepInterval;
  if (interval > 0) state_.StartPeriodicRequeryTimer(interval);
  UpdateCommands();
}

void CRavixFinderDoc::OnRequery() { core_.ServiceHost.RequeryResponder(); }

bool CRavixFinderDoc::NotifyAllRecords() {
  std::vector<uint32_t> ids;
  m_finder->GetRecordIDs(ids);
  for (uint32_t id : ids) UpdateAllViews(RecordEvent{RecordOperation::Update, id});
  return !ids.empty();
}

void CRavixFinderDoc::UpdateAllViews(const RecordEvent& event) {
  if (activeView_ != nullptr) activeView_->OnUpdate(event);
}

// --- commands with dialogs ------------------------------------------------------------

void CRavixFinderDoc::OnIPSettings() {
  if (activeView_ == nullptr) {
    DebugTrace("CRavixFinderDoc::OnOpenSpecificInBrowser: Could not get current view. Command ignored");
    return;
  }
  const std::vector<uint32_t> ids = SelectedIDs();
  CBrowseRecord record;
  if (ids.size() != 1 || !m_finder->GetRecord(ids.front(), record)) return;
  ravix::IPSettingsCommandHooks hooks;
  QPointer<QAction> refresh = commands_.Action(res::kRefresh);
  hooks.PostRefresh = [refresh] {
    if (refresh) QMetaObject::invokeMethod(refresh, &QAction::trigger, Qt::QueuedConnection);
  };
  hooks.RefreshNow = [this] { OnRefresh(); };
  ravix::RunIPSettingsCommand(mainWindow_, record, *m_finder, core_.theNetworkTools, hooks);
}

void CRavixFinderDoc::OnUpdateFirmware() {
  if (activeView_ == nullptr) return;
  const std::vector<uint32_t> ids = SelectedIDs();
  if (ids.empty()) return;
  std::vector<CBrowseRecord> cameras = BuildFirmwareCameraList(
      ids, [this](uint32_t id, CBrowseRecord& record) { return m_finder->GetRecord(id, record); });
  GuiPasswordPrompt prompt(core_.PromptService);
  CameraConnectContext context = core_.CameraContext();
  context.Prompt = &prompt;
  RunFirmwareUpdateWizard(mainWindow_, std::move(cameras), context, [this] { core_.ServiceHost.RequeryResponder(); });
}

void CRavixFinderDoc::OnSetDefaultPassword() { ravix::RunSetDefaultPassword(mainWindow_, core_.Credentials); }
