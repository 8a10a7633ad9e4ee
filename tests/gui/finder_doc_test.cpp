// The document's commands against the real engine holding prepared records: when each
// command is enabled, the URLs Copy URL and Open In Browser produce, clipboard mode.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QUrl>
#include <QWidget>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gui/app/command_id.h"
#include "gui/models/camera_store.h"
#include "tests/gui/finder_doc_fixture.h"
#include "tests/gui/selection_stub.h"


using ravix::CommandId;
using ravix::ResourceNumber;

namespace {

class FinderDocTest : public FinderDocFixture {
 protected:
  void SetUp() override {
    FinderDocFixture::SetUp();
    core_->Settings.AlwaysUseIPAddress = false;
    doc_->SetMainWindow(&window_);
    doc_->SetShiftQuery([this] { return shift_; });
    doc_->SetActiveView(&view_);
    // 1 and 3 reachable, 2 not, 4 a printer (no vendor key, never reachable).
    finder_->Put({.id = 1, .name = "cam1", .netAddress = "192.168.0.201", .zcAddress = "169.254.3.4"});
    finder_->Put({.id = 2, .name = "cam2", .reachable = false});
    finder_->Put({.id = 3, .name = "cam3", .port = 8080});
    finder_->Put({.id = 4, .name = "printer", .reachable = false, .vendor = false});
  }

  std::string Clipboard() const { return QGuiApplication::clipboard()->text().toStdString(); }
  void SetClipboard(const char* text) const { QGuiApplication::clipboard()->setText(QString::fromUtf8(text)); }

  QWidget window_;
  SelectionStub view_;
  bool shift_ = false;
};

TEST_F(FinderDocTest, EnablingRules) {
  struct Row {
    const char* what;
    std::vector<uint32_t> selection;
    bool one;  // Copy URL, IP Settings
    bool any;  // Open In Browser, Update Firmware
  };
  const Row rows[] = {
      {"nothing selected", {}, false, false},
      {"one reachable", {1}, true, true},
      {"one unreachable", {2}, false, false},
      {"a printer", {4}, false, false},
      {"a record that is gone", {77}, false, false},
      {"two reachable", {1, 3}, false, true},
      {"unreachable and reachable", {2, 3}, false, true},
      {"two unreachable", {2, 4}, false, false},
  };
  const CommandId always[] = {CommandId::Refresh, CommandId::Requery, CommandId::SetDefaultPassword};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    view_.selected = row.selection;
    doc_->UpdateCommands();
    const std::map<CommandId, bool> expected = {{CommandId::CopyURL, row.one},
                                          {CommandId::IPSettings, row.one},
                                          {CommandId::OpenInBrowser, row.any},
                                          {CommandId::UpdateFirmware, row.any}};
    for (const auto& [id, enabled] : expected) {
      EXPECT_EQ(doc_->Commands().IsEnabled(id), enabled) << ResourceNumber(id);
      EXPECT_EQ(doc_->Commands().Action(id)->isEnabled(), enabled) << ResourceNumber(id);
    }
    for (CommandId id : always) EXPECT_TRUE(doc_->Commands().Action(id)->isEnabled()) << ResourceNumber(id);
  }

  // Without a camera view only the commands that are always enabled remain.
  doc_->SetActiveView(nullptr);
  doc_->UpdateCommands();
  for (CommandId id : {CommandId::CopyURL, CommandId::IPSettings, CommandId::OpenInBrowser, CommandId::UpdateFirmware})
    EXPECT_FALSE(doc_->Commands().Action(id)->isEnabled()) << ResourceNumber(id);
  for (CommandId id : always) EXPECT_TRUE(doc_->Commands().Action(id)->isEnabled()) << ResourceNumber(id);
}

// The rule is asked again when the command arrives: an action still shown enabled from an
// earlier selection does nothing once its rule no longer holds.
TEST_F(FinderDocTest, StaleEnabledActionDoesNotRun) {
  view_.selected = {1};
  doc_->UpdateCommands();
  QAction* open = doc_->Commands().Action(CommandId::OpenInBrowser);
  ASSERT_TRUE(open->isEnabled());
  view_.selected = {2};
  open->trigger();
  EXPECT_TRUE(opened_.empty());
  EXPECT_FALSE(open->isEnabled());

  view_.selected = {1};
  doc_->UpdateCommands();
  SetClipboard("kept");
  view_.selected = {1, 3};
  doc_->Commands().Action(CommandId::CopyURL)->trigger();
  EXPECT_EQ(Clipboard(), "kept");
}

TEST_F(FinderDocTest, BuildCameraURL) {
  EXPECT_EQ(CRavixFinderDoc::BuildCameraURL("cam1.local.", 0, ""), "http://cam1.local./");
  EXPECT_EQ(CRavixFinderDoc::BuildCameraURL("10.0.0.5", 80, "/index.html"), "http://10.0.0.5:80/index.html");
  EXPECT_EQ(CRavixFinderDoc::BuildCameraURL("10.0.0.5", 65535, "x?a=1"), "http://10.0.0.5:65535/x?a=1");
}

TEST_F(FinderDocTest, CopyURLWithShiftGivesOneLinePerAddress) {
  shift_ = true;
  view_.selected = {1};
  ASSERT_TRUE(doc_->ExecuteCommand(CommandId::CopyURL));
  EXPECT_EQ(Clipboard(), "http://192.168.0.201:80/index.html\r\nhttp://169.254.3.4:80/index.html");

  // Port 0 and no path: scheme, host and the root path.
  finder_->Put({.id = 5, .name = "cam5", .port = 0, .path = "", .netAddress = "10.1.2.3", .zcAddress = "169.254.9.9"});
  view_.selected = {5};
  ASSERT_TRUE(doc_->ExecuteCommand(CommandId::CopyURL));
  EXPECT_EQ(Clipboard(), "http://10.1.2.3/\r\nhttp://169.254.9.9/");

  // A missing address gives no line (an empty host is no URL).
  finder_->Put({.id = 6, .name = "cam6", .netAddress = "10.1.2.4"});
  view_.selected = {6};
  ASSERT_TRUE(doc_->ExecuteCommand(CommandId::CopyURL));
  EXPECT_EQ(Clipboard(), "http://10.1.2.4:80/index.html");
  finder_->Put({.id = 7, .name = "cam7", .zcAddress = "169.254.7.7"});
  view_.selected = {7};
  ASSERT_TRUE(doc_->ExecuteCommand(CommandId::CopyURL));
  EXPECT_EQ(Clipboard(), "http://169.254.7.7:80/index.html");

  // No address at all: nothing to copy, the clipboard keeps its text.
  SetClipboard("kept");
  view_.selected = {3};
  ASSERT_TRUE(doc_->ExecuteCommand(CommandId::CopyURL));
  EXPECT_EQ(Clipboard(), "kept");
}

// Without Shift the URL uses the address in the subnet of the camera's adapter; a camera
// whose adapter has no such subnet leaves the clipboard alone (no route is touched).
TEST_F(FinderDocTest, CopyURLWithoutShiftNeedsAnAddressOnTheAdapter) {
  SetClipboard("kept");
  view_.selected = {1};
  ASSERT_TRUE(doc_->ExecuteCommand(CommandId::CopyURL));
  EXPECT_EQ(Clipboard(), "kept");
}

// The clipboard belongs to the application, not to a window: a copy made while no main
// window is set (clipboard mode before the window shows, the window closing) still lands.
TEST_F(FinderDocTest, CopyTextNeedsNoMainWindow) {
  EXPECT_TRUE(doc_->CopyTextToClipboard("http://a"));
  EXPECT_EQ(Clipboard(), "http://a");
  doc_->SetMainWindow(nullptr);
  EXPECT_TRUE(doc_->CopyTextToClipboard("http://b"));
  EXPECT_EQ(Clipboard(), "http://b");
}

TEST_F(FinderDocTest, OpenInBrowserInListOrderSkipsUnreachable) {
  view_.selected = {3, 2, 4, 1, 77};
  ASSERT_TRUE(doc_->ExecuteCommand(CommandId::OpenInBrowser));
  EXPECT_EQ(opened_, (std::vector<std::string>{"http://cam3.local.:8080/index.html", "http://cam1.local.:80/index.html"}));

  // Addressed by IP: a camera without an address on its adapter is skipped silently.
  opened_.clear();
  core_->Settings.AlwaysUseIPAddress = true;
  view_.selected = {1};
  ASSERT_TRUE(doc_->ExecuteCommand(CommandId::OpenInBrowser));
  EXPECT_TRUE(opened_.empty());
  EXPECT_EQ(state_.ExitCode, 0);
}

// The document copies and says so; the application ends the mode (its own test).
TEST_F(FinderDocTest, ClipboardModeCopiesInsteadOfOpening) {
  state_.ClipboardMode = true;
  std::vector<std::string> copied;
  QObject::connect(doc_.get(), &CRavixFinderDoc::ClipboardCopyDone,
                   [&](const QString& url) { copied.push_back(url.toStdString()); });
  view_.selected = {3};
  ASSERT_TRUE(doc_->ExecuteCommand(CommandId::OpenInBrowser));
  EXPECT_TRUE(opened_.empty());
  EXPECT_EQ(Clipboard(), "http://cam3.local.:8080/index.html");
  EXPECT_EQ(copied, (std::vector<std::string>{"http://cam3.local.:8080/index.html"}));
  EXPECT_EQ(state_.ExitCode, 0);  // the application's to set
}

TEST_F(FinderDocTest, StoreGivesEveryRecordInListOrder) {
  const std::vector<CBrowseRecord> records = doc_->Store().Records();
  ASSERT_EQ(records.size(), 4u);
  for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(records[i].ID, i + 1);
}

// The commands follow the selection the view reports and the changes of the selected
// records; a change of another record leaves them as they are (no re-evaluation per
// record event).
TEST_F(FinderDocTest, CommandStateFollowsTheSelectionAndItsRecords) {
  QAction* copy = doc_->Commands().Action(CommandId::CopyURL);
  view_.Select({1});
  EXPECT_TRUE(copy->isEnabled());
  view_.Select({2});
  EXPECT_FALSE(copy->isEnabled()) << "cam2 is not reachable";

  finder_->Put({.id = 2, .name = "cam2"});  // now reachable
  doc_->Store().Apply({RecordOperation::Update, 2});
  EXPECT_TRUE(copy->isEnabled()) << "the selected camera became reachable";

  view_.selected = {4};  // unreported: the document still knows {2}
  doc_->Store().Apply({RecordOperation::Update, 3});
  EXPECT_TRUE(copy->isEnabled()) << "a record outside the selection re-evaluated the commands";
  doc_->Store().Apply({RecordOperation::Remove, 2});
  EXPECT_FALSE(copy->isEnabled()) << "a selected record's change re-evaluates the commands";

  view_.Select({1});
  ASSERT_TRUE(copy->isEnabled());
  view_.selected = {4};
  doc_->Store().Clear();
  EXPECT_FALSE(copy->isEnabled()) << "clearing the records re-evaluates the commands";
}

// Refresh empties the engine and the view and starts the requery timer with the
// configured period; with 0 no timer runs.
TEST_F(FinderDocTest, RefreshClearsAndStartsTheRequeryTimer) {
  core_->Settings.MachineSleepInterval = 1234;
  int cleared = 0;
  QObject::connect(&doc_->Store(), &CameraStore::Cleared, [&] { ++cleared; });
  ASSERT_TRUE(doc_->ExecuteCommand(CommandId::Refresh));
  EXPECT_EQ(cleared, 1);
  CBrowseRecord record;
  EXPECT_FALSE(doc_->GetRecord(1, record));
  EXPECT_TRUE(state_.PeriodicRequeryRunning());
  EXPECT_EQ(state_.PeriodicRequeryInterval(), 1234);

  core_->Settings.MachineSleepInterval = 0;
  ASSERT_TRUE(doc_->ExecuteCommand(CommandId::Refresh));
  EXPECT_FALSE(state_.PeriodicRequeryRunning());
}

// A command that waits for the responder: no document command starts meanwhile, a
// Refresh asked for during a Refresh runs after it (never inside it), and Copy URL keeps
// the Shift state of the moment it was triggered for its later step.
TEST_F(FinderDocTest, WaitingCommandsRunOneAfterAnother) {
  doc_->SetRequeryWait(50);
  std::vector<std::string> steps;
  QObject::connect(doc_.get(), &CRavixFinderDoc::RefreshStarted, [&] { steps.push_back("start"); });
  QObject::connect(doc_.get(), &CRavixFinderDoc::RefreshEnded, [&] { steps.push_back("end"); });
  int idle = 0;
  QObject::connect(doc_.get(), &CRavixFinderDoc::CommandsIdle, [&] { ++idle; });

  ASSERT_TRUE(doc_->ExecuteCommand(CommandId::Refresh));
  EXPECT_TRUE(doc_->IsCommandRunning());
  doc_->UpdateCommands();
  for (CommandId id : {CommandId::Refresh, CommandId::Requery, CommandId::SetDefaultPassword, CommandId::CopyURL})
    EXPECT_FALSE(doc_->Commands().Action(id)->isEnabled()) << ResourceNumber(id);
  EXPECT_FALSE(doc_->ExecuteCommand(CommandId::Refresh));  // not started, not remembered
  doc_->RequestCommand(CommandId::Refresh);                // remembered: runs after this one
  ASSERT_TRUE(ProcessEventsUntil([&] { return steps.size() == 4 && !doc_->IsCommandRunning(); }));
  EXPECT_EQ(steps, (std::vector<std::string>{"start", "end", "start", "end"}));
  EXPECT_EQ(idle, 1);
  EXPECT_TRUE(doc_->Commands().Action(CommandId::Refresh)->isEnabled());

  finder_->Put({.id = 1, .name = "cam1", .netAddress = "192.168.0.201", .zcAddress = "169.254.3.4"});
  view_.selected = {1};
  doc_->UpdateCommands();
  SetClipboard("kept");
  shift_ = true;  // held while Ctrl+Shift+C is pressed, let go during the pause
  ASSERT_TRUE(doc_->ExecuteCommand(CommandId::CopyURL));
  shift_ = false;
  EXPECT_EQ(Clipboard(), "kept");  // not yet: the responder is still being asked
  ASSERT_TRUE(ProcessEventsUntil([&] { return !doc_->IsCommandRunning(); }));
  EXPECT_EQ(Clipboard(), "http://192.168.0.201:80/index.html\r\nhttp://169.254.3.4:80/index.html");
}

}  // namespace
