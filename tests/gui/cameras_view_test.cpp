// The camera tree: placement under adapters and the root, natural order, the vendor
// rule, tooltips, selection and commands.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QHelpEvent>
#include <QMenu>
#include <QTest>
#include <QToolTip>

#include <memory>

#include "gui/models/app_image_list.h"
#include "gui/widgets/cameras_list_view.h"
#include "gui/widgets/cameras_view.h"
#include "tests/gui/views_test_fixture.h"
#include "views/record_columns.h"

namespace {

class TreeViewTest : public ViewsTest {
 protected:
  CCamerasView& MakeView() {
    view_ = std::make_unique<CCamerasView>(Host());
    tester_ = std::make_unique<QAbstractItemModelTester>(&view_->Model(),
                                                         QAbstractItemModelTester::FailureReportingMode::Fatal);
    view_->resize(400, 400);
    view_->show();
    view_->OnInitialUpdate();
    return *view_;
  }
  QModelIndex Node(NodeTag tag) const { return view_->Model().FindNodeByTag(tag); }
  std::vector<std::string> Children(const QModelIndex& parent) const {
    std::vector<std::string> texts;
    for (int row = 0; row < view_->Model().rowCount(parent); ++row) {
      texts.push_back(view_->Model().TextOf(view_->Model().index(row, 0, parent)).toStdString());
    }
    return texts;
  }

  std::unique_ptr<CCamerasView> view_;
  std::unique_ptr<QAbstractItemModelTester> tester_;
};

TEST_F(TreeViewTest, CamerasUnderTheirAdaptersInNaturalOrder) {
  CCamerasView& view = MakeView();
  CameraTreeModel& model = view.Model();
  const QModelIndex root = Node(NodeTag::RootTag());
  ASSERT_TRUE(root.isValid());
  EXPECT_EQ(model.rowCount(), 1);
  EXPECT_EQ(model.TextOf(root), CCamerasView::RootText());
  EXPECT_EQ(model.ImageOf(root), static_cast<int>(AppImage::Computer));
  EXPECT_EQ(Children(root), (std::vector<std::string>{"eth0", "wlan0"})) << "adapters sorted by name";
  EXPECT_TRUE(view.isExpanded(root));
  EXPECT_EQ(view.currentIndex(), root);

  Host().Put(MakeCamera(1, "Cam10", "Ravix-B120", 2));
  Host().Put(MakeCamera(2, "cam2", "Ravix-D210", 2));
  Host().Put(MakeCamera(3, "Cam1", "Ravix-B120", 2));
  Host().Put(MakeCamera(4, "Lobby", "Ravix-B120", 3));
  Host().Put(MakeCamera(5, "Stray", "Ravix-B120", 42));  // no such adapter
  const QModelIndex eth0 = Node(NodeTag::AdapterTag(2)), wlan0 = Node(NodeTag::AdapterTag(3));
  EXPECT_EQ(Children(eth0), (std::vector<std::string>{"Cam1", "cam2", "Cam10"}));
  EXPECT_EQ(Children(wlan0), (std::vector<std::string>{"Lobby"}));
  EXPECT_EQ(Children(root), (std::vector<std::string>{"eth0", "Stray", "wlan0"}));
  EXPECT_TRUE(view.isExpanded(eth0));
  EXPECT_TRUE(view.isExpanded(wlan0));
  EXPECT_EQ(model.ImageOf(Node(NodeTag::CameraTag(2))), static_cast<int>(AppImage::DomeCamera));
  EXPECT_EQ(model.ImageOf(eth0), static_cast<int>(AppImage::Adapter));

  // A rename moves the node to its new place; a removal takes only the camera.
  Host().Put(MakeCamera(1, "Cam0", "Ravix-B120", 2));
  EXPECT_EQ(Children(eth0), (std::vector<std::string>{"Cam0", "Cam1", "cam2"}));
  Host().Drop(4);
  Host().Notify({RecordOperation::Remove, 4});
  EXPECT_TRUE(Children(wlan0).empty()) << "the adapter node stays";
  EXPECT_TRUE(Node(NodeTag::AdapterTag(3)).isValid());
  Host().Notify({static_cast<RecordOperation>(0), 1});

  Host().Notify({RecordOperation::ClearAll, 0});
  EXPECT_EQ(model.rowCount(), 1);
  EXPECT_EQ(Children(Node(NodeTag::RootTag())), (std::vector<std::string>{"eth0", "wlan0"}));
}

TEST_F(TreeViewTest, VendorRuleAndFindNodeByTag) {
  CCamerasView& view = MakeView();
  CBrowseRecord printer = MakeCamera(7, "Printer", "", 2);
  printer.TxtRecord.erase(txtkey::kVendor);
  Host().Put(printer);
  EXPECT_FALSE(Node(NodeTag::CameraTag(7)).isValid());

  Host().settingsBlock.ZorvikOnly = false;
  view.OnInitialUpdate();
  const QModelIndex node = Node(NodeTag::CameraTag(7));
  ASSERT_TRUE(node.isValid());
  EXPECT_EQ(view.Model().ImageOf(node), static_cast<int>(AppImage::OtherDevice));
  EXPECT_EQ(view.Model().TagOf(node.parent()), NodeTag::AdapterTag(2));

  // A camera with the same number as an adapter's index is told apart by its kind.
  Host().Put(MakeCamera(3, "Three", "Ravix-B120", 2));
  EXPECT_EQ(view.Model().TagOf(Node(NodeTag::AdapterTag(3))).Kind, NodeKind::Adapter);
  EXPECT_EQ(view.Model().TextOf(Node(NodeTag::CameraTag(3))), "Three");

  // Losing the vendor key with ZorvikOnly on takes the node away.
  Host().settingsBlock.ZorvikOnly = true;
  Host().Put(printer);
  EXPECT_FALSE(Node(NodeTag::CameraTag(7)).isValid());
}

TEST_F(TreeViewTest, TooltipTexts) {
  CCamerasView& view = MakeView();
  CBrowseRecord camera = MakeCamera(1, "Gate", "Ravix-B120", 2);
  camera.AddTxtValue(txtkey::kFirmwareVersion, "3.2.1");
  camera.AddTxtValue(txtkey::kModelId, "B120-4MP");
  camera.AddTxtValue(txtkey::kSerial, "ZV000101");
  camera.AddTxtValue(txtkey::kMacAddress, "00-1e-c0-00-01-01");
  camera.AddTxtValue(txtkey::kIpv4Net, "192.168.77.10");
  Host().Put(camera);
  const std::string discovered = views::FormatDiscoveredTime(camera.DiscoveredTime);
  EXPECT_EQ(view.TipText(Node(NodeTag::CameraTag(1))),
            "Gate\n\nModel:\t\tRavix-B120\nFirmware:\t3.2.1\nModel ID:\tB120-4MP\nSerial:\t\tZV000101\n"
            "Discovered:\t" + discovered + "\nHostname:\tGate.local\nMAC:\t\t00-1e-c0-00-01-01\n"
            "IPs:\t\t192.168.77.10\n\t\t\nPort:\t\t80");
  EXPECT_EQ(view.TipText(Node(NodeTag::AdapterTag(3))),
            "wlan0\n\nIP:\t10.1.0.5\nMask:\t255.255.0.0\nIP:\t172.16.4.2\nMask:\t255.255.255.0");
  EXPECT_EQ(view.TipText(Node(NodeTag::RootTag())), "");

  Host().records.erase(1);  // gone before its Remove arrives
  EXPECT_EQ(view.TipText(Node(NodeTag::CameraTag(1))), "");
  Host().settingsBlock.EnableTreeTips = false;
  EXPECT_EQ(view.TipText(Node(NodeTag::AdapterTag(3))), "");
}

// A camera's tooltip shows what the camera announces as it is: markup in its name or
// model neither restyles the tip nor loads an image.
TEST_F(TreeViewTest, TooltipShowsMarkupFromTheCameraLiterally) {
  CCamerasView& view = MakeView();
  Host().Put(MakeCamera(1, "<b>x</b><img src=\"/tmp/y.png\">", "<i>Ravix</i>", 2));
  const QModelIndex node = Node(NodeTag::CameraTag(1));
  ASSERT_TRUE(node.isValid());
  view.scrollTo(node);
  const QPoint at = view.visualRect(node).center();
  QHelpEvent help(QEvent::ToolTip, at, view.viewport()->mapToGlobal(at));
  QCoreApplication::sendEvent(view.viewport(), &help);
  const QString tip = QToolTip::text();
  EXPECT_TRUE(tip.contains("&lt;b&gt;x&lt;/b&gt;&lt;img src=&quot;/tmp/y.png&quot;&gt;")) << tip.toStdString();
  EXPECT_TRUE(tip.contains("&lt;i&gt;Ravix&lt;/i&gt;")) << tip.toStdString();
  EXPECT_FALSE(tip.contains("<img")) << tip.toStdString();
  QToolTip::hideText();
}

TEST_F(TreeViewTest, SelectionCommandsAndContextMenu) {
  CCamerasView& view = MakeView();
  CCamerasListView list(Host());
  list.OnInitialUpdate();
  for (uint32_t id = 1; id <= 3; ++id) Host().Put(MakeCamera(id, "Cam" + std::to_string(id), "Ravix-B120", 2));

  EXPECT_FALSE(view.CanSelectAll());
  QMetaObject::invokeMethod(&view, "selectAll");
  EXPECT_EQ(view.selectionModel()->selectedIndexes().size(), 1) << "Select All does nothing here";

  // Switching from a list selection of three cameras selects the first of them.
  list.SelectRecordIDs({3, 1, 2});
  std::vector<uint32_t> ids;
  ASSERT_EQ(list.GetSelectedRecordIDs(&ids), 3u);
  EXPECT_EQ(view.SelectRecordIDs(ids), 1u);
  EXPECT_EQ(view.GetSelectedRecordIDs(&ids), 1u);
  EXPECT_EQ(ids, std::vector<uint32_t>{1});
  EXPECT_EQ(view.SelectRecordIDs({}), 0u);
  EXPECT_EQ(view.SelectRecordIDs({77}), 0u);

  // An adapter selected: no camera.
  view.setCurrentIndex(Node(NodeTag::AdapterTag(2)));
  EXPECT_EQ(view.GetSelectedRecordIDs(&ids), 0u);
  EXPECT_TRUE(ids.empty());

  int menus = 0;
  QList<QAction*> shown;
  view.ContextMenu().SetRunner([&](QMenu& menu, const QPoint&) {
    ++menus;
    shown = menu.actions();
  });
  const QPoint onAdapter = view.visualRect(Node(NodeTag::AdapterTag(2))).center();
  QContextMenuEvent adapterClick(QContextMenuEvent::Mouse, onAdapter, view.viewport()->mapToGlobal(onAdapter));
  QCoreApplication::sendEvent(view.viewport(), &adapterClick);
  EXPECT_EQ(menus, 0) << "no menu on an adapter";
  const QPoint onCamera = view.visualRect(Node(NodeTag::CameraTag(2))).center();
  QContextMenuEvent cameraClick(QContextMenuEvent::Mouse, onCamera, view.viewport()->mapToGlobal(onCamera));
  QCoreApplication::sendEvent(view.viewport(), &cameraClick);
  ASSERT_EQ(menus, 1);
  EXPECT_EQ(shown.size(), 4);
  EXPECT_EQ(shown.front(), Host().OpenInBrowserAction());
  view.GetSelectedRecordIDs(&ids);
  EXPECT_EQ(ids, std::vector<uint32_t>{2}) << "right-click selects the camera";

  // Enter and double-click reach Open In Browser only when it is enabled.
  QTest::keyClick(&view, Qt::Key_Return);
  Host().OpenInBrowserAction()->setEnabled(false);
  QTest::keyClick(&view, Qt::Key_Return);
  QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, onCamera);
  EXPECT_EQ(Host().openCount, 1);

}

// An adapter that is up without an IPv4 address has a node that says so, a tip and a
// context menu of its own; selecting it selects no camera but names the adapter.
TEST_F(TreeViewTest, AdapterWithoutIPv4HasANodeATipAndAMenu) {
  RecordStoreHost host(ProfilePath(), {MakeAdapter(2, "eth0", {{"10.20.0.1", "255.255.255.0"}}),
                                       MakeAdapter(4, "eth1", {})});
  CCamerasView view(host);
  QAbstractItemModelTester tester(&view.Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
  view.resize(400, 400);
  view.show();
  view.OnInitialUpdate();
  host.Put(MakeCamera(1, "Factory", "Ravix-D210", 2));
  const QModelIndex bare = view.Model().FindNodeByTag(NodeTag::AdapterTag(4));
  ASSERT_TRUE(bare.isValid());
  EXPECT_EQ(view.Model().TextOf(bare).toStdString(), "eth1 (no IPv4 address)");
  EXPECT_EQ(view.TipText(bare), "eth1\n\nIP:\tnone");

  EXPECT_EQ(view.SelectedAdapter(), 0u);
  int menus = 0;
  QList<QAction*> shown;
  view.ContextMenu().SetRunner([&](QMenu& menu, const QPoint&) {
    ++menus;
    shown = menu.actions();
  });
  const auto rightClick = [&](const QModelIndex& node) {
    const QPoint at = view.visualRect(node).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, view.viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(view.viewport(), &click);
  };
  rightClick(view.Model().FindNodeByTag(NodeTag::AdapterTag(2)));
  EXPECT_EQ(menus, 0) << "an adapter with an address has no menu";
  rightClick(bare);
  ASSERT_EQ(menus, 1);
  EXPECT_EQ(shown, QList<QAction*>{host.LinkLocalAction()});
  EXPECT_EQ(view.SelectedAdapter(), 4u) << "right-click selects the adapter";
  std::vector<uint32_t> ids;
  EXPECT_EQ(view.GetSelectedRecordIDs(&ids), 0u);

  // The menu key on the selected adapter opens the same menu.
  QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(), QPoint());
  QCoreApplication::sendEvent(view.viewport(), &key);
  EXPECT_EQ(menus, 2);
  view.SelectRecordIDs({1});
  EXPECT_EQ(view.SelectedAdapter(), 0u);
}

TEST_F(TreeViewTest, ACutNameShowsInFullUnlessTheCameraTipShows) {
  CCamerasView& view = MakeView();
  view.resize(160, 300);
  const std::string longName = "Lobby <i>east</i> wing, second floor, by the lifts";
  Host().Put(MakeCamera(1, longName, "Ravix-B120", 2));
  Host().Put(MakeCamera(2, "Gate", "Ravix-B120", 2));
  const auto hover = [&](uint32_t id) {
    QToolTip::hideText();  // goes after a short delay
    EXPECT_TRUE(ProcessEventsUntil([] { return !QToolTip::isVisible(); }));
    const QPoint at = view.visualRect(Node(NodeTag::CameraTag(id))).center();
    QHelpEvent help(QEvent::ToolTip, at, view.viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(view.viewport(), &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
  };
  ASSERT_TRUE(view.IsElided(Node(NodeTag::CameraTag(1))));
  EXPECT_TRUE(hover(1).contains(QStringLiteral("Model"))) << "the camera tip comes first";

  Host().settingsBlock.EnableTreeTips = false;
  const QString tip = hover(1);
  EXPECT_TRUE(tip.contains(QString::fromStdString(longName).toHtmlEscaped())) << tip.toStdString();
  EXPECT_FALSE(tip.contains(QStringLiteral("Model")));
  EXPECT_EQ(hover(2), QString()) << "a name that fits has no tip";
  QToolTip::hideText();
}

}  // namespace
