// Add by Address: the dialog driven by keys over the stored addresses, refused entries,
// what OK and Cancel leave in the settings, the Refresh after OK and the menu item.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "gui/app/command_id.h"
#include "gui/app/main_frame.h"
#include "gui/dialogs/message_box.h"
#include "net/address_block.h"
#include "tests/gui/finder_doc_fixture.h"

using ravix::CommandId;
using Strings = std::vector<std::string>;

namespace {

class AddByAddressTest : public FinderDocFixture {
 protected:
  void SetUp() override {
    FinderDocFixture::SetUp();
    // A Refresh stops before it browses, so the test never probes the addresses it adds.
    doc_->SetRequeryWait(600000);
    previous_ = ravix::SetMessageBoxHandler([this](const ravix::MessageBoxRequest& request) {
      messages_.push_back(request.Text.toStdString());
      return QMessageBox::Ok;
    });
    QObject::connect(doc_.get(), &CRavixFinderDoc::RefreshStarted, [this] { ++refreshes_; });
  }

  void TearDown() override {
    // A dialog left open is closed (Cancel) and deleted while its document still lives.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->objectName() == QLatin1String("addByAddressDialog")) widget->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ravix::SetMessageBoxHandler(previous_);
    FinderDocFixture::TearDown();
  }

  void Store(const std::string& addresses) {
    ASSERT_TRUE(Profile().WriteProfileString(kSettingsSection, "Addresses", addresses));
  }
  Strings Stored() { return SettingsBlock::ReadAddresses(Profile()); }

  // Starts the command and returns its dialog.
  QDialog* Open() {
    if (!doc_->ExecuteCommand(CommandId::AddByAddress)) return nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->objectName() == QLatin1String("addByAddressDialog") && widget->isVisible())
        return qobject_cast<QDialog*>(widget);
    }
    return nullptr;
  }
  static QLineEdit* Entry(QDialog* dialog) { return dialog->findChild<QLineEdit*>(QStringLiteral("addressEntry")); }
  static QListWidget* List(QDialog* dialog) { return dialog->findChild<QListWidget*>(QStringLiteral("addressList")); }
  static QStringList Listed(QDialog* dialog) {
    QStringList texts;
    for (int row = 0; row < List(dialog)->count(); ++row) texts << List(dialog)->item(row)->text();
    return texts;
  }
  // Types text into the entry field and presses Return there.
  static void Type(QDialog* dialog, const QString& text) {
    Entry(dialog)->setFocus();
    Entry(dialog)->clear();
    QTest::keyClicks(Entry(dialog), text);
    QTest::keyClick(Entry(dialog), Qt::Key_Return);
  }

  ravix::MessageBoxHandler previous_;
  Strings messages_;
  int refreshes_ = 0;
};

std::string ParserMessage(const std::string& text) {
  std::vector<uint32_t> addresses;
  std::string error;
  EXPECT_FALSE(ravix::ParseAddressBlock(text, addresses, error));
  return error;
}

// Bad text, a block wider than /22 and a multicast address are each refused with the
// parser's own message; the dialog stays open with nothing added, and OK stores nothing.
TEST_F(AddByAddressTest, BadEntriesAreRefusedWithTheParsersMessage) {
  QDialog* dialog = Open();
  ASSERT_NE(dialog, nullptr);
  const Strings bad = {"10.0.0.300", "10.20.0.0/21", "224.0.0.251", "<b>cam</b>"};
  for (const std::string& text : bad) Type(dialog, QString::fromStdString(text));
  ASSERT_EQ(messages_.size(), bad.size());
  for (std::size_t i = 0; i < bad.size(); ++i) EXPECT_EQ(messages_[i], ParserMessage(bad[i])) << bad[i];
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_TRUE(Listed(dialog).isEmpty());
  EXPECT_EQ(Entry(dialog)->text(), "<b>cam</b>");  // kept for correcting
  EXPECT_TRUE(Stored().empty());
  EXPECT_EQ(refreshes_, 0);
}

// By keys only: Return adds the typed entry, Delete removes the selected one, Return on
// the empty field is OK. The list is stored, the engine's list follows (with what the
// command line added for this run, which is not stored) and a Refresh starts once the
// command has ended, never inside it.
TEST_F(AddByAddressTest, AddAndRemoveByKeysPersistAfterOK) {
  Store("192.0.2.5 192.0.2.10-20");
  core_->Settings.Addresses = {"192.0.2.5", "192.0.2.10-20", "198.51.100.7"};  // the last from --address
  QDialog* dialog = Open();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(Listed(dialog).join(' ').toStdString(), "192.0.2.5 192.0.2.10-20");
  Type(dialog, QStringLiteral(" 203.0.113.0/24 "));
  Type(dialog, QStringLiteral("192.0.2.5"));  // listed already: not twice
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(Listed(dialog).join(' ').toStdString(), "192.0.2.5 192.0.2.10-20 203.0.113.0/24");

  List(dialog)->setFocus();
  List(dialog)->setCurrentRow(0);
  QTest::keyClick(List(dialog), Qt::Key_Delete);
  EXPECT_EQ(Listed(dialog).join(' ').toStdString(), "192.0.2.10-20 203.0.113.0/24");
  EXPECT_EQ(Stored(), (Strings{"192.0.2.5", "192.0.2.10-20"}));  // nothing stored before OK

  Entry(dialog)->setFocus();
  QTest::keyClick(Entry(dialog), Qt::Key_Return);
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(Stored(), (Strings{"192.0.2.10-20", "203.0.113.0/24"}));
  EXPECT_EQ(core_->Settings.Addresses, (Strings{"192.0.2.10-20", "203.0.113.0/24", "198.51.100.7"}));
  EXPECT_EQ(refreshes_, 0);  // asked for, not started inside the command
  ASSERT_TRUE(ProcessEventsUntil([&] { return refreshes_ == 1; }));
}

// Cancel (Escape) after adding and removing leaves store and engine as they were.
TEST_F(AddByAddressTest, CancelChangesNothing) {
  Store("192.0.2.5");
  core_->Settings.Addresses = {"192.0.2.5"};
  QDialog* dialog = Open();
  ASSERT_NE(dialog, nullptr);
  Type(dialog, QStringLiteral("203.0.113.9"));
  List(dialog)->setFocus();
  List(dialog)->setCurrentRow(0);
  QTest::keyClick(List(dialog), Qt::Key_Delete);
  QTest::keyClick(dialog, Qt::Key_Escape);
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  EXPECT_EQ(Stored(), Strings{"192.0.2.5"});
  EXPECT_EQ(core_->Settings.Addresses, Strings{"192.0.2.5"});
  EXPECT_FALSE(doc_->IsCommandRunning());
  QApplication::processEvents();
  EXPECT_EQ(refreshes_, 0);
}

// The Camera menu holds the item; it is disabled while a command runs (a Refresh, or
// the dialog itself) and enabled again afterwards.
TEST_F(AddByAddressTest, MenuItemIsDisabledWhileACommandRuns) {
  CMainFrame::Options options;
  options.helpFile = QStringLiteral("/nonexistent/ravixfinder.html");
  options.powerEvents = false;
  auto frame = std::make_unique<CMainFrame>(*core_, state_, *doc_, options);
  auto* camera = frame->menuBar()->findChild<QMenu*>(QStringLiteral("menuCamera"));
  ASSERT_NE(camera, nullptr);
  QAction* item = doc_->Commands().Action(CommandId::AddByAddress);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->objectName(), "actionAddByAddress");
  EXPECT_TRUE(camera->actions().contains(item));
  EXPECT_EQ(item->statusTip(), "Adds or removes the addresses where cameras beyond the link are looked for");
  EXPECT_TRUE(item->isEnabled());

  ASSERT_TRUE(doc_->ExecuteCommand(CommandId::Refresh));  // waits for the responder
  EXPECT_FALSE(item->isEnabled());
  EXPECT_FALSE(doc_->ExecuteCommand(CommandId::AddByAddress));
  frame.reset();
}

TEST_F(AddByAddressTest, DialogOpenBlocksOtherCommands) {
  QDialog* dialog = Open();
  ASSERT_NE(dialog, nullptr);
  QAction* item = doc_->Commands().Action(CommandId::AddByAddress);
  EXPECT_FALSE(item->isEnabled());
  EXPECT_FALSE(doc_->ExecuteCommand(CommandId::Refresh));
  dialog->reject();
  EXPECT_TRUE(item->isEnabled());
}

}  // namespace
