// Where the keys go in the finder's window: the camera view holds the keyboard focus from
// the start and gets it back after commands and dialogs; the selection outlives a Refresh
// that numbers the cameras anew.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLineEdit>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "gui/app/command_id.h"
#include "gui/app/main_frame.h"
#include "gui/models/camera_store.h"
#include "gui/dialogs/dlg_password.h"
#include "gui/widgets/cameras_view_common_base.h"
#include "tests/gui/finder_doc_fixture.h"
#include "tests/support/qt_pump.h"

using ravix::CommandId;

namespace {

// Each camera keeps its address whatever number the engine gives it.
CBrowseRecord Camera(uint32_t id, const std::string& name) {
  const std::string address = name == "Alpha" ? "192.168.77.11" : name == "Bravo" ? "192.168.77.12" : "192.168.77.13";
  return CameraRecord({.id = id, .name = name, .netAddress = address});
}

class WindowFocusTest : public FinderDocFixture {
 protected:
  void SetUp() override {
    FinderDocFixture::SetUp();
    PutCameras({{1, "Alpha"}, {2, "Bravo"}, {3, "Charlie"}});
    doc_->SetShiftQuery([] { return true; });  // Copy URL by the advertised address (no adapter here)
  }
  void TearDown() override {
    frame_.reset();
    FinderDocFixture::TearDown();
  }
  void PutCameras(const std::vector<std::pair<uint32_t, std::string>>& cameras) {
    for (const auto& [id, name] : cameras) finder_->PutRecord(Camera(id, name));
  }
  // The engine tells the window about every record it holds.
  void Announce() {
    for (const CBrowseRecord& record : doc_->Store().Records())
      doc_->Store().Apply({RecordOperation::Update, record.ID});
  }
  void ShowFrame(ViewMode mode) {
    core_->Settings.View = mode;
    CMainFrame::Options options;
    options.helpFile = QStringLiteral("/nonexistent/ravixfinder.html");
    options.powerEvents = false;
    frame_ = std::make_unique<CMainFrame>(*core_, state_, *doc_, options);
    frame_->show();
    QApplication::setActiveWindow(frame_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame_.get()));
  }
  QWidget* View() const { return frame_->ActiveView()->Widget(); }
  bool ViewHasFocus() const { return QApplication::focusWidget() == View(); }
  // A key as a person presses it: to whatever holds the focus.
  void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : frame_.get();
    QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
    QCoreApplication::processEvents();
  }
  std::string Copied() {
    QGuiApplication::clipboard()->clear();
    Press(Qt::Key_C, Qt::ControlModifier);
    return QGuiApplication::clipboard()->text().toStdString();
  }
  std::vector<uint32_t> Selection() const {
    std::vector<uint32_t> ids;
    frame_->ActiveView()->GetSelectedRecordIDs(&ids);
    return ids;
  }

  std::unique_ptr<CMainFrame> frame_;
};

// Start, Home, Ctrl+C copies the first camera's URL; Down moves in the view; after F5 the
// same cameras return under new numbers and the selection follows its camera, not its number.
TEST_F(WindowFocusTest, KeysActOnTheCamerasFromTheStartAndAfterRefresh) {
  ShowFrame(ViewMode::List);
  EXPECT_TRUE(ViewHasFocus()) << "at start the keys belong to the cameras, not to the filter field";
  EXPECT_TRUE(frame_->FilterField()->text().isEmpty());

  Press(Qt::Key_Down);
  EXPECT_EQ(Selection(), std::vector<uint32_t>{1}) << "the first Down selects the first camera, not the second";
  Press(Qt::Key_End);
  Press(Qt::Key_Home);
  EXPECT_EQ(Selection(), std::vector<uint32_t>{1});
  EXPECT_EQ(Copied(), "http://192.168.77.11:80/index.html");
  EXPECT_TRUE(frame_->FilterField()->text().isEmpty()) << "Ctrl+C typed nothing into the filter";
  Press(Qt::Key_Down);
  EXPECT_EQ(Selection(), std::vector<uint32_t>{2});

  // F5: the engine is emptied and finds the cameras again, numbered in the order they answer.
  Press(Qt::Key_F5);
  PutCameras({{1, "Charlie"}, {2, "Bravo"}, {3, "Alpha"}});
  Announce();
  EXPECT_TRUE(ViewHasFocus()) << "Refresh gives the focus back to the view";
  EXPECT_EQ(Selection(), std::vector<uint32_t>{2}) << "Bravo stays selected under its new number";
  EXPECT_EQ(Copied(), "http://192.168.77.12:80/index.html");
  Press(Qt::Key_Down);
  EXPECT_EQ(Copied(), "http://192.168.77.11:80/index.html") << "Down went on from Bravo to Alpha (found last)";

  // A camera chosen by the person while the others come back stays theirs.
  Press(Qt::Key_F5);
  PutCameras({{1, "Alpha"}});
  Announce();
  Press(Qt::Key_Home);
  PutCameras({{2, "Charlie"}, {3, "Bravo"}});
  Announce();
  EXPECT_EQ(Selection(), std::vector<uint32_t>{1});
}

// The filter takes the focus when asked (Ctrl+F, a click); a dialog command gives it back
// to the view when its dialog closes, while the event loop went on meanwhile.
class WindowFocusInEitherView : public WindowFocusTest, public testing::WithParamInterface<ViewMode> {};

TEST_P(WindowFocusInEitherView, FilterTakesTheFocusOnlyWhenAskedAndDialogsGiveItBack) {
  ShowFrame(GetParam());
  EXPECT_TRUE(ViewHasFocus());
  Press(Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(QApplication::focusWidget(), frame_->FilterField());
  QTest::mouseClick(View(), Qt::LeftButton);
  QTest::mouseClick(frame_->FilterField(), Qt::LeftButton);
  EXPECT_EQ(QApplication::focusWidget(), frame_->FilterField());

  ASSERT_TRUE(doc_->ExecuteCommand(CommandId::SetDefaultPassword));
  EXPECT_TRUE(doc_->IsCommandRunning()) << "the command runs on while its dialog is open";
  QDialog* dialog = nullptr;
  ASSERT_TRUE(PumpUntil([&] {
    dialog = qobject_cast<CDlgPassword*>(QApplication::activeModalWidget());
    return dialog != nullptr;
  }));
  dialog->reject();
  ASSERT_TRUE(PumpUntil([&] { return !doc_->IsCommandRunning(); }));
  ASSERT_TRUE(PumpUntil([&] { return QApplication::activeModalWidget() == nullptr; }));
  QApplication::setActiveWindow(frame_.get());
  EXPECT_TRUE(PumpUntil([&] { return ViewHasFocus(); }, 2000));
}

INSTANTIATE_TEST_SUITE_P(ListAndTree, WindowFocusInEitherView, testing::Values(ViewMode::List, ViewMode::Tree));

}  // namespace
