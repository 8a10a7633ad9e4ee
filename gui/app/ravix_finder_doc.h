#pragma once
// CRavixFinderDoc: the finder's one document. It owns the discovery engine and through it
// the camera records, runs the commands on the cameras selected in the active view
// (Refresh, Requery, Open In Browser, Copy URL, IP Settings, Update Firmware, Set Default
// Password, Add by Address), decides when each is enabled, builds camera URLs and runs
// the periodic requery timer. It has no file: its content is what discovery currently holds.

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "finder/finder_mdns.h"
#include "finder/first_contact.h"
#include "gui/app/command_table.h"
#include "gui/app/export_file_chooser.h"
#include "records/browse_record.h"
#include "records/record_event.h"

class CameraStore;
class CCamerasViewCommonBase;
class CFinderCore;
class QWidget;
namespace ravix {
class AppState;
class WaitCursor;
}  // namespace ravix

// Commands that wait (Refresh, Copy URL, IP Settings) run as steps continued by timers or
// by the end of their camera work; while one runs no command of the document starts, and
// a command asked for meanwhile (RequestCommand) runs after it.
class CRavixFinderDoc : public QObject {
  Q_OBJECT

 public:
  static constexpr int kRequeryWaitMs = 500;

  // finder: the discovery engine (tests give one with records of their own); by default
  // a new one on core's camera context and prompt service.
  CRavixFinderDoc(CFinderCore& core, ravix::AppState& state, std::unique_ptr<CFindermDNS> finder = nullptr,
                  QObject* parent = nullptr);
  ~CRavixFinderDoc() override;

  // The engine's records as the window sees them: the views' models follow it, and the
  // engine's notifications go to it (bound at every Refresh).
  CameraStore& Store() { return *store_; }
  // The main window: parent of the command dialogs.
  void SetMainWindow(QWidget* window) { mainWindow_ = window; }
  // The one camera view; null while there is none. The document listens to its
  // selection report.
  void SetActiveView(CCamerasViewCommonBase* view);
  CCamerasViewCommonBase* GetActiveCameraView() const { return activeView_; }

  const ravix::CommandTable& Commands() const { return commands_; }
  // Evaluates every command's rule (menu opened, selection changed, a selected record
  // changed or went, the shown cameras came or went).
  void UpdateCommands() const { commands_.Update(); }
  // Starts command id when its rule holds now (never while a command runs); returns
  // whether it started.
  bool ExecuteCommand(ravix::CommandId id) const { return commands_.Execute(id); }
  // Starts command id now, or after the running command (and the ones asked for before).
  void RequestCommand(ravix::CommandId id);
  // True from a command's start to the end of its last step.
  bool IsCommandRunning() const { return running_.has_value(); }
  // Forgets the commands asked for while one runs (the window is closing).
  void DropRequestedCommands() { requested_.clear(); }
  // Open In Browser, Copy URL, IP Settings, Reach Camera with separators (null), for
  // context menus.
  QList<QAction*> CameraContextActions() const;
  // Give Adapter a Link-Local Address for an adapter without IPv4 address; none for
  // another adapter.
  QList<QAction*> AdapterContextActions(uint32_t ifIndex) const;

  // "http://host:port/path", or "http://host/path" when port is 0; control characters
  // percent-encoded (views::CameraURL).
  static std::string BuildCameraURL(const std::string& host, uint32_t port, const std::string& path);
  bool CopyTextToClipboard(const std::string& text);
  // The per-camera step of Open In Browser.
  void OpenCameraInBrowser(const CBrowseRecord& record);
  bool GetRecord(uint32_t id, CBrowseRecord& record) { return m_finder->GetRecord(id, record); }
  CFindermDNS& Finder() { return *m_finder; }

  // Command handlers.
  void OnRefresh();
  void OnRequery();
  void OnOpenSpecificInBrowser();
  void OnCopyURL();
  void OnIPSettings();
  void OnUpdateFirmware();
  void OnAssignAddresses();
  void OnSetDefaultPassword();
  void OnAddByAddress();
  void OnExportList();
  void OnGiveLinkLocalAddress();
  void OnReachCamera();

  // Enabling rules.
  bool IsOneSelectedReachable() const;
  bool IsAnySelectedReachable() const;
  // The adapter Give Adapter a Link-Local Address works on: the selected adapter node
  // when it has no IPv4 address, else the only adapter without one; null when none is.
  // Valid until the adapters are read again (Refresh).
  const AdapterEntry* LinkLocalTarget() const;
  // What would reach the one selected camera when no adapter reaches it and it is not
  // complete; none otherwise.
  std::optional<FirstContactProposal> ReachProposal() const;

  // Whether Shift is held when a command is triggered (the modifiers of the key press or
  // click that triggered it); tests answer it.
  void SetShiftQuery(std::function<bool()> query) { shiftQuery_ = std::move(query); }
  // Where Export List asks for its file; tests answer it.
  void SetExportFileChooser(ExportFileChooser chooser) { exportChooser_ = std::move(chooser); }
  // The pause after waking the responder (Copy URL, Refresh); tests shorten it.
  void SetRequeryWait(int milliseconds) { requeryWaitMs_ = milliseconds; }

 signals:
  // Clipboard mode: Open In Browser put url on the clipboard; the mode ends.
  void ClipboardCopyDone(const QString& url);
  // A command ended and none asked for meanwhile is left to run.
  void CommandsIdle();
  // Discovery is emptied for a Refresh; it browses again.
  void RefreshStarted();
  void RefreshEnded();
  // Something the user should know about the last Refresh (the address search was cut
  // to its largest size), for the status bar.
  void StatusNotice(const QString& text);

 private:
  // The view's selection changed: the commands follow.
  void OnSelectionChanged(const std::vector<uint32_t>& ids);
  // A record changed or went: the commands follow when it is a selected one.
  void OnRecordChanged(uint32_t id);
  // The steps of a running command.
  void BeginCommand(ravix::CommandId id);
  void EndCommand();
  void RunNextRequested();
  // Wraps a handler that finishes before it returns.
  std::function<void()> AtOnce(ravix::CommandId id, void (CRavixFinderDoc::*handler)());
  // Wakes the responder and continues with next after the requery pause.
  void RequeryThen(std::function<void()> next);
  // Refresh's steps; then runs when discovery browses again.
  void RefreshThen(std::function<void()> then);
  void CopyURLOf(bool bothAddresses);
  // Writes after as the stored addresses (before: what the store held); false after saying
  // so when the store refused it.
  bool StoreAddresses(const std::vector<std::string>& before, const std::vector<std::string>& after);
  // Adds a temporary address to adapter through the network helper, off the GUI thread
  // (the helper may wait for the user's authorisation): the first free of candidates,
  // or a link-local one when there are none. Then a Refresh, so that discovery and the
  // cameras' completion use it; a failure is said. Ends the running command.
  void AddTemporaryAddressThenRefresh(const std::string& adapter, const std::vector<std::string>& candidates);
  // Export List's step after the file was chosen.
  void WriteExport(const ExportTarget& target);

  void CreateCommands();
  std::vector<uint32_t> SelectedIDs() const;
  bool IsReachable(uint32_t id) const;
  std::string CameraURLs(const CBrowseRecord& record, bool bothAddresses) const;
  void FinishClipboardCopy(const std::string& url);

  CFinderCore& core_;
  ravix::AppState& state_;
  std::unique_ptr<CFindermDNS> m_finder;
  std::unique_ptr<CameraStore> store_;
  std::vector<uint32_t> selection_;  // as the view reported it last
  bool m_clipboardRequest = false;
  QPointer<QWidget> mainWindow_;
  CCamerasViewCommonBase* activeView_ = nullptr;
  ravix::CommandTable commands_{this};
  std::function<bool()> shiftQuery_;
  ExportFileChooser exportChooser_;
  int requeryWaitMs_ = kRequeryWaitMs;
  std::optional<ravix::CommandId> running_;
  std::deque<ravix::CommandId> requested_;
  std::unique_ptr<ravix::WaitCursor> refreshCursor_;
};
