#include "gui/app/ravix_finder_doc.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QKeySequence>
#include <QTimer>
#include <QWidget>

#include <algorithm>

#include "finder/finder_core.h"
#include "gui/app/app_state.h"
#include "gui/app/finder_messages.h"
#include "gui/dialogs/add_by_address_dlg.h"
#include "gui/dialogs/ip_settings_command.h"
#include "gui/dialogs/message_box.h"
#include "gui/dialogs/password_prompt_handler.h"
#include "gui/dialogs/reach_camera_dlg.h"
#include "gui/dialogs/wait_cursor.h"
#include "gui/firmware/firmware_camera_list.h"
#include "gui/firmware/run_firmware_update_wizard.h"
#include "gui/models/camera_store.h"
#include "gui/plan/assign_addresses_wizard.h"
#include "gui/widgets/cameras_view_common_base.h"
#include "net/network_tools.h"
#include "platform/debug_trace.h"
#include "platform/locked_call.h"
#include "views/camera_url.h"
#include "views/record_columns.h"
#include "shell/camera_listing.h"
#include "shell/listing_file.h"

using ravix::CommandId;

namespace {

bool ShiftHeld() { return QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier); }

std::string CameraPath(const CBrowseRecord& record) { return record.GetTxtValueOrEmpty(txtkey::kPath); }

}  // namespace

CRavixFinderDoc::CRavixFinderDoc(CFinderCore& core, ravix::AppState& state, std::unique_ptr<CFindermDNS> finder,
                                 QObject* parent)
    : QObject(parent),
      core_(core),
      state_(state),
      m_finder(finder ? std::move(finder)
                      : std::make_unique<CFindermDNS>(core.CameraContext(), &core.PromptService)),
      shiftQuery_(ShiftHeld),
      exportChooser_(ChooseExportFileWithDialog) {
  setObjectName(QStringLiteral("ravixFinderDoc"));
  CameraStore::Source source;
  source.record = [this](uint32_t id, CBrowseRecord& record) { return m_finder->GetRecord(id, record); };
  source.ids = [this] {
    std::vector<uint32_t> ids;
    m_finder->GetRecordIDs(ids);
    return ids;
  };
  store_ = std::make_unique<CameraStore>(std::move(source));
  connect(store_.get(), &CameraStore::RecordUpdated, this,
          [this](const CBrowseRecord& record) { OnRecordChanged(record.ID); });
  connect(store_.get(), &CameraStore::RecordRemoved, this, &CRavixFinderDoc::OnRecordChanged);
  connect(store_.get(), &CameraStore::Cleared, this, [this] {
    if (!selection_.empty()) UpdateCommands();
  });
  CreateCommands();
}

// The engine stops before the store its notifications go to.
CRavixFinderDoc::~CRavixFinderDoc() { m_finder->Close(); }

void CRavixFinderDoc::SetActiveView(CCamerasViewCommonBase* view) {
  if (activeView_ != nullptr) activeView_->SetSelectionListener({});
  activeView_ = view;
  selection_.clear();
  if (view == nullptr) return;
  view->GetSelectedRecordIDs(&selection_);
  view->SetSelectionListener([this](const std::vector<uint32_t>& ids) { OnSelectionChanged(ids); });
}

void CRavixFinderDoc::OnSelectionChanged(const std::vector<uint32_t>& ids) {
  selection_ = ids;
  UpdateCommands();
}

// Only the rules of the selected cameras read records; a change elsewhere leaves them be.
void CRavixFinderDoc::OnRecordChanged(uint32_t id) {
  if (std::find(selection_.begin(), selection_.end(), id) != selection_.end()) UpdateCommands();
}

void CRavixFinderDoc::CreateCommands() {
  // No command of the document starts while another one runs.
  auto idle = [this] { return !IsCommandRunning(); };
  auto one = [this] { return !IsCommandRunning() && IsOneSelectedReachable(); };
  auto any = [this] { return !IsCommandRunning() && IsAnySelectedReachable(); };
  auto shown = [this] { return !IsCommandRunning() && activeView_ != nullptr && activeView_->Counts().shown > 0; };
  using Keys = QList<QKeySequence>;
  const ravix::CommandTable::CommandDeclaration declarations[] = {
      {CommandId::Refresh, tr("&Refresh"), tr("Refreshes the contents of the window"), tr("Refresh"),
       Keys{Qt::Key_F5}, QStringLiteral(":/app/icons/refresh.svg"), [this] { OnRefresh(); }, idle},
      {CommandId::Requery, tr("Requery"), tr("Requeries for changed cameras"), tr("Requery"),
       Keys{Qt::SHIFT | Qt::CTRL | Qt::Key_F5}, {}, AtOnce(CommandId::Requery, &CRavixFinderDoc::OnRequery), idle},
      // Enter first: menu and tooltip name it; Return works alike.
      {CommandId::OpenInBrowser, tr("Open In &Browser"),
       tr("Opens the Zorvik Web Client page for the selected camera(s) in your browser"), tr("Open camera in browser"),
       Keys{Qt::Key_Enter, Qt::Key_Return}, QStringLiteral(":/app/icons/open_in_browser.svg"),
       AtOnce(CommandId::OpenInBrowser, &CRavixFinderDoc::OnOpenSpecificInBrowser), any},
      {CommandId::CopyURL, tr("&Copy URL"), tr("Copies the URL(s) of the selected camera to the clipboard"),
       tr("Copy URL"), Keys{Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::SHIFT | Qt::Key_C, Qt::CTRL | Qt::Key_Insert},
       QStringLiteral(":/app/icons/copy_url.svg"), [this] { OnCopyURL(); }, one},
      {CommandId::IPSettings, tr("IP &Settings"), tr("Opens the IP Settings dialog"), tr("IP Settings"), {},
       QStringLiteral(":/app/icons/ip_settings.svg"), [this] { OnIPSettings(); }, one},
      {CommandId::UpdateFirmware, tr("&Update Firmware..."), tr("Updates the firmware in the selected cameras"),
       tr("Update Firmware"), {}, {}, [this] { OnUpdateFirmware(); }, any},
      {CommandId::AssignAddresses, tr("A&ssign Addresses..."),
       tr("Gives the selected cameras their network settings from an address range or a plan file"),
       tr("Assign Addresses"), {}, {}, [this] { OnAssignAddresses(); }, any},
      {CommandId::AddByAddress, tr("Add by &Address..."),
       tr("Adds or removes the addresses where cameras beyond the link are looked for"), tr("Add by Address"), {},
       {}, [this] { OnAddByAddress(); }, idle},
      {CommandId::ReachCamera, tr("&Reach Camera..."),
       tr("Gives the selected camera's adapter a temporary address in the camera's subnet, so that the camera is "
          "reached"),
       tr("Reach Camera"), {}, {}, [this] { OnReachCamera(); },
       [this] { return !IsCommandRunning() && ReachProposal().has_value(); }},
      {CommandId::GiveLinkLocalAddress, tr("Give Adapter a &Link-Local Address"),
       tr("Gives an adapter without IPv4 address a temporary link-local address (169.254.x.y), so that cameras "
          "without a DHCP server are found"),
       tr("Give Adapter a Link-Local Address"), {}, {}, [this] { OnGiveLinkLocalAddress(); },
       [this] { return !IsCommandRunning() && LinkLocalTarget() != nullptr; }},
      {CommandId::ExportList, tr("&Export List..."), tr("Writes the cameras shown in the window to a CSV or JSON file"),
       tr("Export List"), {}, {}, [this] { OnExportList(); }, shown},
      {CommandId::SetDefaultPassword, tr("Set &Default Password..."),
       tr("Sets the default username and password for camera access."), tr("Set Default Password"), {}, {},
       [this] { OnSetDefaultPassword(); }, idle},
  };
  for (const ravix::CommandTable::CommandDeclaration& declaration : declarations) commands_.Add(declaration);
}

std::function<void()> CRavixFinderDoc::AtOnce(CommandId id, void (CRavixFinderDoc::*handler)()) {
  return [this, id, handler] {
    BeginCommand(id);
    (this->*handler)();
    EndCommand();
  };
}

// --- the running command ----------------------------------------------------------------

void CRavixFinderDoc::BeginCommand(CommandId id) {
  running_ = id;
  UpdateCommands();
}

void CRavixFinderDoc::EndCommand() {
  running_.reset();
  UpdateCommands();
  if (requested_.empty()) {
    emit CommandsIdle();
    return;
  }
  // The next one starts from the event loop, never inside the steps of the one that ended.
  QTimer::singleShot(0, this, &CRavixFinderDoc::RunNextRequested);
}

void CRavixFinderDoc::RequestCommand(CommandId id) {
  if (IsCommandRunning()) {
    requested_.push_back(id);
    return;
  }
  commands_.Execute(id);
}

void CRavixFinderDoc::RunNextRequested() {
  while (!IsCommandRunning() && !requested_.empty()) {
    const CommandId id = requested_.front();
    requested_.pop_front();
    commands_.Execute(id);  // one whose rule no longer holds is dropped
  }
  if (!IsCommandRunning()) emit CommandsIdle();
}

QList<QAction*> CRavixFinderDoc::CameraContextActions() const {
  return {commands_.Action(CommandId::OpenInBrowser), nullptr, commands_.Action(CommandId::CopyURL), nullptr,
          commands_.Action(CommandId::IPSettings), commands_.Action(CommandId::ReachCamera)};
}

QList<QAction*> CRavixFinderDoc::AdapterContextActions(uint32_t ifIndex) const {
  if (core_.theNetworkTools.FindAdapterWithoutIPv4(ifIndex) == nullptr) return {};
  return {commands_.Action(CommandId::GiveLinkLocalAddress)};
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

const AdapterEntry* CRavixFinderDoc::LinkLocalTarget() const {
  const uint32_t selected = activeView_ != nullptr ? activeView_->SelectedAdapter() : 0;
  if (const AdapterEntry* adapter = core_.theNetworkTools.FindAdapterWithoutIPv4(selected)) return adapter;
  const std::vector<AdapterEntry>& bare = core_.theNetworkTools.AdaptersWithoutIPv4();
  return bare.size() == 1 ? &bare.front() : nullptr;
}

std::optional<FirstContactProposal> CRavixFinderDoc::ReachProposal() const {
  const std::vector<uint32_t> ids = SelectedIDs();
  CBrowseRecord record;
  if (ids.size() != 1 || !m_finder->GetRecord(ids.front(), record) || record.NetworkSettingsValid) return std::nullopt;
  return ProposeFirstContact(record, core_.theNetworkTools);
}

// --- URLs and the clipboard -------------------------------------------------------------

// Host and path come from the network: control characters in them are percent-encoded,
// so what is copied, opened or printed is always one line.
std::string CRavixFinderDoc::BuildCameraURL(const std::string& host, uint32_t port, const std::string& path) {
  return views::CameraURL(host, port, path);
}

bool CRavixFinderDoc::CopyTextToClipboard(const std::string& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) {
    DebugTrace("No clipboard to copy to.");
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

// Shift is read when the command is triggered: after the requery pause the user may
// have let go of it.
void CRavixFinderDoc::OnCopyURL() {
  BeginCommand(CommandId::CopyURL);
  const bool bothAddresses = shiftQuery_();
  RequeryThen([this, bothAddresses] {
    CopyURLOf(bothAddresses);
    EndCommand();
  });
}

void CRavixFinderDoc::CopyURLOf(bool bothAddresses) {
  const std::vector<uint32_t> ids = SelectedIDs();
  if (ids.size() != 1) return;
  CBrowseRecord record;
  std::string text;
  if (m_finder->GetRecord(ids.front(), record) && record.NetworkSettingsValid) text = CameraURLs(record, bothAddresses);
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

// The application ends the clipboard mode (standard output, exit code, close).
void CRavixFinderDoc::FinishClipboardCopy(const std::string& url) {
  emit ClipboardCopyDone(QString::fromStdString(url));
}

// --- Refresh and Requery -------------------------------------------------------------------

void CRavixFinderDoc::RequeryThen(std::function<void()> next) {
  const bool answersDue = core_.ServiceHost.RequeryResponder();  // none at start: nothing asked yet
  if (!answersDue || requeryWaitMs_ <= 0) {
    next();
    return;
  }
  // The window keeps painting and the engine's notifications keep arriving meanwhile.
  QTimer::singleShot(requeryWaitMs_, this, std::move(next));
}

void CRavixFinderDoc::OnRefresh() {
  BeginCommand(CommandId::Refresh);
  RefreshThen([this] { EndCommand(); });
}

void CRavixFinderDoc::RefreshThen(std::function<void()> then) {
  refreshCursor_ = std::make_unique<ravix::WaitCursor>();
  emit RefreshStarted();
  state_.StopPeriodicRequeryTimer();
  m_finder->Close();
  core_.theNetworkTools.RefreshAdapters();
  store_->Clear();
  RequeryThen([this, then = std::move(then)] {
    m_finder->SetNotifyTarget(store_->NotifyTarget());
    m_finder->BrowseOneDomain(0, "_http._tcp", "local.");
    m_finder->BrowseBeyondLink(core_.Settings.BrowseDomains, core_.Settings.Addresses);
    if (const std::string capped = m_finder->AddressSearchWarning(); !capped.empty())
      emit StatusNotice(tr("Address search: %1").arg(QString::fromStdString(capped)));
    const int interval = core_.Settings.MachineSleepInterval;
    if (interval > 0) state_.StartPeriodicRequeryTimer(interval);
    refreshCursor_.reset();
    emit RefreshEnded();
    then();
  });
}

void CRavixFinderDoc::OnRequery() { core_.ServiceHost.RequeryResponder(); }

// --- commands with dialogs ------------------------------------------------------------

void CRavixFinderDoc::OnIPSettings() {
  if (activeView_ == nullptr) {
    DebugTrace("CRavixFinderDoc::OnIPSettings: Could not get current view. Command ignored");
    return;
  }
  const std::vector<uint32_t> ids = SelectedIDs();
  CBrowseRecord record;
  if (ids.size() != 1 || !m_finder->GetRecord(ids.front(), record)) return;
  BeginCommand(CommandId::IPSettings);
  ravix::IPSettingsCommandHooks hooks;
  // The Refresh asked for after a failed transmit runs once this command (and its own
  // Refresh) has ended.
  hooks.PostRefresh = [this] { RequestCommand(CommandId::Refresh); };
  hooks.RefreshNow = [this](std::function<void()> then) { RefreshThen(std::move(then)); };
  hooks.Done = [this](bool) { EndCommand(); };
  ravix::RunIPSettingsCommand(mainWindow_, record, *m_finder, core_.theNetworkTools, hooks);
}

// The dialog edits the addresses the settings hold (those of a command line stay for this
// run only). It runs without blocking the window; while it is open no other command
// starts. OK stores the list and asks for a Refresh, which starts once this command ended.
void CRavixFinderDoc::OnAddByAddress() {
  BeginCommand(CommandId::AddByAddress);
  const std::vector<std::string> stored = SettingsBlock::ReadAddresses(core_.Profile);
  auto* dialog = new CAddByAddressDlg(stored, mainWindow_);  // deletes itself when closed
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  connect(dialog, &QDialog::finished, this, [this, dialog, stored](int result) {
    // Asked for while this command still runs: it starts from the event loop after it.
    if (result == QDialog::Accepted && StoreAddresses(stored, dialog->Addresses()))
      RequestCommand(CommandId::Refresh);
    EndCommand();
  });
  dialog->open();
}

bool CRavixFinderDoc::StoreAddresses(const std::vector<std::string>& before, const std::vector<std::string>& after) {
  SettingsBlock next = core_.Settings;
  next.Addresses = after;
  if (!next.WriteAddresses(core_.Profile)) {
    ravix::ShowMessageBox(mainWindow_, ravix::messages::AddressesNotSaved(), QMessageBox::Warning);
    return false;
  }
  // What the store did not hold before came from the command line and is kept for this run.
  for (const std::string& address : core_.Settings.Addresses) {
    const bool stored = std::find(before.begin(), before.end(), address) != before.end();
    if (!stored && std::find(after.begin(), after.end(), address) == after.end()) next.Addresses.push_back(address);
  }
  core_.Settings.Addresses = std::move(next.Addresses);
  return true;
}

// The wizard runs without blocking the window; the command ends when it closes. Its
// password prompt lives as long as the wizard.
void CRavixFinderDoc::OnUpdateFirmware() {
  if (activeView_ == nullptr) return;
  const std::vector<uint32_t> ids = SelectedIDs();
  if (ids.empty()) return;
  std::vector<CBrowseRecord> cameras = BuildFirmwareCameraList(
      ids, [this](uint32_t id, CBrowseRecord& record) { return m_finder->GetRecord(id, record); });
  if (cameras.empty()) return;
  BeginCommand(CommandId::UpdateFirmware);
  auto prompt = std::make_shared<GuiPasswordPrompt>(core_.PromptService);
  CameraConnectContext context = core_.CameraContext();
  context.Prompt = prompt.get();
  RunFirmwareUpdateWizard(mainWindow_, std::move(cameras), context, prompt,
                          [this] { core_.ServiceHost.RequeryResponder(); }, [this] { EndCommand(); });
}

// The wizard runs without blocking the window, its camera work on worker threads; the
// command ends when it closes, and one Refresh follows when the plan was applied.
void CRavixFinderDoc::OnAssignAddresses() {
  if (activeView_ == nullptr) return;
  std::vector<CBrowseRecord> selected, found;
  for (uint32_t id : SelectedIDs()) {
    CBrowseRecord record;
    if (m_finder->GetRecord(id, record) && views::IsVendorRecord(record)) selected.push_back(std::move(record));
  }
  if (selected.empty()) return;
  std::vector<uint32_t> all;
  m_finder->GetRecordIDs(all);
  for (uint32_t id : all) {
    CBrowseRecord record;
    if (m_finder->GetRecord(id, record) && views::IsVendorRecord(record)) found.push_back(std::move(record));
  }
  BeginCommand(CommandId::AssignAddresses);
  auto prompt = std::make_shared<GuiPasswordPrompt>(core_.PromptService);
  auto context = std::make_shared<CameraConnectContext>(core_.CameraContext());
  context->Prompt = prompt.get();
  auto* wizard = new CAssignAddressesWizard(std::move(selected), std::move(found), *context, mainWindow_);
  wizard->setAttribute(Qt::WA_DeleteOnClose);
  connect(wizard, &QDialog::finished, this, [this, wizard](int) {
    if (wizard->applied) RequestCommand(CommandId::Refresh);  // starts once this command has ended
    EndCommand();
  });
  // Context and prompt go when the wizard object does, after its workers have ended.
  QObject::connect(wizard, &QObject::destroyed, [context, prompt] {});
  wizard->open();
}

// --- first contact --------------------------------------------------------------------------

void CRavixFinderDoc::OnGiveLinkLocalAddress() {
  const AdapterEntry* target = LinkLocalTarget();
  if (target == nullptr) return;
  BeginCommand(CommandId::GiveLinkLocalAddress);
  AddTemporaryAddressThenRefresh(target->Name, {});
}

// The dialog shows the proposed address and runs without blocking the window; the command
// ends once the address is added (or the dialog is cancelled).
void CRavixFinderDoc::OnReachCamera() {
  std::optional<FirstContactProposal> proposal = ReachProposal();
  if (!proposal) return;
  BeginCommand(CommandId::ReachCamera);
  auto* dialog = new CReachCameraDlg(std::move(*proposal), mainWindow_);  // deletes itself when closed
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  connect(dialog, &QDialog::finished, this, [this, dialog](int result) {
    if (result != QDialog::Accepted) {
      EndCommand();
      return;
    }
    AddTemporaryAddressThenRefresh(dialog->Proposal().Adapter, dialog->Candidates());
  });
  dialog->open();
}

void CRavixFinderDoc::AddTemporaryAddressThenRefresh(const std::string& adapter,
                                                     const std::vector<std::string>& candidates) {
  // The keeper lives with the core, which outlives every command (the window does not
  // close while one runs).
  ravix::TemporaryAddressKeeper* keeper = &core_.TemporaryAddresses();
  auto work = [keeper, adapter, candidates] {
    if (candidates.empty()) return keeper->Add(adapter, "");
    return keeper->AddFirstFree(adapter, candidates);
  };
  ravix::RunLocked(mainWindow_.data(), std::move(work), [this, adapter](const ravix::HelperReply& reply) {
    const QString name = QString::fromStdString(adapter);
    if (reply.Outcome != ravix::HelperOutcome::Done) {
      const QString why = QString::fromStdString(ravix::DescribeHelperFailure(reply));
      DebugTrace("Temporary address for %s not added: %s", adapter.c_str(), why.toUtf8().constData());
      ravix::ShowMessageBox(mainWindow_, ravix::messages::TemporaryAddressFailed(name, why), QMessageBox::Warning);
      EndCommand();
      return;
    }
    const QString taken = QString::fromStdString(reply.Output.substr(0, reply.Output.find('\n')));
    DebugTrace("Temporary address %s on %s", taken.toUtf8().constData(), adapter.c_str());
    emit StatusNotice(tr("Temporary address %1 on %2 (removed when the finder ends)").arg(taken, name));
    RequestCommand(CommandId::Refresh);  // starts once this command has ended
    EndCommand();
  });
}

// The dialog runs without blocking the window; the command ends when it closes.
void CRavixFinderDoc::OnSetDefaultPassword() {
  BeginCommand(CommandId::SetDefaultPassword);
  ravix::RunSetDefaultPassword(mainWindow_, core_.Credentials, [this](bool) { EndCommand(); });
}

// The shown cameras, in the list's order, with the writer and columns of --list. The
// file is replaced only once it is complete; a failure says why and leaves no file.
void CRavixFinderDoc::OnExportList() {
  if (activeView_ == nullptr) return;
  BeginCommand(CommandId::ExportList);
  if (!exportChooser_) {
    EndCommand();
    return;
  }
  exportChooser_(mainWindow_, [this](std::optional<ExportTarget> target) {
    if (target && !target->path.isEmpty()) WriteExport(*target);
    EndCommand();
  });
}

void CRavixFinderDoc::WriteExport(const ExportTarget& target) {
  if (activeView_ == nullptr) return;
  std::vector<CBrowseRecord> records;
  for (uint32_t id : activeView_->ShownRecordIDs()) {
    CBrowseRecord record;
    if (m_finder->GetRecord(id, record)) records.push_back(std::move(record));
  }
  const views::AdapterNameLookup adapterName = views::AdapterNamesOf(core_.theNetworkTools);
  const std::string text = FormatCameraListing(records, target.format, adapterName);
  QString reason;
  if (WriteListingFile(target.path, text, &reason)) return;
  DebugTrace("Export to '%s' failed: %s", target.path.toUtf8().constData(), reason.toUtf8().constData());
  ravix::ShowMessageBox(mainWindow_, ravix::messages::ExportFailed(QDir::toNativeSeparators(target.path), reason),
                        QMessageBox::Warning);
}
