// The main frame: notifications routed to the view, the "REC" indicator's timing, the
// view switch carrying the selection, the Help item without a help file, menus.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "gui/app/main_frame.h"
#include "gui/app/command_id.h"
#include "gui/widgets/cameras_view_common_base.h"
#include "platform/event_post_target.h"
#include "platform/posted_event.h"
#include "platform/registered_message.h"
#include "gui/models/camera_store.h"
#include "tests/gui/finder_doc_fixture.h"
#include "shell/window_placement_store.h"
#include "tests/gui/test_camera_view.h"


using ravix::CommandId;

namespace {

class MainFrameTest : public FinderDocFixture {
 protected:
  void SetUp() override {
    FinderDocFixture::SetUp();
    for (uint32_t id = 1; id <= 3; ++id) finder_->Put({.id = id, .name = "cam" + std::to_string(id)});
  }

  void TearDown() override {
    frame_.reset();
    FinderDocFixture::TearDown();
  }

  // realViews: the tree and list views of the finder instead of the test's plain list.
  void MakeFrame(const QString& helpFile = QStringLiteral("/nonexistent/ravixfinder.html"), bool realViews = false) {
    CMainFrame::Options options;
    options.helpFile = helpFile;
    options.powerEvents = false;
    if (!realViews) {
      options.viewFactory = [](ViewMode mode, CameraViewHost& host, QWidget* parent) {
        return std::make_unique<TestCameraView>(host, mode == ViewMode::Tree, parent);
      };
    }
    frame_ = std::make_unique<CMainFrame>(*core_, state_, *doc_, options);
  }

  std::vector<uint32_t> Selection() const {
    std::vector<uint32_t> ids;
    frame_->ActiveView()->GetSelectedRecordIDs(&ids);
    return ids;
  }

  QString Pane(const char* name) const { return frame_->findChild<QLabel*>(QString::fromLatin1(name))->text(); }

  // Posts as the engine does, to the camera store.
  template <class Payload>
  void Post(const char* message, Payload value) {
    auto target = doc_->Store().NotifyTarget();
    ASSERT_TRUE(target->Post(ravix::RegisterMessageType(message), value));
  }

  std::unique_ptr<CMainFrame> frame_;
};

TEST_F(MainFrameTest, RecordNotificationsReachTheView) {
  core_->Settings.View = ViewMode::List;
  MakeFrame();
  ASSERT_NE(frame_->ActiveView(), nullptr);
  auto* list = frame_->findChild<QListWidget*>();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->count(), 3);  // the initial update fills the view
  finder_->Put({.id = 4, .name = "cam4"});
  Post(ravix::kRecordChangedMessageName, RecordEvent{RecordOperation::Update, 4});
  Post(ravix::kRecordChangedMessageName, RecordEvent{RecordOperation::Remove, 2});
  QCoreApplication::processEvents();
  EXPECT_EQ(list->count(), 3);
  EXPECT_EQ(list->item(2)->text(), "cam4");
}

// "REC" is lit while resolves run and one second beyond; a start within that second
// keeps it lit without a gap.
TEST_F(MainFrameTest, BusyIndicatorStaysLitOneSecondAfterTheLastResolve) {
  MakeFrame();
  EXPECT_EQ(Pane("paneBusy"), "");
  Post(ravix::kQueriesRunningMessageName, true);
  QCoreApplication::processEvents();
  EXPECT_EQ(Pane("paneBusy"), "REC");

  Post(ravix::kQueriesRunningMessageName, false);
  Post(ravix::kQueriesRunningMessageName, true);
  QCoreApplication::processEvents();
  EXPECT_EQ(Pane("paneBusy"), "REC");
  QTest::qWait(CMainFrame::kIndicatorOffDelayMs + 300);
  EXPECT_EQ(Pane("paneBusy"), "REC");  // still running: the first stop was taken back

  QElapsedTimer clock;
  Post(ravix::kQueriesRunningMessageName, false);
  clock.start();
  QCoreApplication::processEvents();
  EXPECT_EQ(Pane("paneBusy"), "REC");
  QTRY_COMPARE_WITH_TIMEOUT(Pane("paneBusy"), QString(), 5000);
  EXPECT_GE(clock.elapsed(), CMainFrame::kIndicatorOffDelayMs - 50);
}

TEST_F(MainFrameTest, ViewSwitchCarriesTheSelection) {
  core_->Settings.View = ViewMode::Tree;
  MakeFrame();
  CCamerasViewCommonBase* tree = frame_->ActiveView();
  ASSERT_EQ(tree->SelectRecordIDs({2}), 1u);
  state_.StartPeriodicRequeryTimer(20000);

  // The same view again: nothing happens.
  frame_->Commands().Action(CommandId::ViewTree)->trigger();
  EXPECT_EQ(frame_->ActiveView(), tree);
  EXPECT_TRUE(state_.PeriodicRequeryRunning());

  frame_->Commands().Action(CommandId::ViewList)->trigger();
  ASSERT_NE(frame_->ActiveView(), tree);
  EXPECT_EQ(core_->Settings.View, ViewMode::List);
  EXPECT_EQ(doc_->GetActiveCameraView(), frame_->ActiveView());
  EXPECT_EQ(Selection(), std::vector<uint32_t>{2});
  EXPECT_TRUE(state_.PeriodicRequeryRunning());  // the requery goes on with the new view
  EXPECT_EQ(state_.PeriodicRequeryInterval(), 20000);
  EXPECT_TRUE(frame_->Commands().Action(CommandId::ViewList)->isChecked());

  // Several selected: the tree takes the first of them in the list's order.
  ASSERT_EQ(frame_->ActiveView()->SelectRecordIDs({3, 2}), 2u);
  frame_->Commands().Action(CommandId::ViewTree)->trigger();
  EXPECT_EQ(core_->Settings.View, ViewMode::Tree);
  EXPECT_EQ(Selection(), std::vector<uint32_t>{2});
  EXPECT_TRUE(frame_->Commands().Action(CommandId::ViewTree)->isChecked());
}

// The same with the finder's own tree and list views, whose selection reports set the
// commands' state without anyone asking for it.
TEST_F(MainFrameTest, RealViewsCarryTheSelection) {
  core_->Settings.View = ViewMode::Tree;
  MakeFrame(QStringLiteral("/nonexistent/ravixfinder.html"), true);
  QAction* copy = doc_->Commands().Action(CommandId::CopyURL);
  EXPECT_FALSE(copy->isEnabled());
  ASSERT_EQ(frame_->ActiveView()->SelectRecordIDs({2}), 1u);
  EXPECT_TRUE(copy->isEnabled()) << "the tree reported its selection";
  frame_->Commands().Action(CommandId::ViewList)->trigger();
  EXPECT_EQ(core_->Settings.View, ViewMode::List);
  EXPECT_EQ(Selection(), std::vector<uint32_t>{2});

  ASSERT_EQ(frame_->ActiveView()->SelectRecordIDs({3, 1}), 2u);
  EXPECT_FALSE(copy->isEnabled()) << "Copy URL takes one camera";
  const std::vector<uint32_t> listed = Selection();
  ASSERT_GE(listed.size(), 2u);
  frame_->Commands().Action(CommandId::ViewTree)->trigger();
  EXPECT_EQ(Selection(), std::vector<uint32_t>{listed.front()});
  EXPECT_FALSE(frame_->Commands().IsEnabled(CommandId::SelectAll));  // never in the tree
}

// Keys reach the commands while a view has the focus: Ctrl+Shift+C copies both URLs of
// the camera selected in the list.
TEST_F(MainFrameTest, CopyURLKeysWorkInTheView) {
  finder_->Put({.id = 9, .name = "cam9", .netAddress = "10.9.9.9", .zcAddress = "169.254.9.9"});
  core_->Settings.View = ViewMode::List;
  MakeFrame(QStringLiteral("/nonexistent/ravixfinder.html"), true);
  doc_->SetShiftQuery([] { return true; });
  frame_->show();
  frame_->activateWindow();
  if (!QTest::qWaitForWindowActive(frame_.get())) GTEST_SKIP() << "the platform activates no window";
  ASSERT_EQ(frame_->ActiveView()->SelectRecordIDs({9}), 1u);
  QWidget* view = frame_->ActiveView()->Widget();
  view->setFocus();
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
            "http://10.9.9.9:80/index.html\r\nhttp://169.254.9.9:80/index.html");
}

// The copy keys belong to Copy URL in both views: on a camera the command is disabled for,
// the item view's own copy of the cell text ("Box") does not step in; on a reachable one
// the command still gets the key.
TEST_F(MainFrameTest, CopyKeysCopyNothingWhenCopyURLIsDisabled) {
  finder_->Put({.id = 8, .name = "cam8", .netAddress = "10.8.8.8", .reachable = false});
  finder_->Put({.id = 9, .name = "cam9", .netAddress = "10.9.9.9"});
  MakeFrame(QStringLiteral("/nonexistent/ravixfinder.html"), true);
  doc_->SetShiftQuery([] { return true; });
  frame_->show();
  frame_->activateWindow();
  if (!QTest::qWaitForWindowActive(frame_.get())) GTEST_SKIP() << "the platform activates no window";
  for (CommandId viewCommand : {CommandId::ViewList, CommandId::ViewTree}) {
    frame_->Commands().Action(viewCommand)->trigger();
    SCOPED_TRACE(static_cast<int>(viewCommand));
    QWidget* view = frame_->ActiveView()->Widget();
    view->setFocus();
    ASSERT_EQ(frame_->ActiveView()->SelectRecordIDs({8}), 1u);
    doc_->UpdateCommands();
    for (const QKeyCombination key : {Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_Insert, Qt::CTRL | Qt::SHIFT | Qt::Key_C}) {
      QGuiApplication::clipboard()->setText(QStringLiteral("before"));
      QTest::keyClick(view, key.key(), key.keyboardModifiers());
      EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "before");
    }
    qobject_cast<QAbstractItemView*>(view)->clearSelection();
    ASSERT_EQ(frame_->ActiveView()->SelectRecordIDs({9}), 1u);
    doc_->UpdateCommands();
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "http://10.9.9.9:80/index.html");
  }
}

TEST_F(MainFrameTest, WithoutHelpFileTheHelpItemGoesAndF1SaysSo) {
  MakeFrame();
  auto* help = frame_->findChild<QMenu*>(QStringLiteral("menuHelp"));
  ASSERT_NE(help, nullptr);
  const QList<QAction*> items = help->actions();
  ASSERT_EQ(items.size(), 3);
  EXPECT_EQ(items[0], frame_->Commands().Action(CommandId::VisitHomepage));
  EXPECT_TRUE(items[1]->isSeparator());
  EXPECT_EQ(items[2], frame_->Commands().Action(CommandId::AppAbout));

  QTest::keyClick(frame_.get(), Qt::Key_F1);
  frame_->Commands().Action(CommandId::Help)->trigger();
  EXPECT_EQ(frame_->statusBar()->currentMessage(), "Helpfile not found in application directory.");
  EXPECT_TRUE(opened_.empty());
}

TEST_F(MainFrameTest, HelpOpensTheGuideInTheBrowser) {
  QTemporaryDir dir;
  const QString guide = dir.filePath(QStringLiteral("ravixfinder.html"));
  QFile file(guide);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("<html></html>");
  file.close();
  MakeFrame(guide);
  EXPECT_EQ(frame_->findChild<QMenu*>(QStringLiteral("menuHelp"))->actions().size(), 5);
  frame_->Commands().Action(CommandId::Help)->trigger();
  EXPECT_EQ(opened_, std::vector<std::string>{QUrl::fromLocalFile(guide).toString().toStdString()});
}

// Caption, menus and toolbar as the user sees them. The menus show the first key of an
// item from its action's shortcut; no text carries a key of its own.
TEST_F(MainFrameTest, CaptionMenusAndToolbar) {
  MakeFrame();
  EXPECT_EQ(frame_->windowTitle(), "Zorvik IP Camera Finder");
  QStringList menus;
  for (QAction* menu : frame_->menuBar()->actions()) {
    QStringList items;
    for (QAction* item : menu->menu()->actions()) {
      EXPECT_FALSE(item->text().contains(QLatin1Char('\t'))) << item->text().toStdString();
      const QString key = item->shortcut().toString(QKeySequence::NativeText);
      if (item->isSeparator()) {
        items << QStringLiteral("-");
      } else {
        items << (key.isEmpty() ? item->text() : item->text() + QLatin1Char('\t') + key);
      }
    }
    menus << menu->text() + QStringLiteral(": ") + items.join(QLatin1Char('|'));
  }
  EXPECT_EQ(menus.join(QLatin1Char('\n')).toStdString(),
            "&Camera: Open In &Browser\tEnter|-|Add by &Address...|&Reach Camera...|Give Adapter a &Link-Local Address|-|&Update Firmware...|A&ssign Addresses...|-|&Export List...|-|E&xit\n"
            "&Edit: &Copy URL\tCtrl+C|-|Select &All\tCtrl+A|&Filter Cameras\tCtrl+F|-|IP &Settings\n"
            "&View: &Tree|&List|-|T&oolbar|&Status Bar|Tr&ace Output|-|&Refresh\tF5\n"
            "&Tools: Set &Default Password...\n"
            "&Help: Zorvik on the &Web|-|&About Zorvik IP Camera Finder...");
  QStringList buttons;
  for (QAction* action : frame_->findChild<QToolBar*>(QStringLiteral("toolBar"))->actions())
    buttons << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
  EXPECT_EQ(buttons.join(QLatin1Char(' ')).toStdString(),
            "actionOpenInBrowser - actionCopyURL actionIPSettings - actionRefresh - actionViewTree actionViewList");
  // Tooltips name the command's first key, written as the camera maker's tools write keys.
  EXPECT_EQ(doc_->Commands().Action(CommandId::CopyURL)->toolTip(), "Copy URL (Ctrl+C)");
  EXPECT_EQ(doc_->Commands().Action(CommandId::Requery)->toolTip(), "Requery (Shift+Ctrl+F5)");
  EXPECT_EQ(doc_->Commands().Action(CommandId::OpenInBrowser)->toolTip(), "Open camera in browser (Enter)");
  EXPECT_EQ(frame_->Commands().Action(CommandId::SelectAll)->toolTip(), "Select All (Ctrl+A)");
  EXPECT_EQ(frame_->Commands().Action(CommandId::Help)->toolTip(), "Help (F1)");
  EXPECT_EQ(doc_->Commands().Action(CommandId::IPSettings)->toolTip(), "IP Settings");
  EXPECT_EQ(doc_->Commands().Action(CommandId::Refresh)->statusTip(), "Refreshes the contents of the window");
  EXPECT_EQ(doc_->Commands().Action(CommandId::CopyURL)->shortcuts().size(), 3);
  EXPECT_EQ(frame_->statusBar()->currentMessage(), "Ready");
  EXPECT_EQ(Pane("paneService"), "SVC");  // no embedded responder runs
}

// A close while a command waits for the responder is put off until the command has
// ended (a Refresh asked for meanwhile is dropped), then the window closes.
TEST_F(MainFrameTest, CloseDuringARefreshClosesAfterIt) {
  MakeFrame();
  frame_->show();
  doc_->SetRequeryWait(100);
  int refreshes = 0;
  QObject::connect(doc_.get(), &CRavixFinderDoc::RefreshEnded, [&] { ++refreshes; });
  ASSERT_TRUE(doc_->ExecuteCommand(CommandId::Refresh));
  doc_->RequestCommand(CommandId::Refresh);
  EXPECT_FALSE(frame_->close());
  EXPECT_TRUE(frame_->isVisible());
  ASSERT_TRUE(ProcessEventsUntil([&] { return !frame_->isVisible(); }));
  EXPECT_EQ(refreshes, 1);
  EXPECT_FALSE(doc_->IsCommandRunning());
  EXPECT_TRUE(WindowPlacementStore::Load(Profile(), 1920, 1080).has_value());  // saved on the way out
}

TEST_F(MainFrameTest, FirstStartCentresTheWindowLaterStartsAsStored) {
  MakeFrame();
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  const QRect first = frame_->geometry();
  EXPECT_LE(std::abs(first.center().x() - area.center().x()), 1);
  EXPECT_LE(std::abs(first.center().y() - area.center().y()), 1);
  EXPECT_EQ(first.width(), std::min(area.width(), std::max(640, area.width() * 7 / 10)));
  EXPECT_EQ(first.height(), std::min(area.height(), std::max(420, area.height() * 7 / 10)));
  EXPECT_TRUE(area.contains(first));
  frame_->setGeometry(20, 30, 500, 350);
  frame_->show();
  frame_->close();
  frame_.reset();

  MakeFrame();
  EXPECT_EQ(frame_->geometry(), QRect(20, 30, 500, 350)) << "a stored placement is used as stored";
}

// View, Toolbar and the toolbar's own context menu (the frame's popup menu) show one state.
TEST_F(MainFrameTest, ToolbarSwitchesAgree) {
  MakeFrame();
  frame_->show();
  auto* bar = frame_->findChild<QToolBar*>(QStringLiteral("toolBar"));
  QAction* viewItem = frame_->Commands().Action(CommandId::ViewToolbar);
  std::unique_ptr<QMenu> popup(frame_->createPopupMenu());
  ASSERT_NE(popup, nullptr);
  QAction* popupItem = nullptr;
  for (QAction* action : popup->actions()) {
    if (action == bar->toggleViewAction()) popupItem = action;
  }
  ASSERT_NE(popupItem, nullptr) << "the toolbar's context menu lists it";

  popupItem->trigger();
  EXPECT_FALSE(bar->isVisible());
  EXPECT_FALSE(viewItem->isChecked()) << "View, Toolbar follows the context menu";
  viewItem->trigger();
  EXPECT_TRUE(bar->isVisible());
  EXPECT_TRUE(popupItem->isChecked()) << "the context menu follows View, Toolbar";
  viewItem->trigger();
  EXPECT_FALSE(bar->isVisible());
  EXPECT_FALSE(popupItem->isChecked());
  popupItem->trigger();
  EXPECT_TRUE(bar->isVisible());
  EXPECT_TRUE(viewItem->isChecked());
}

}  // namespace
