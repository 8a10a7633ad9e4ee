#pragma once
// CMainFrame: the finder's one top-level window: caption, menus, toolbar, status bar and
// the one camera view (tree or list). It shows the counts of the view's model and the
// "REC" indicator of the engine's queries, switches between the two views, keeps its
// placement in the profile, forwards suspend and resume to the embedded responder, and
// gives the views what they need from around them (CameraViewHost). Records go from the
// camera store to the views' models without passing through the frame.

#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <memory>

#include "finder/settings_block.h"
#include "gui/app/command_table.h"
#include "gui/widgets/camera_view_host.h"

class CCamerasViewCommonBase;
class CFinderCore;
class CRavixFinderDoc;
class QLabel;
class QLineEdit;
class QMenu;
namespace ravix {
class AppState;
}  // namespace ravix

class CMainFrame : public QMainWindow, public CameraViewHost {
  Q_OBJECT

 public:
  static constexpr int kIndicatorOffDelayMs = 1000;

  using ViewFactory =
      std::function<std::unique_ptr<CCamerasViewCommonBase>(ViewMode mode, CameraViewHost& host, QWidget* parent)>;

  struct Options {
    QString helpFile;         // the user guide opened by Help (F1)
    QString homepageUrl;      // opened by the home page item
    ViewFactory viewFactory;  // empty: the tree and list views
    bool powerEvents = true;  // listen for logind's PrepareForSleep when a system bus exists
  };

  CMainFrame(CFinderCore& core, ravix::AppState& state, CRavixFinderDoc& doc, Options options,
             QWidget* parent = nullptr);
  ~CMainFrame() override;

  // CameraViewHost
  CameraStore& Store() override;
  const CNetworkTools& NetworkTools() const override;
  const SettingsBlock& Settings() const override;
  bool ClipboardMode() const override;
  ravix::AppProfile& Profile() override;
  QList<QAction*> CameraContextActions() const override;
  QList<QAction*> AdapterContextActions(uint32_t ifIndex) const override;
  QAction* OpenInBrowserAction() const override;

  CCamerasViewCommonBase* ActiveView() const { return view_.get(); }
  const ravix::CommandTable& Commands() const { return commands_; }
  // Re-evaluates the rules of the document's and the frame's commands.
  void UpdateCommands() const;

  // The engine's queries started or all ended (the store passes it on).
  void OnQueriesRunningChanged(bool running);

  // View, Tree (CommandId::ViewTree) or View, List (CommandId::ViewList).
  void OnViewTree(ravix::CommandId commandId);
  // Suspend (true) or resume (false) of the machine.
  void OnPowerEvent(bool suspending);
  // Shows the window normal and in front (asked by a second instance).
  void ShowAndRaise();
  void OnHelp();
  bool HelpFileExists() const;
  // The quick filter above the views; the text applies to the view shown now and later.
  QLineEdit* FilterField() const { return filter_; }
  // "N cameras" or "M of N cameras shown".
  static QString CountsText(int shown, int total);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void OnPrepareForSleep(bool start);

 private:
  void CreateCommands();
  void CreateMenus();
  void CreateToolBar();
  void CreateStatusBar();
  void RemoveHelpItem(QMenu* menu);
  void RestorePlacement();
  void SavePlacement() const;
  void ListenForPowerEvents();
  void InstallView(std::unique_ptr<CCamerasViewCommonBase> view);
  std::unique_ptr<CCamerasViewCommonBase> CreateView(ViewMode mode);
  void UpdatePanes();
  void CreateCameraPane();
  void OnFilterChanged(const QString& text);
  void FocusCameraView();
  void ReturnFocusToView();
  void UpdateCameraCount();
  void OnAppAbout();
  void OnVisitHomepage();
  void OnSelectAll();
  bool CanSelectAll() const;
  QMenu* AddMenu(const QString& title, const QString& objectName, const QList<QAction*>& items);

  CFinderCore& core_;
  ravix::AppState& state_;
  CRavixFinderDoc& doc_;
  Options options_;
  ravix::CommandTable commands_{this};
  std::unique_ptr<CCamerasViewCommonBase> view_;
  QTimer indicatorOffTimer_;
  bool queriesRunning_ = false;
  bool closeWhenIdle_ = false;
  QLabel* servicePane_ = nullptr;
  QLabel* busyPane_ = nullptr;
  QLabel* tracePane_ = nullptr;
  QLabel* countPane_ = nullptr;
  QWidget* cameraPane_ = nullptr;  // the filter field above the view
  QLineEdit* filter_ = nullptr;
  bool camerasShown_ = false;  // the view showed a camera at the last count
};
