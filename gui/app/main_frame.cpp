#include "gui/app/main_frame.h"

#include <QAbstractItemView>
#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDBusConnection>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <utility>

#include "finder/finder_core.h"
#include "gui/app/about_dlg.h"
#include "gui/app/app_state.h"
#include "gui/app/camera_view_factory.h"
#include "gui/app/finder_messages.h"
#include "gui/app/ravix_finder_doc.h"
#include "gui/app/resource_ids.h"
#include "gui/app/string_table.h"
#include "gui/models/camera_store.h"
#include "gui/widgets/cameras_view_common_base.h"
#include "platform/debug_trace.h"
#include "shell/window_placement_store.h"

// The icons live in a static library: the resource must be named to be linked in.
static void InitAppResources() { Q_INIT_RESOURCE(app); }

namespace res = ravix::res;
using ravix::CommandId;
using ravix::StringTable;

namespace {

constexpr int kShowMinimized = 2;  // SW_SHOWMINIMIZED
constexpr int kShowMaximized = 3;  // SW_SHOWMAXIMIZED

QAbstractItemView* ItemViewOf(CCamerasViewCommonBase* view) {
  if (view == nullptr || view->Widget() == nullptr) return nullptr;
  if (auto* itemView = qobject_cast<QAbstractItemView*>(view->Widget())) return itemView;
  return view->Widget()->findChild<QAbstractItemView*>();
}

QLabel* NewPane(const QString& objectName, const QString& widest, QWidget* parent) {
  auto* pane = new QLabel(parent);  // owned by the status bar
  pane->setObjectName(objectName);
  pane->setAlignment(Qt::AlignCenter);
  pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(widest) + 8);
  return pane;
}

}  // namespace

CMainFrame::CMainFrame(CFinderCore& core, ravix::AppState& state, CRavixFinderDoc& doc, Options options,
                       QWidget* parent)
    : QMainWindow(parent),
      core_(core),
      state_(state),
      doc_(doc),
      options_(std::move(options)) {
  InitAppResources();
  setObjectName(QStringLiteral("mainFrame"));
  setWindowTitle(StringTable::Text(res::kAppTitle));
  setWindowIcon(QIcon(QStringLiteral(":/app/icons/ravixfinder.svg")));
  resize(900, 560);
  doc_.SetMainWindow(this);
  connect(&doc_.Store(), &CameraStore::QueriesRunningChanged, this, &CMainFrame::OnQueriesRunningChanged);

  connect(&doc_, &CRavixFinderDoc::StatusNotice, this, [this](const QString& text) { statusBar()->showMessage(text); });
  connect(&doc_, &CRavixFinderDoc::CommandsIdle, this, [this] {
    if (std::exchange(closeWhenIdle_, false)) {
      close();
      return;
    }
    ReturnFocusToView();
  });

  indicatorOffTimer_.setObjectName(QStringLiteral("indicatorOffTimer"));
  indicatorOffTimer_.setSingleShot(true);
  connect(&indicatorOffTimer_, &QTimer::timeout, this, [this] {
    queriesRunning_ = false;
    UpdatePanes();
  });

  RestorePlacement();
  CreateCommands();
  CreateMenus();
  CreateToolBar();
  CreateStatusBar();
  CreateCameraPane();
  ListenForPowerEvents();
  InstallView(CreateView(core_.Settings.View));
  UpdateCameraCount();
  UpdateCommands();
  // The keys a person presses first (Home, Down, Enter, Ctrl+C) are meant for the cameras:
  // the view holds the focus from the start, the filter field takes it only when asked.
  ReturnFocusToView();
}

CMainFrame::~CMainFrame() {
  state_.StopPeriodicRequeryTimer();
  doc_.SetActiveView(nullptr);
  // The view ends while the frame is whole: it saves its layout through the frame.
  view_.reset();
  doc_.SetMainWindow(nullptr);
}

// --- commands, menus, toolbar, status bar --------------------------------------------------

void CMainFrame::CreateCommands() {
  using Keys = QList<QKeySequence>;
  const ravix::CommandTable::CommandDeclaration declarations[] = {
      {CommandId::ViewTree, tr("&Tree"),
       tr("Shows the cameras in a tree below the network adapters they were found on"), tr("Tree"), {}, QStringLiteral(":/app/icons/view_tree.svg"), [this] { OnViewTree(CommandId::ViewTree); }, {},
       true},
      {CommandId::ViewList, tr("&List"), tr("Shows the cameras in a sortable list"), tr("List"), {},
       QStringLiteral(":/app/icons/view_list.svg"), [this] { OnViewTree(CommandId::ViewList); }, {}, true},
      // The three switches act on their toggled signal.
      {CommandId::ViewToolbar, tr("T&oolbar"), tr("Shows or hides the toolbar"), tr("Toggle Toolbar"), {}, {}, {}, {},
       true},
      {CommandId::ViewStatusBar, tr("&Status Bar"), tr("Shows or hides the status bar"), tr("Toggle Status Bar"), {},
       {}, {}, {}, true},
      {CommandId::ViewTrace, tr("Tr&ace Output"), tr("Switches the trace output on standard error on or off"),
       tr("Trace Output"), {}, {}, {}, {}, true},
      {CommandId::AppExit, tr("E&xit"), tr("Quits the application"), tr("Exit"), {}, {}, [this] { close(); }},
      {CommandId::SelectAll, tr("Select &All"), tr("Selects all cameras of the list"), tr("Select All"),
       Keys{Qt::CTRL | Qt::Key_A}, {}, [this] { OnSelectAll(); }, [this] { return CanSelectAll(); }},
      {CommandId::QuickFilter, tr("&Filter Cameras"),
       tr("Moves to the filter field: only cameras whose name, model, serial number, host name, MAC or IP address "
          "contain its text are shown"),
       tr("Filter Cameras"), Keys{Qt::CTRL | Qt::Key_F}, {},
       [this] {
         filter_->setFocus(Qt::ShortcutFocusReason);
         filter_->selectAll();
       }},
      {CommandId::Help, tr("&Help"), tr("Opens the user guide of the finder in your browser"), tr("Help"),
       Keys{Qt::Key_F1}, {}, [this] { OnHelp(); }},
      {CommandId::VisitHomepage, tr("Zorvik on the &Web"),
       tr("Visit the Zorvik IP Camera home page for news and updates"), tr("Visit Homepage"), {}, {}, [this] { OnVisitHomepage(); }},
      {CommandId::AppAbout, tr("&About Zorvik IP Camera Finder..."),
       tr("Displays program information and version number"), tr("About"), {}, {}, [this] { OnAppAbout(); }},
  };
  for (const ravix::CommandTable::CommandDeclaration& declaration : declarations) commands_.Add(declaration);

  auto* group = new QActionGroup(this);  // radio mark on the current view
  for (CommandId id : {CommandId::ViewTree, CommandId::ViewList}) group->addAction(commands_.Action(id));
  QAction* trace = commands_.Action(CommandId::ViewTrace);
  trace->setChecked(ravix::IsTraceEnabled());
  connect(trace, &QAction::toggled, this, [this](bool on) {
    ravix::SetTraceEnabled(on);
    UpdatePanes();
  });

  // Shortcuts work whether or not an action is in a visible menu or toolbar.
  for (CommandId id : {CommandId::Refresh, CommandId::Requery, CommandId::OpenInBrowser, CommandId::CopyURL,
                       CommandId::IPSettings, CommandId::UpdateFirmware, CommandId::SetDefaultPassword,
                       CommandId::AddByAddress, CommandId::ExportList, CommandId::AssignAddresses,
                       CommandId::ReachCamera, CommandId::GiveLinkLocalAddress})
    addAction(doc_.Commands().Action(id));
  for (CommandId id : {CommandId::SelectAll, CommandId::QuickFilter, CommandId::Help}) addAction(commands_.Action(id));
}

QMenu* CMainFrame::AddMenu(const QString& title, const QString& objectName, const QList<QAction*>& items) {
  QMenu* menu = menuBar()->addMenu(title);
  menu->setObjectName(objectName);
  for (QAction* action : items) {
    if (action == nullptr) {
      menu->addSeparator();
    } else {
      menu->addAction(action);
    }
  }
  connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommands);
  return menu;
}

void CMainFrame::CreateMenus() {
  const ravix::CommandTable& doc = doc_.Commands();
  menuBar()->setObjectName(QStringLiteral("menuBar"));
  AddMenu(tr("&Camera"), QStringLiteral("menuCamera"),
          {doc.Action(CommandId::OpenInBrowser), nullptr, doc.Action(CommandId::AddByAddress),
           doc.Action(CommandId::ReachCamera), doc.Action(CommandId::GiveLinkLocalAddress), nullptr,
           doc.Action(CommandId::UpdateFirmware), doc.Action(CommandId::AssignAddresses), nullptr,
           doc.Action(CommandId::ExportList), nullptr,
           commands_.Action(CommandId::AppExit)});
  AddMenu(tr("&Edit"), QStringLiteral("menuEdit"),
          {doc.Action(CommandId::CopyURL), nullptr, commands_.Action(CommandId::SelectAll),
           commands_.Action(CommandId::QuickFilter), nullptr, doc.Action(CommandId::IPSettings)});
  AddMenu(tr("&View"), QStringLiteral("menuView"),
          {commands_.Action(CommandId::ViewTree), commands_.Action(CommandId::ViewList), nullptr,
           commands_.Action(CommandId::ViewToolbar), commands_.Action(CommandId::ViewStatusBar),
           commands_.Action(CommandId::ViewTrace), nullptr, doc.Action(CommandId::Refresh)});
  AddMenu(tr("&Tools"), QStringLiteral("menuTools"), {doc.Action(CommandId::SetDefaultPassword)});
  QMenu* help = AddMenu(tr("&Help"), QStringLiteral("menuHelp"),
                        {commands_.Action(CommandId::Help), nullptr, commands_.Action(CommandId::VisitHomepage), nullptr,
                         commands_.Action(CommandId::AppAbout)});
  if (!HelpFileExists()) RemoveHelpItem(help);
}

// The Help item and the separator after it go; F1 still reaches the command, which then
// says that the file is missing.
void CMainFrame::RemoveHelpItem(QMenu* menu) {
  const QList<QAction*> items = menu->actions();
  const qsizetype at = items.indexOf(commands_.Action(CommandId::Help));
  if (at < 0) return;
  if (at + 1 < items.size() && items[at + 1]->isSeparator()) menu->removeAction(items[at + 1]);
  menu->removeAction(items[at]);
}

void CMainFrame::CreateToolBar() {
  const ravix::CommandTable& doc = doc_.Commands();
  QToolBar* bar = addToolBar(tr("Toolbar"));
  bar->setObjectName(QStringLiteral("toolBar"));
  bar->setIconSize(QSize(16, 16));
  bar->setMovable(false);
  bar->setFloatable(false);
  bar->addAction(doc.Action(CommandId::OpenInBrowser));
  bar->addSeparator();
  bar->addAction(doc.Action(CommandId::CopyURL));
  bar->addAction(doc.Action(CommandId::IPSettings));
  bar->addSeparator();
  bar->addAction(doc.Action(CommandId::Refresh));
  bar->addSeparator();
  bar->addAction(commands_.Action(CommandId::ViewTree));
  bar->addAction(commands_.Action(CommandId::ViewList));

  QAction* toggle = commands_.Action(CommandId::ViewToolbar);
  toggle->setChecked(true);
  connect(toggle, &QAction::toggled, bar, &QToolBar::setVisible);
  // The toolbar's own context menu hides it too; View, Toolbar follows the toolbar.
  connect(bar->toggleViewAction(), &QAction::toggled, toggle, &QAction::setChecked);
}

void CMainFrame::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("statusBar"));
  const QString ready = StringTable::Text(res::kIdleMessage);
  connect(bar, &QStatusBar::messageChanged, bar, [bar, ready](const QString& text) {
    if (text.isEmpty()) bar->showMessage(ready);
  });
  bar->showMessage(ready);
  servicePane_ = NewPane(QStringLiteral("paneService"), StringTable::Text(res::kPaneService), bar);
  busyPane_ = NewPane(QStringLiteral("paneBusy"), StringTable::Text(res::kPaneBusy), bar);
  tracePane_ = NewPane(QStringLiteral("paneTrace"), StringTable::Text(res::kPaneScrollLock), bar);
  countPane_ = NewPane(QStringLiteral("paneCameras"), CountsText(2000, 2000), bar);
  for (QLabel* pane : {countPane_, servicePane_, busyPane_, tracePane_}) bar->addPermanentWidget(pane);
  UpdatePanes();

  QAction* toggle = commands_.Action(CommandId::ViewStatusBar);
  toggle->setChecked(true);
  connect(toggle, &QAction::toggled, bar, &QStatusBar::setVisible);
}

void CMainFrame::UpdatePanes() {
  servicePane_->setText(core_.ServiceHost.UsingEmbeddedResponder() ? QString()
                                                                   : StringTable::Text(res::kPaneService));
  busyPane_->setText(queriesRunning_ ? StringTable::Text(res::kPaneBusy) : QString());
  tracePane_->setText(ravix::IsTraceEnabled() ? StringTable::Text(res::kPaneScrollLock) : QString());
}

// The filter field above the view. It is not kept across starts: a window that opens
// with cameras hidden by an old filter would look as if discovery had missed them.
void CMainFrame::CreateCameraPane() {
  cameraPane_ = new QWidget(this);  // owned by the frame as its central widget
  cameraPane_->setObjectName(QStringLiteral("cameraPane"));
  auto* layout = new QVBoxLayout(cameraPane_);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  filter_ = new QLineEdit(cameraPane_);
  filter_->setObjectName(QStringLiteral("quickFilter"));
  filter_->setPlaceholderText(tr("Filter by name, model, serial, host name, MAC or IP address (Ctrl+F)"));
  filter_->setClearButtonEnabled(true);
  auto* clear = new QAction(filter_);  // Esc in the field empties it
  clear->setObjectName(QStringLiteral("actionClearFilter"));
  clear->setShortcut(Qt::Key_Escape);
  clear->setShortcutContext(Qt::WidgetShortcut);
  connect(clear, &QAction::triggered, filter_, &QLineEdit::clear);
  filter_->addAction(clear);
  auto* toView = new QAction(filter_);  // Down goes on to the cameras the filter shows
  toView->setObjectName(QStringLiteral("actionFilterToView"));
  toView->setShortcut(Qt::Key_Down);
  toView->setShortcutContext(Qt::WidgetShortcut);
  connect(toView, &QAction::triggered, this, &CMainFrame::FocusCameraView);
  filter_->addAction(toView);
  connect(filter_, &QLineEdit::textChanged, this, &CMainFrame::OnFilterChanged);
  layout->addWidget(filter_);
  setCentralWidget(cameraPane_);
}

// The view takes the keyboard focus back after a command or a dialog; the selection stays.
// A window that is not active (a dialog over it) gives it to the view once it is again.
void CMainFrame::ReturnFocusToView() {
  if (view_ == nullptr || view_->Widget() == nullptr) return;
  view_->Widget()->setFocus(Qt::OtherFocusReason);
}

// The view takes the focus; when nothing is selected the first shown camera (in the
// list's order) is, so the keys of the camera commands act at once.
void CMainFrame::FocusCameraView() {
  if (view_ == nullptr) return;
  view_->Widget()->setFocus(Qt::OtherFocusReason);
  if (view_->GetSelectedRecordIDs(nullptr) > 0) return;
  const std::vector<uint32_t> shown = view_->ShownRecordIDs();
  if (!shown.empty()) view_->SelectRecordIDs({shown.front()});
}

void CMainFrame::OnFilterChanged(const QString& text) {
  if (view_ != nullptr) view_->SetFilterText(text);
  UpdateCameraCount();
  UpdateCommands();
}

QString CMainFrame::CountsText(int shown, int total) {
  if (shown == total) return total == 1 ? tr("1 camera") : tr("%n cameras", nullptr, total);
  return (total == 1 ? tr("%1 of 1 camera shown") : tr("%1 of %n cameras shown", nullptr, total)).arg(shown);
}

// Export List needs a shown camera: its rule follows when the first one comes or the
// last one goes.
void CMainFrame::UpdateCameraCount() {
  const CCamerasViewCommonBase::CameraCounts counts =
      view_ != nullptr ? view_->Counts() : CCamerasViewCommonBase::CameraCounts{};
  countPane_->setText(CountsText(counts.shown, counts.total));
  if (std::exchange(camerasShown_, counts.shown > 0) != (counts.shown > 0)) doc_.UpdateCommands();
}

void CMainFrame::UpdateCommands() const {
  doc_.UpdateCommands();
  commands_.Update();
  const bool list = core_.Settings.View == ViewMode::List;
  commands_.Action(list ? CommandId::ViewList : CommandId::ViewTree)->setChecked(true);
}

// --- notifications ---------------------------------------------------------------------

void CMainFrame::OnQueriesRunningChanged(bool running) {
  DebugTrace("MainFrame: QueriesRunning state changed.");
  indicatorOffTimer_.stop();
  if (running) {
    queriesRunning_ = true;
    UpdatePanes();
    return;
  }
  // "REC" stays lit one more second; a new start within it keeps it lit without a gap.
  indicatorOffTimer_.start(kIndicatorOffDelayMs);
}

void CMainFrame::OnPrepareForSleep(bool start) { OnPowerEvent(start); }

void CMainFrame::OnPowerEvent(bool suspending) {
  if (suspending) {
    DebugTrace("Machine is about to suspend. Calling CoreMachineSleep(1)");
  } else {
    DebugTrace("Machine has resumed from suspend. Calling CoreMachineSleep(0)");
  }
  core_.ServiceHost.ForwardMachineSleep(suspending);
}

void CMainFrame::ListenForPowerEvents() {
  if (!options_.powerEvents) return;
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return;  // no system bus, no power events
  bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
              QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
              SLOT(OnPrepareForSleep(bool)));
}

// --- views ---------------------------------------------------------------------------------

std::unique_ptr<CCamerasViewCommonBase> CMainFrame::CreateView(ViewMode mode) {
  if (options_.viewFactory) return options_.viewFactory(mode, *this, this);
  return DefaultCameraView(mode, *this, this);
}

// The view's model follows the store from its initial update on. The counts follow the
// model's rows; a camera the filter hides changes no row, only the total, so the store's
// signals (which reach the model first) count as well. Both connections end with the view.
void CMainFrame::InstallView(std::unique_ptr<CCamerasViewCommonBase> view) {
  view_ = std::move(view);
  if (view_ == nullptr) {
    doc_.SetActiveView(nullptr);
    return;
  }
  cameraPane_->layout()->addWidget(view_->Widget());
  view_->SetFilterText(filter_->text());
  view_->OnInitialUpdate();
  doc_.SetActiveView(view_.get());
  QWidget* context = view_->Widget();
  if (QAbstractItemView* items = ItemViewOf(view_.get()); items != nullptr && items->model() != nullptr) {
    const QAbstractItemModel* model = items->model();
    connect(model, &QAbstractItemModel::rowsInserted, context, [this] { UpdateCameraCount(); });
    connect(model, &QAbstractItemModel::rowsRemoved, context, [this] { UpdateCameraCount(); });
    connect(model, &QAbstractItemModel::modelReset, context, [this] { UpdateCameraCount(); });
    connect(model, &QAbstractItemModel::layoutChanged, context, [this] { UpdateCameraCount(); });
  }
  const CameraStore& store = doc_.Store();
  connect(&store, &CameraStore::RecordUpdated, context, [this] { UpdateCameraCount(); });
  connect(&store, &CameraStore::RecordRemoved, context, [this] { UpdateCameraCount(); });
}

void CMainFrame::OnViewTree(CommandId commandId) {
  const ViewMode mode = commandId == CommandId::ViewList ? ViewMode::List : ViewMode::Tree;
  if (mode == core_.Settings.View || view_ == nullptr) {
    UpdateCommands();
    return;
  }
  std::unique_ptr<CCamerasViewCommonBase> next = CreateView(mode);
  if (next == nullptr) {
    UpdateCommands();
    return;
  }
  std::vector<uint32_t> selection;
  view_->GetSelectedRecordIDs(&selection);
  // The old view goes first (saving its layout). The periodic requery belongs to discovery,
  // not to a view: it keeps running.
  doc_.SetActiveView(nullptr);
  view_.reset();
  core_.Settings.View = mode;
  InstallView(std::move(next));
  UpdateCameraCount();
  view_->SelectRecordIDs(selection);
  view_->Widget()->show();
  ReturnFocusToView();
  UpdateCommands();
}

bool CMainFrame::CanSelectAll() const { return view_ != nullptr && view_->CanSelectAll(); }

void CMainFrame::OnSelectAll() {
  if (view_ != nullptr) view_->SelectAll();
  ReturnFocusToView();
  UpdateCommands();
}

// --- CameraViewHost ------------------------------------------------------------------------

CameraStore& CMainFrame::Store() { return doc_.Store(); }
const CNetworkTools& CMainFrame::NetworkTools() const { return core_.theNetworkTools; }
const SettingsBlock& CMainFrame::Settings() const { return core_.Settings; }
bool CMainFrame::ClipboardMode() const { return state_.ClipboardMode; }
ravix::AppProfile& CMainFrame::Profile() { return core_.Profile; }
QList<QAction*> CMainFrame::CameraContextActions() const { return doc_.CameraContextActions(); }
QList<QAction*> CMainFrame::AdapterContextActions(uint32_t ifIndex) const {
  return doc_.AdapterContextActions(ifIndex);
}
QAction* CMainFrame::OpenInBrowserAction() const { return doc_.Commands().Action(CommandId::OpenInBrowser); }

// --- placement, closing, raising -------------------------------------------------------

void CMainFrame::RestorePlacement() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->geometry();
  const std::optional<WindowPlacement> placement =
      WindowPlacementStore::Load(core_.Profile, area.width(), area.height());
  const QRect free = screen->availableGeometry();
  const PlacementRect& rc =
      placement ? placement->rcNormalPosition
                : WindowPlacementStore::FirstStartRect({free.left(), free.top(), free.left() + free.width(),
                                                        free.top() + free.height()});
  setGeometry(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
}

void CMainFrame::SavePlacement() const {
  WindowPlacement placement;
  placement.showCmd = isMinimized() ? kShowMinimized : isMaximized() ? kShowMaximized : kShowNormal;
  const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
  placement.rcNormalPosition = {normal.left(), normal.top(), normal.left() + normal.width(),
                                normal.top() + normal.height()};
  WindowPlacementStore::Save(core_.Profile, placement);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (doc_.IsCommandRunning()) {
    // A command is under way: it ends first (commands asked for after it are dropped),
    // then the window closes.
    event->ignore();
    doc_.DropRequestedCommands();
    closeWhenIdle_ = true;
    return;
  }
  SavePlacement();
  QMainWindow::closeEvent(event);
}

void CMainFrame::ShowAndRaise() {
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
}

// --- help, about, home page ---------------------------------------------------------------

bool CMainFrame::HelpFileExists() const { return QFileInfo(options_.helpFile).isFile(); }

void CMainFrame::OnHelp() {
  if (!HelpFileExists()) {
    statusBar()->showMessage(ravix::messages::HelpMissing());
    return;
  }
  state_.OpenUrl(QUrl::fromLocalFile(QFileInfo(options_.helpFile).absoluteFilePath()));
}

void CMainFrame::OnVisitHomepage() { state_.OpenUrl(QUrl(options_.homepageUrl)); }

// The dialog runs without blocking the window's event loop; the view has the focus back
// once it is closed.
void CMainFrame::OnAppAbout() {
  auto* dialog = new CAboutDlg(this);  // deletes itself when closed
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  connect(dialog, &QDialog::finished, this, &CMainFrame::ReturnFocusToView);
  dialog->open();
}
