// The quick filter in both camera views: which cameras it lets through, the selection it
// drops, records that come, change and go while it is set, and the list's order.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "gui/widgets/cameras_list_view.h"
#include "gui/widgets/cameras_view.h"
#include "tests/gui/views_test_fixture.h"

namespace {

using Fatal = QAbstractItemModelTester::FailureReportingMode;

CBrowseRecord Camera(uint32_t id, const std::string& name, const std::string& model, const std::string& serial,
                     const std::string& host, const std::string& mac, const std::string& net, const std::string& zc,
                     uint32_t ifIndex = 2) {
  CBrowseRecord record = MakeCamera(id, name, model, ifIndex);
  record.SetHostTarget(host.c_str());
  record.AddTxtValue(txtkey::kSerial, serial.c_str());
  record.AddTxtValue(txtkey::kMacAddress, mac.c_str());
  if (!net.empty()) record.AddTxtValue(txtkey::kIpv4Net, net.c_str());
  if (!zc.empty()) record.AddTxtValue(txtkey::kIpv4Zc, zc.c_str());
  return record;
}

class QuickFilterTest : public ViewsTest {
 protected:
  void SetUp() override {
    list_ = std::make_unique<CCamerasListView>(Host());
    tree_ = std::make_unique<CCamerasView>(Host());
    listTester_ = std::make_unique<QAbstractItemModelTester>(&list_->Model(), Fatal::Fatal);
    treeTester_ = std::make_unique<QAbstractItemModelTester>(&tree_->Model(), Fatal::Fatal);
    list_->OnInitialUpdate();
    tree_->OnInitialUpdate();
    Host().Put(Camera(1, "Lobby", "Ravix-B120", "SN-0001", "entrance.local.", "00:11:22:AA:BB:01", "192.168.77.20", ""));
    Host().Put(Camera(2, "Garage", "Ravix2-D400", "SN-0002", "garage.local.", "00:11:22:AA:BB:02", "",
                      "169.254.7.7"));
    Host().Put(Camera(3, "Yard", "Ravix-D210", "XK-7781", "yard.local.", "00:11:22:CC:DD:03", "10.1.0.30", "",
                      3));
  }
  void TearDown() override {
    listTester_.reset();
    treeTester_.reset();
    list_.reset();
    tree_.reset();
  }
  void Filter(const QString& text) {
    list_->SetFilterText(text);
    tree_->SetFilterText(text);
  }
  // The shown cameras of both views, each sorted by ID; they must agree.
  std::vector<uint32_t> Shown() const {
    std::vector<uint32_t> list = list_->ShownRecordIDs(), tree = tree_->ShownRecordIDs();
    std::sort(list.begin(), list.end());
    std::sort(tree.begin(), tree.end());
    EXPECT_EQ(list, tree) << "both views show the same cameras";
    for (uint32_t id : tree) EXPECT_TRUE(tree_->Model().FindNodeByTag(NodeTag::CameraTag(id)).isValid());
    return list;
  }
  std::vector<std::string> ListNames() const {
    std::vector<std::string> names;
    for (int row = 0; row < list_->Model().rowCount(); ++row)
      names.push_back(list_->Model().CellText(row, views::Column::Name).toStdString());
    return names;
  }

  std::unique_ptr<CCamerasListView> list_;
  std::unique_ptr<CCamerasView> tree_;
  std::unique_ptr<QAbstractItemModelTester> listTester_;
  std::unique_ptr<QAbstractItemModelTester> treeTester_;
};

// Each of the six fields matches on its own, in any letter case; other columns do not.
TEST_F(QuickFilterTest, MatchesNameModelSerialHostMacAndAddressesIgnoringCase) {
  const struct {
    const char* text;
    std::vector<uint32_t> shown;
  } cases[] = {
      {"lobby", {1}},         // name
      {"RAVIX2-d", {2}},      // model
      {"xk-77", {3}},         // serial
      {"ENTRANCE", {1}},      // host name only
      {"aa:bb", {1, 2}},      // MAC
      {"cc:dd:03", {3}},      // MAC
      {"192.168.77.2", {1}},  // configured address
      {"169.254", {2}},       // zeroconf address
      {"ravix", {1, 2, 3}},
      {"yes", {}},            // the Reachable column is not searched
      {"eth0", {}},           // nor the adapter
      {"", {1, 2, 3}},
  };
  for (const auto& c : cases) {
    Filter(QString::fromUtf8(c.text));
    EXPECT_EQ(Shown(), c.shown) << c.text;
    EXPECT_EQ(list_->Counts().shown, static_cast<int>(c.shown.size())) << c.text;
    EXPECT_EQ(tree_->Counts().shown, static_cast<int>(c.shown.size())) << c.text;
    EXPECT_EQ(list_->Counts().total, 3);
    EXPECT_EQ(tree_->Counts().total, 3);
  }
  // An adapter without shown cameras stays, empty, as it does without a filter.
  Filter(QStringLiteral("lobby"));
  const QModelIndex wlan0 = tree_->Model().FindNodeByTag(NodeTag::AdapterTag(3));
  ASSERT_TRUE(wlan0.isValid());
  EXPECT_EQ(tree_->Model().rowCount(wlan0), 0);
  EXPECT_TRUE(tree_->Model().FindNodeByTag(NodeTag::RootTag()).isValid());
}

// A filter that hides a selected camera takes it out of the selection; clearing the
// filter does not bring it back selected. The commands read only the shown selection.
TEST_F(QuickFilterTest, HidingASelectedCameraDeselectsIt) {
  list_->SelectAll();
  ASSERT_EQ(list_->GetSelectedRecordIDs(nullptr), 3u);
  ASSERT_EQ(tree_->SelectRecordIDs({2}), 1u);
  Filter(QStringLiteral("lobby"));
  std::vector<uint32_t> ids;
  EXPECT_EQ(list_->GetSelectedRecordIDs(&ids), 1u);
  EXPECT_EQ(ids, std::vector<uint32_t>{1});
  EXPECT_EQ(tree_->GetSelectedRecordIDs(&ids), 0u);
  Filter(QString());
  EXPECT_EQ(list_->GetSelectedRecordIDs(&ids), 1u);
  EXPECT_EQ(ids, std::vector<uint32_t>{1});
  // Select All selects what is shown.
  Filter(QStringLiteral("ravix-"));
  list_->SelectAll();
  EXPECT_EQ(list_->GetSelectedRecordIDs(&ids), 2u);
  EXPECT_EQ(ids, (std::vector<uint32_t>{1, 3}));
}

// While a filter is set, records arrive, change in and out of it and leave; hidden rows
// keep their place in the list's order and come back there.
TEST_F(QuickFilterTest, RecordsComeChangeAndGoWhileFiltered) {
  list_->OnColumnClick(views::Index(views::Column::Name));
  Filter(QStringLiteral("ravix2"));
  ASSERT_EQ(Shown(), std::vector<uint32_t>{2});

  Host().Put(Camera(4, "Attic", "Ravix2-B300", "SN-4", "attic.local.", "", "", ""));
  Host().Put(Camera(5, "Basement", "Ravix-B100", "SN-5", "basement.local.", "", "", ""));
  EXPECT_EQ(Shown(), (std::vector<uint32_t>{2, 4}));
  EXPECT_EQ(ListNames(), (std::vector<std::string>{"Attic", "Garage"}));
  EXPECT_EQ(list_->Counts().total, 5);
  EXPECT_EQ(tree_->Counts().total, 5);

  // Into the filter (and renamed, so it moves), out of it, and a hidden one renamed.
  Host().Put(Camera(1, "Hall", "Ravix2-D500", "SN-0001", "entrance.local.", "", "", ""));
  Host().Put(Camera(2, "Garage", "Ravix-B120", "SN-0002", "garage.local.", "", "", ""));
  Host().Put(Camera(5, "Cellar", "Ravix-B100", "SN-5", "basement.local.", "", "", ""));
  EXPECT_EQ(Shown(), (std::vector<uint32_t>{1, 4}));
  EXPECT_EQ(ListNames(), (std::vector<std::string>{"Attic", "Hall"}));

  Host().Drop(4);  // shown
  Host().Drop(3);  // hidden
  EXPECT_EQ(Shown(), std::vector<uint32_t>{1});
  EXPECT_EQ(list_->Counts().total, 3);
  EXPECT_EQ(tree_->Counts().total, 3);

  Filter(QString());
  EXPECT_EQ(ListNames(), (std::vector<std::string>{"Cellar", "Garage", "Hall"}));
  EXPECT_EQ(Shown(), (std::vector<uint32_t>{1, 2, 5}));
  EXPECT_EQ(tree_->Model().TextOf(tree_->Model().FindNodeByTag(NodeTag::CameraTag(5))), "Cellar");
}

}  // namespace
