// The row and node rules of the two item models (upsert, remove, reset, the ZorvikOnly
// rule, adapter nodes made on demand), each model under QAbstractItemModelTester; and the
// views taking the record from the update instead of asking for it.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gui/models/camera_list_model.h"
#include "gui/models/camera_tree_model.h"
#include "gui/widgets/cameras_list_view.h"
#include "gui/widgets/cameras_view.h"
#include "tests/gui/views_test_fixture.h"
#include "views/record_columns.h"

namespace {

using Fatal = QAbstractItemModelTester::FailureReportingMode;

CBrowseRecord Named(CBrowseRecord record, const std::string& name) {
  record.ServiceName = name;
  return record;
}

CBrowseRecord WithoutVendor(CBrowseRecord record) {
  record.TxtRecord.erase(txtkey::kVendor);
  return record;
}

views::AdapterNameLookup Adapters(std::map<uint32_t, std::string> names) {
  return [names = std::move(names)](uint32_t ifIndex) -> std::optional<std::string> {
    const auto found = names.find(ifIndex);
    if (found == names.end()) return std::nullopt;
    return found->second;
  };
}

std::vector<std::string> Texts(const CameraTreeModel& model, const QModelIndex& parent) {
  std::vector<std::string> texts;
  for (int row = 0; row < model.rowCount(parent); ++row) {
    texts.push_back(model.TextOf(model.index(row, 0, parent)).toStdString());
  }
  return texts;
}

TEST(CameraListModelTest, UpsertRemoveResetAndTheVendorRule) {
  CameraListModel model(Adapters({{2, "eth0"}}));
  QAbstractItemModelTester tester(&model, Fatal::Fatal);
  model.SetSortKeys({views::Index(views::Column::Name), kEmptySortKey, kEmptySortKey, kEmptySortKey, kEmptySortKey});

  EXPECT_EQ(model.Upsert(MakeCamera(1, "Cam10", "Ravix-B120")), CameraListModel::Change::Inserted);
  EXPECT_EQ(model.Upsert(MakeCamera(2, "Cam2", "Ravix-B120")), CameraListModel::Change::Inserted);
  int row = -1;
  EXPECT_EQ(model.Upsert(Named(MakeCamera(1, "Cam1", "Ravix-D210"), "Cam1"), &row), CameraListModel::Change::Updated);
  ASSERT_EQ(model.rowCount(), 2) << "upserting a record twice keeps one row";
  EXPECT_EQ(row, 0) << "the renamed row moved to its sort place";
  EXPECT_EQ(model.CellText(0, views::Column::Name), "Cam1");
  EXPECT_EQ(model.CellText(0, views::Column::Type), "Dome") << "every cell refilled from the new copy";
  EXPECT_EQ(model.RecordAt(0).ServiceName, "Cam1");
  EXPECT_EQ(model.CellText(1, views::Column::ConnectedTo), "eth0");

  EXPECT_EQ(model.Upsert(MakeCamera(0, "Nobody", "")), CameraListModel::Change::Ignored) << "ID 0 names no record";
  EXPECT_EQ(model.Upsert(WithoutVendor(MakeCamera(3, "Printer", ""))), CameraListModel::Change::Ignored);
  EXPECT_EQ(model.Upsert(WithoutVendor(MakeCamera(2, "Cam2", ""))), CameraListModel::Change::Hidden)
      << "a row whose record lost the vendor key goes";
  EXPECT_EQ(model.RowOf(2), -1);
  EXPECT_EQ(model.rowCount(), 1);

  model.SetZorvikOnly(false);
  EXPECT_EQ(model.Upsert(WithoutVendor(MakeCamera(3, "Printer", ""))), CameraListModel::Change::Inserted);
  EXPECT_EQ(model.CellText(model.RowOf(3), views::Column::Reachable), "no");

  EXPECT_TRUE(model.Remove(1));
  EXPECT_FALSE(model.Remove(1)) << "a second remove finds no row";
  EXPECT_EQ(model.rowCount(), 1);
  model.Reset();
  EXPECT_EQ(model.rowCount(), 0);
  model.Reset();
  EXPECT_EQ(model.Upsert(MakeCamera(1, "Cam1", "")), CameraListModel::Change::Inserted) << "usable after a reset";
}

TEST(CameraTreeModelTest, AdapterNodesOnDemandStayUntilReset) {
  // The table knows eth0 (2) and wlan0 (3); usb0 (7) appears after the tree was built.
  CameraTreeModel model(Adapters({{2, "eth0"}, {3, "wlan0"}, {7, "usb0"}}));
  QAbstractItemModelTester tester(&model, Fatal::Fatal);
  const QModelIndex root =
      model.Reset(QStringLiteral("pc"), {{3, QStringLiteral("wlan0")}, {2, QStringLiteral("eth0")}});
  ASSERT_TRUE(root.isValid());
  EXPECT_EQ(model.rowCount(), 1) << "the root is the only top-level node";
  EXPECT_EQ(Texts(model, root), (std::vector<std::string>{"eth0", "wlan0"}));

  CameraTreeModel::Placement first = model.Upsert(MakeCamera(1, "Cam10", "", 2));
  EXPECT_EQ(first.change, CameraTreeModel::Change::Inserted);
  EXPECT_FALSE(first.newAdapter.isValid());
  EXPECT_EQ(model.TagOf(first.parent), NodeTag::AdapterTag(2));
  model.Upsert(MakeCamera(2, "cam2", "", 2));
  const CameraTreeModel::Placement renamed = model.Upsert(MakeCamera(1, "Cam1", "Ravix-D210", 2));
  EXPECT_EQ(renamed.change, CameraTreeModel::Change::Updated);
  const QModelIndex eth0 = model.FindNodeByTag(NodeTag::AdapterTag(2));
  EXPECT_EQ(Texts(model, eth0), (std::vector<std::string>{"Cam1", "cam2"})) << "one node per camera, natural order";
  EXPECT_EQ(model.ImageOf(renamed.camera), views::kImageDomeCamera);

  const CameraTreeModel::Placement onUsb = model.Upsert(MakeCamera(3, "Lobby", "", 7));
  ASSERT_TRUE(onUsb.newAdapter.isValid()) << "the adapter node is made on demand";
  EXPECT_EQ(model.TextOf(onUsb.newAdapter), "usb0");
  EXPECT_EQ(model.parent(onUsb.newAdapter), root);
  EXPECT_EQ(Texts(model, root), (std::vector<std::string>{"eth0", "usb0", "wlan0"}));
  EXPECT_FALSE(model.Upsert(MakeCamera(4, "Hall", "", 7)).newAdapter.isValid()) << "made once";
  EXPECT_EQ(model.rowCount(onUsb.newAdapter), 2);

  const CameraTreeModel::Placement stray = model.Upsert(MakeCamera(5, "Stray", "", 42));
  EXPECT_EQ(stray.parent, root) << "a camera of an unknown adapter sits under the root";
  EXPECT_EQ(model.parent(stray.camera), root);
  // Completed, the camera has the adapter of its route: its node moves there, keeping its tag.
  const CameraTreeModel::Placement routed = model.Upsert(MakeCamera(5, "Gate", "", 2));
  EXPECT_EQ(routed.change, CameraTreeModel::Change::Moved);
  EXPECT_EQ(model.parent(routed.camera), model.FindNodeByTag(NodeTag::AdapterTag(2)));
  EXPECT_EQ(Texts(model, routed.parent), (std::vector<std::string>{"Cam1", "cam2", "Gate"}));
  EXPECT_EQ(Texts(model, root), (std::vector<std::string>{"eth0", "usb0", "wlan0"})) << "nothing left under the root";
  EXPECT_EQ(model.Upsert(MakeCamera(5, "Gate", "", 2)).change, CameraTreeModel::Change::Updated);
  model.Remove(5);

  EXPECT_TRUE(model.Remove(3));
  EXPECT_TRUE(model.Remove(4));
  EXPECT_FALSE(model.Remove(4));
  const QModelIndex usb0 = model.FindNodeByTag(NodeTag::AdapterTag(7));
  ASSERT_TRUE(usb0.isValid()) << "an adapter node outlives its last camera";
  EXPECT_EQ(model.rowCount(usb0), 0);

  model.SetZorvikOnly(true);
  EXPECT_EQ(model.Upsert(WithoutVendor(MakeCamera(6, "Printer", "", 2))).change, CameraTreeModel::Change::Ignored);
  EXPECT_EQ(model.Upsert(WithoutVendor(MakeCamera(2, "cam2", "", 2))).change, CameraTreeModel::Change::Hidden);
  EXPECT_FALSE(model.FindNodeByTag(NodeTag::CameraTag(2)).isValid());
  model.SetZorvikOnly(false);
  const CameraTreeModel::Placement printer = model.Upsert(WithoutVendor(MakeCamera(6, "Printer", "", 2)));
  EXPECT_EQ(printer.change, CameraTreeModel::Change::Inserted);
  EXPECT_EQ(model.ImageOf(printer.camera), views::kImageOtherDevice);

  const QModelIndex again = model.Reset(QStringLiteral("pc"), {{2, QStringLiteral("eth0")}});
  EXPECT_EQ(Texts(model, again), (std::vector<std::string>{"eth0"})) << "the reset drops made adapters and cameras";
  EXPECT_EQ(model.rowCount(model.FindNodeByTag(NodeTag::AdapterTag(2))), 0);
}

using ViewUpdatesTest = ViewsTest;

// Both models follow one store: it reads each record once per notification, however
// many models follow it; a stale Update (the record gone) and an unknown operation
// change nothing.
TEST_F(ViewUpdatesTest, ModelsFollowOneStoreThatReadsEachRecordOnce) {
  CCamerasListView list(Host());
  CCamerasView tree(Host());
  QAbstractItemModelTester listTester(&list.Model(), Fatal::Fatal);
  QAbstractItemModelTester treeTester(&tree.Model(), Fatal::Fatal);
  list.OnInitialUpdate();
  tree.OnInitialUpdate();
  Host().recordReads = 0;
  for (uint32_t id = 1; id <= 30; ++id) Host().Put(MakeCamera(id, "Cam" + std::to_string(id), "", id % 2 ? 2 : 3));
  Host().Put(MakeCamera(7, "Renamed", "", 3));
  Host().Drop(8);
  EXPECT_EQ(Host().recordReads, 31) << "a record was read more than once for one notification";
  EXPECT_EQ(list.Model().rowCount(), 29);
  EXPECT_EQ(list.Model().CellText(list.Model().RowOf(7), views::Column::Name), "Renamed");
  EXPECT_EQ(tree.Model().TextOf(tree.Model().FindNodeByTag(NodeTag::CameraTag(7))), "Renamed");
  EXPECT_FALSE(tree.Model().FindNodeByTag(NodeTag::CameraTag(8)).isValid());

  Host().records.erase(9);
  Host().Notify({RecordOperation::Update, 9});
  EXPECT_NE(list.Model().RowOf(9), -1) << "an Update whose record is gone leaves the row";
  Host().Notify({static_cast<RecordOperation>(9), 9});
  EXPECT_EQ(list.Model().rowCount(), 29) << "an unknown operation is ignored";

  EXPECT_TRUE(list.CanSelectAll());
  list.SelectAll();
  EXPECT_EQ(list.GetSelectedRecordIDs(nullptr), 29u);
  EXPECT_FALSE(tree.CanSelectAll());
  tree.SelectRecordIDs({7});
  tree.SelectAll();
  std::vector<uint32_t> ids;
  EXPECT_EQ(tree.GetSelectedRecordIDs(&ids), 1u);
  EXPECT_EQ(ids, std::vector<uint32_t>{7}) << "Select All leaves the tree's selection";
}

}  // namespace
