// Export List: the shown cameras in the list's order, written by the --list writer, and
// failures that say so and leave no file and the old file as it was.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gui/app/command_id.h"
#include "gui/app/main_frame.h"
#include "gui/widgets/cameras_view_common_base.h"
#include "gui/dialogs/message_box.h"
#include "gui/widgets/cameras_list_view.h"
#include "shell/camera_listing.h"
#include "tests/gui/finder_doc_fixture.h"

using ravix::CommandId;

namespace {

CBrowseRecord Camera(uint32_t id, const std::string& name, const std::string& model) {
  CBrowseRecord record = CameraRecord({.id = id, .name = name, .netAddress = "192.168.77." + std::to_string(id)});
  record.AddTxtValue(txtkey::kModel, model.c_str());
  record.AddTxtValue(txtkey::kSerial, ("SN-" + std::to_string(id)).c_str());
  return record;
}

// Line breaks between records: those outside quoted fields.
int CsvRecordCount(const std::string& text) {
  int count = 0;
  bool quoted = false;
  for (char ch : text) {
    if (ch == '"') quoted = !quoted;
    if (ch == '\n' && !quoted) ++count;
  }
  return count;
}

class ExportListTest : public FinderDocFixture {
 protected:
  void SetUp() override {
    FinderDocFixture::SetUp();
    finder_->PutRecord(Camera(1, "Cam10", "Ravix-B120"));
    finder_->PutRecord(Camera(2, "cam2", "Ravix2-D400"));
    // Text from a camera that would break a careless CSV or JSON writer.
    finder_->PutRecord(Camera(3, "Evil, \"quoted\"\r\nline\x1b[31m\t\x01end", "Ravix-B120"));
    finder_->PutRecord(Camera(4, "Other", "Ravix-D210"));
    ravix::SetMessageBoxHandler([this](const ravix::MessageBoxRequest& request) {
      messages_.push_back(request.Text);
      return QMessageBox::Ok;
    });
    doc_->SetExportFileChooser([this](QWidget*, ExportFileDone done) { done(target_); });
  }
  void TearDown() override {
    ravix::SetMessageBoxHandler({});
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
  bool Export(const QString& path, ListingFormat format) {
    target_ = ExportTarget{path, format};
    messages_.clear();
    return doc_->ExecuteCommand(CommandId::ExportList);
  }
  // What the --list writer gives for these records.
  std::string Listing(const std::vector<uint32_t>& ids, ListingFormat format) {
    std::vector<CBrowseRecord> records;
    for (uint32_t id : ids) {
      CBrowseRecord record;
      EXPECT_TRUE(doc_->GetRecord(id, record));
      records.push_back(record);
    }
    return FormatCameraListing(records, format, [](uint32_t) { return std::nullopt; });
  }
  static std::string Contents(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return "<missing>";
    return file.readAll().toStdString();
  }

  std::unique_ptr<CMainFrame> frame_;
  std::optional<ExportTarget> target_;
  QStringList messages_;
};

// The file holds exactly what --list writes for the shown cameras, in the list's order;
// with the tree shown, the order of the list's stored sort keys.
TEST_F(ExportListTest, ExportWritesTheShownRowsWithTheListWriter) {
  MakeFrame(ViewMode::List);
  auto* list = dynamic_cast<CCamerasListView*>(frame_->ActiveView());
  ASSERT_NE(list, nullptr);
  list->OnColumnClick(views::Index(views::Column::Name));
  list->OnColumnClick(views::Index(views::Column::Name));  // descending
  frame_->FilterField()->setText(QStringLiteral("ravix-b"));
  const std::vector<uint32_t> order = {3, 1};  // "Evil..." before "Cam10"
  ASSERT_EQ(list->ShownRecordIDs(), order);

  const QString csv = TempPath(QStringLiteral("cameras.csv"));
  ASSERT_TRUE(Export(csv, ListingFormat::Csv));
  EXPECT_TRUE(messages_.isEmpty());
  const std::string csvText = Contents(csv);
  EXPECT_EQ(csvText, Listing(order, ListingFormat::Csv));
  EXPECT_EQ(CsvRecordCount(csvText), 3) << "header and two rows, whatever the names hold";

  const QString json = TempPath(QStringLiteral("cameras.json"));
  ASSERT_TRUE(Export(json, ListingFormat::Json));
  const std::string jsonText = Contents(json);
  EXPECT_EQ(jsonText, Listing(order, ListingFormat::Json));
  ASSERT_TRUE(nlohmann::json::accept(jsonText));
  const auto parsed = nlohmann::json::parse(jsonText);
  ASSERT_EQ(parsed.size(), 2u);
  EXPECT_EQ(parsed[0]["Name"], "Evil, \"quoted\"\r\nline\x1b[31m\t\x01end");
  EXPECT_EQ(parsed[1]["Serial"], "SN-1");

  // The tree has no columns: it exports in the order the list keeps (saved on the switch).
  frame_->OnViewTree(CommandId::ViewTree);
  ASSERT_TRUE(Export(csv, ListingFormat::Csv));
  EXPECT_EQ(Contents(csv), Listing(order, ListingFormat::Csv));
}

// A file that cannot be written: a message naming it and the reason, no file or temporary
// file left, and an old file of that name as it was.
TEST_F(ExportListTest, UnwritableTargetLeavesNoFileAndKeepsTheOldOne) {
  MakeFrame(ViewMode::List);
  const QString folder = TempPath(QStringLiteral("out"));
  ASSERT_TRUE(QDir().mkpath(folder));
  const QString target = folder + QStringLiteral("/cameras.csv");
  {
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old contents\n");
  }
  const auto onlyTheOldFile = [&] {
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("cameras.csv")});
    EXPECT_EQ(Contents(target), "old contents\n");
  };

  // No such folder.
  const QString missing = TempPath(QStringLiteral("missing/cameras.csv"));
  ASSERT_TRUE(Export(missing, ListingFormat::Csv));
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].contains(QDir::toNativeSeparators(missing))) << messages_[0].toStdString();
  EXPECT_FALSE(QFile::exists(missing));

  // The disk takes only a few bytes: the write fails part way.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit before{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
  rlimit tiny = before;
  tiny.rlim_cur = 16;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
  const bool ran = Export(target, ListingFormat::Json);
  setrlimit(RLIMIT_FSIZE, &before);
  ASSERT_TRUE(ran);
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].contains(QDir::toNativeSeparators(target))) << messages_[0].toStdString();
  onlyTheOldFile();

  // A folder the user may not write to (root may write anywhere).
  if (geteuid() == 0) return;
  ASSERT_TRUE(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
  const bool denied = Export(target, ListingFormat::Csv);
  QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  ASSERT_TRUE(denied);
  ASSERT_EQ(messages_.size(), 1);
  onlyTheOldFile();
}

}  // namespace
