// The window's quick filter field: Ctrl+F, Esc, the camera counts and what Export List
// is offered.
#include <gtest/gtest.h>

#include <QApplication>
#include <QAbstractItemView>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "gui/app/command_id.h"
#include "gui/app/main_frame.h"
#include "gui/widgets/cameras_view_common_base.h"
#include "gui/models/camera_store.h"
#include "tests/gui/finder_doc_fixture.h"

using ravix::CommandId;

namespace {

CBrowseRecord Camera(uint32_t id, const std::string& name, const std::string& model) {
  CBrowseRecord record = CameraRecord({.id = id, .name = name, .netAddress = "192.168.77." + std::to_string(id)});
  record.AddTxtValue(txtkey::kModel, model.c_str());
  record.AddTxtValue(txtkey::kSerial, ("SN-" + std::to_string(id)).c_str());
  return record;
}

class FilterWindowTest : public FinderDocFixture {
 protected:
  void SetUp() override {
    FinderDocFixture::SetUp();
    finder_->PutRecord(Camera(1, "Cam10", "Ravix-B120"));
    finder_->PutRecord(Camera(2, "cam2", "Ravix2-D400"));
    finder_->PutRecord(Camera(3, "Evil", "Ravix-B120"));
    finder_->PutRecord(Camera(4, "Other", "Ravix-D210"));
  }
  void TearDown() override {
    frame_.reset();
    FinderDocFixture::TearDown();
  }
  void MakeFrame(ViewMode mode) {
    core_->Settings.View = mode;
    CMainFrame::Options options;
    options.helpFile = QStringLiteral("/nonexistent/ravixfinder.html");
    options.powerEvents = false;
    frame_ = std::make_unique<CMainFrame>(*core_, state_, *doc_, options);
  }
  QString Counts() const { return frame_->findChild<QLabel*>(QStringLiteral("paneCameras"))->text(); }

  std::unique_ptr<CMainFrame> frame_;
};

TEST_F(FilterWindowTest, FilterFieldKeysAndCounts) {
  MakeFrame(ViewMode::Tree);
  frame_->show();
  QApplication::setActiveWindow(frame_.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(frame_.get()));
  QLineEdit* filter = frame_->FilterField();
  EXPECT_EQ(filter->objectName(), "quickFilter");
  EXPECT_FALSE(filter->placeholderText().isEmpty());
  EXPECT_TRUE(filter->isClearButtonEnabled());
  EXPECT_EQ(Counts(), "4 cameras");

  frame_->ActiveView()->Widget()->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_TRUE(filter->hasFocus()) << "Ctrl+F moves to the filter";
  QTest::keyClicks(filter, QStringLiteral("RAVIX-b"));
  EXPECT_EQ(Counts(), "2 of 4 cameras shown");
  frame_->UpdateCommands();
  EXPECT_TRUE(doc_->Commands().Action(CommandId::ExportList)->isEnabled());

  // A camera arriving while the filter is set, and the filter going with the view switch.
  finder_->PutRecord(Camera(5, "Porch", "Ravix-B300"));
  doc_->Store().Apply({RecordOperation::Update, 5});
  EXPECT_EQ(Counts(), "3 of 5 cameras shown");
  // One the filter hides adds no row, only to the total.
  finder_->PutRecord(Camera(6, "Attic", "Ravix-D210"));
  doc_->Store().Apply({RecordOperation::Update, 6});
  EXPECT_EQ(Counts(), "3 of 6 cameras shown");
  frame_->OnViewTree(CommandId::ViewList);
  EXPECT_EQ(Counts(), "3 of 6 cameras shown");
  EXPECT_EQ(frame_->ActiveView()->ShownRecordIDs().size(), 3u);

  // Down in the field goes on to the shown cameras, the first one selected
  qobject_cast<QAbstractItemView*>(frame_->ActiveView()->Widget())->clearSelection();
  filter->setFocus();
  ASSERT_TRUE(filter->hasFocus());
  QTest::keyClick(filter, Qt::Key_Down);
  EXPECT_TRUE(frame_->ActiveView()->Widget()->hasFocus());
  std::vector<uint32_t> selected;
  ASSERT_EQ(frame_->ActiveView()->GetSelectedRecordIDs(&selected), 1u);
  EXPECT_EQ(selected.front(), frame_->ActiveView()->ShownRecordIDs().front());
  filter->setFocus();
  filter->end(false);

  QTest::keyClicks(filter, QStringLiteral("zzz"));
  EXPECT_EQ(Counts(), "0 of 6 cameras shown");
  EXPECT_FALSE(doc_->Commands().Action(CommandId::ExportList)->isEnabled()) << "nothing shown, nothing to export";
  filter->setFocus();
  QTest::keyClick(filter, Qt::Key_Escape);
  EXPECT_EQ(filter->text(), "");
  EXPECT_EQ(Counts(), "6 cameras");
  EXPECT_TRUE(doc_->Commands().Action(CommandId::ExportList)->isEnabled());

  EXPECT_EQ(CMainFrame::CountsText(1, 1), "1 camera");
  EXPECT_EQ(CMainFrame::CountsText(0, 1), "0 of 1 camera shown");
}

}  // namespace
