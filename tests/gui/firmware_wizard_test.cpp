// The firmware wizard without cameras to talk to: what the select page accepts as a
// firmware file, Browse, the buttons it offers, and the camera list the Update Firmware
// command builds from the selection.
#include <sys/stat.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <map>

#include "camera/camera_connect.h"
#include "gui/firmware/firmware_camera_list.h"
#include "gui/firmware/page_fw_progress.h"
#include "gui/firmware/page_fw_results.h"
#include "gui/firmware/page_fw_select.h"
#include "gui/firmware/property_sheet_fw.h"
#include "gui_test_base.h"
#include "net/network_tools.h"

namespace {

class FirmwareWizardSelect : public GuiTestBase {
 protected:
  FirmwareWizardSelect() : context_{tools_, true, nullptr, nullptr, {}} {}

  // A wizard over the cameras (one by default) whose Browse answers with browseAnswer.
  std::unique_ptr<CPropertySheetFW> MakeWizard(std::vector<CBrowseRecord> cameras = {OneCamera()}) {
    FirmwareWizardOptions options;
    options.requery = [this] { ++requeries; };
    options.chooseFile = [this](QWidget*, const QString& current, FirmwareFileDone done) {
      browseStartedAt.push_back(current);
      done(browseAnswer);
    };
    auto wizard = std::make_unique<CPropertySheetFW>(std::move(cameras), context_, options);
    wizard->show();
    return wizard;
  }

  QString WriteFile(const QString& name, const QByteArray& bytes) {
    QFile file(TempPath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
  }

  static bool NextOffered(const CPropertySheetFW& wizard) {
    return wizard.button(QWizard::NextButton)->isVisible() && wizard.button(QWizard::NextButton)->isEnabled();
  }

  static CBrowseRecord OneCamera() {
    CBrowseRecord camera;
    camera.ServiceName = "ZV000101";
    return camera;
  }

  QString browseAnswer;
  std::vector<QString> browseStartedAt;
  int requeries = 0;

 private:
  CNetworkTools tools_;
  CameraConnectContext context_;
};

TEST_F(FirmwareWizardSelect, NextOnlyForAnExistingNonEmptyRegularFile) {
  auto wizard = MakeWizard();
  CPageFWSelect& page = *wizard->SelectPage();
  const QString image = WriteFile("fw.bin", QByteArray(1, '\x7f'));
  const QString empty = WriteFile("empty.bin", {});
  const QString pipe = TempPath("fifo.bin");
  ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  ASSERT_TRUE(QDir().mkpath(TempPath("folder.bin")));

  const std::map<QString, bool> cases = {
      {QString(), false},          {TempPath("folder.bin"), false}, {TempPath("missing.bin"), false},
      {empty, false},              {pipe, false},                   {"/dev/zero", false},
      {image, true},
  };
  for (const auto& [path, acceptable] : cases) {
    SCOPED_TRACE(path.toStdString());
    page.PathEdit()->setText(path);
    EXPECT_EQ(page.isComplete(), acceptable);
    EXPECT_EQ(NextOffered(*wizard), acceptable);
    EXPECT_FALSE(wizard->button(QWizard::FinishButton)->isVisible() && wizard->button(QWizard::FinishButton)->isEnabled());
  }
  EXPECT_FALSE(wizard->button(QWizard::BackButton)->isVisible());

  // A file that empties after it was typed is refused when the user goes on.
  page.PathEdit()->setText(image);
  QFile::resize(image, 0);
  EXPECT_FALSE(page.validatePage());
  EXPECT_TRUE(wizard->FirmwarePath().isEmpty());
}

TEST_F(FirmwareWizardSelect, BrowseReplacesThePathAndCancelKeepsIt) {
  auto wizard = MakeWizard();
  CPageFWSelect& page = *wizard->SelectPage();
  const QString image = WriteFile("camera.bin", "RVXFWIMG");
  page.PathEdit()->setText(TempPath("typed"));

  browseAnswer = image;
  page.BrowseButton()->click();
  EXPECT_EQ(page.PathEdit()->text(), image);
  EXPECT_TRUE(NextOffered(*wizard));

  browseAnswer.clear();  // the user cancels the dialog
  page.BrowseButton()->click();
  EXPECT_EQ(page.PathEdit()->text(), image);
  ASSERT_EQ(browseStartedAt.size(), 2u);
  EXPECT_EQ(browseStartedAt[0], TempPath("typed"));
  EXPECT_EQ(browseStartedAt[1], image);

  EXPECT_TRUE(page.validatePage());
  EXPECT_EQ(wizard->FirmwarePath(), image);
}

TEST_F(FirmwareWizardSelect, WithoutCamerasNextLeadsToAnEmptyResultList) {
  auto wizard = MakeWizard({});
  wizard->SelectPage()->PathEdit()->setText(WriteFile("fw.bin", "RVXFWIMG"));
  wizard->button(QWizard::NextButton)->click();
  ASSERT_TRUE(ProcessEventsUntil([&] { return wizard->currentId() == CPropertySheetFW::ResultsPageId; }));
  EXPECT_EQ(wizard->ResultsPage()->ResultList()->topLevelItemCount(), 0);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(requeries, 1);
  wizard->button(QWizard::FinishButton)->click();
  EXPECT_FALSE(wizard->isVisible());
}

// The whole wizard by keys with the path's completion popup opened on the select page:
// the popup closes when the page changes, Return on the results page presses Finish, and
// a camera name with markup shows as it is in the results.
TEST_F(FirmwareWizardSelect, KeysThroughTheWizardAfterTheCompletionPopupOpened) {
  CBrowseRecord camera = OneCamera();
  camera.ServiceName = "<b>x</b><img src=\"/tmp/y.png\">";
  auto wizard = MakeWizard({camera});
  wizard->activateWindow();
  if (!QTest::qWaitForWindowActive(wizard.get())) GTEST_SKIP() << "the platform activates no window";
  const QString image = WriteFile("fw.bin", "RVXFWIMG");
  WriteFile("fw2.bin", "RVXFWIMG");
  QLineEdit* path = wizard->SelectPage()->PathEdit();
  QAbstractItemView* popup = path->completer()->popup();
  path->setFocus();
  QTest::keyClicks(path, TempPath("fw"));
  // The file system model lists a folder in the background once asked for it; typing on
  // then shows the popup.
  auto* files = qobject_cast<QFileSystemModel*>(path->completer()->model());
  ASSERT_NE(files, nullptr);
  files->index(QFileInfo(image).absolutePath());
  ASSERT_TRUE(ProcessEventsUntil([&] {
    QTest::keyClick(path, Qt::Key_Backspace);
    QTest::keyClicks(path, QStringLiteral("w"));
    return popup->isVisible();
  }));
  QTest::keyClicks(QApplication::focusWidget(), QStringLiteral(".bin"));
  ASSERT_EQ(path->text(), image);

  QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::AltModifier);  // the button's mnemonic
  ASSERT_TRUE(ProcessEventsUntil([&] { return wizard->currentId() != CPropertySheetFW::SelectPageId; }));
  EXPECT_FALSE(popup->isVisible());
  ASSERT_TRUE(ProcessEventsUntil([&] { return wizard->currentId() == CPropertySheetFW::ResultsPageId; }));
  EXPECT_FALSE(popup->isVisible());
  ASSERT_EQ(wizard->ResultsPage()->ResultList()->topLevelItemCount(), 1);
  EXPECT_EQ(wizard->ResultsPage()->ResultList()->topLevelItem(0)->text(CPageFWResults::CameraColumn),
            QString::fromStdString(camera.ServiceName));
  // Keys go where the window system sends them: to an open popup first.
  QWidget* target = QApplication::activePopupWidget();
  if (target == nullptr) target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : wizard.get();
  QTest::keyClick(target, Qt::Key_Return);
  EXPECT_FALSE(wizard->isVisible());
  EXPECT_EQ(wizard->result(), QDialog::Accepted);
}

// Cancel (and Escape) stay off from the start of the update until the results page is
// shown: no moment in between in which the wizard closes without its results.
TEST_F(FirmwareWizardSelect, CancelStaysOffUntilTheResultsAreShown) {
  auto wizard = MakeWizard();
  wizard->SelectPage()->PathEdit()->setText(WriteFile("fw.bin", "RVXFWIMG"));
  QAbstractButton* cancel = wizard->button(QWizard::CancelButton);
  std::vector<bool> cancelWhileUpdating;
  QObject::connect(wizard->ProgressPage(), &QWizardPage::completeChanged, [&] {
    cancelWhileUpdating.push_back(cancel->isEnabled());
    QTest::keyClick(wizard.get(), Qt::Key_Escape);
  });
  QObject::connect(wizard.get(), &QWizard::currentIdChanged, [&](int id) {
    if (id == CPropertySheetFW::ProgressPageId) cancelWhileUpdating.push_back(cancel->isEnabled());
  });
  wizard->button(QWizard::NextButton)->click();
  ASSERT_TRUE(ProcessEventsUntil([&] { return wizard->currentId() == CPropertySheetFW::ResultsPageId; }));
  EXPECT_EQ(cancelWhileUpdating, (std::vector<bool>{false, false}));
  EXPECT_TRUE(wizard->isVisible());
  EXPECT_FALSE(cancel->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(FirmwareCameraList, OneCopyPerSelectedIdInSelectionOrderGoneRecordsLeaveEmptySlots) {
  std::map<uint32_t, CBrowseRecord> live;
  live[3].ServiceName = "ZV000103";
  live[3].NetworkSettingsValid = true;
  live[7].ServiceName = "Office Printer";  // not a camera of ours: passed on all the same
  live[9].ServiceName = "ZV000109";        // unreachable: passed on too
  std::vector<uint32_t> asked;
  const RecordCopyGetter get = [&](uint32_t id, CBrowseRecord& record) {
    asked.push_back(id);
    const auto found = live.find(id);
    if (found == live.end()) {
      record.ServiceName = "half written";  // a getter that fails may have touched its output
      return false;
    }
    record = found->second;
    return true;
  };

  const std::vector<CBrowseRecord> list = BuildFirmwareCameraList({9, 4, 3, 7}, get);
  EXPECT_EQ(asked, (std::vector<uint32_t>{9, 4, 3, 7}));
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0].ServiceName, "ZV000109");
  EXPECT_EQ(list[1].ServiceName, "");
  EXPECT_EQ(list[1].ID, 0u);
  EXPECT_TRUE(list[1].TxtRecord.empty());
  EXPECT_EQ(list[2].ServiceName, "ZV000103");
  EXPECT_TRUE(list[2].NetworkSettingsValid);
  EXPECT_EQ(list[3].ServiceName, "Office Printer");
  EXPECT_TRUE(BuildFirmwareCameraList({}, get).empty());
}

}  // namespace
