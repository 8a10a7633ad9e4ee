// The camera list: rows and cells, the vendor rule, the five-key sort and its placement
// of updated rows, selection, commands and the column layout in the profile.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QMenu>
#include <QStyle>
#include <QTimer>
#include <QToolTip>
#include <QTest>

#include <algorithm>
#include <memory>
#include <random>

#include "gui/models/app_image_list.h"
#include "gui/widgets/cameras_list_view.h"
#include "tests/gui/views_test_fixture.h"

namespace {

using views::Column;

class ListViewTest : public ViewsTest {
 protected:
  // A shown list view over host(), checked by a model tester.
  CCamerasListView& MakeView() {
    view_ = std::make_unique<CCamerasListView>(Host());
    tester_ = std::make_unique<QAbstractItemModelTester>(&view_->Model(),
                                                         QAbstractItemModelTester::FailureReportingMode::Fatal);
    view_->resize(900, 300);
    view_->show();
    view_->OnInitialUpdate();
    return *view_;
  }
  void DestroyView() {
    tester_.reset();
    view_.reset();
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int row = 0; row < view_->Model().rowCount(); ++row) {
      names.push_back(view_->Model().CellText(row, Column::Name).toStdString());
    }
    return names;
  }
  void ClickHeader(Column column) {
    QHeaderView* header = view_->header();
    const int x = header->sectionViewportPosition(views::Index(column)) + header->sectionSize(views::Index(column)) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, header->height() / 2));
  }
  QPoint RowCentre(int row) const { return view_->visualRect(view_->Model().index(row, 2)).center(); }

  std::unique_ptr<CCamerasListView> view_;
  std::unique_ptr<QAbstractItemModelTester> tester_;
};

TEST_F(ListViewTest, CellsImagesAndTheVendorRule) {
  CCamerasListView& view = MakeView();
  Host().Put(MakeCamera(1, "Dome", "ravix2-d300"));
  Host().Put(MakeCamera(2, "Short", "Ravix-"));
  CBrowseRecord printer = MakeCamera(3, "Printer", "");
  printer.TxtRecord.erase(txtkey::kVendor);
  Host().Put(printer);
  CameraListModel& model = view.Model();
  ASSERT_EQ(model.rowCount(), 2) << "ZorvikOnly keeps other services out";
  EXPECT_EQ(model.CellText(model.RowOf(1), Column::Type), "Dome");
  EXPECT_EQ(model.data(model.index(model.RowOf(1), 0), Qt::DecorationRole).value<QIcon>().cacheKey(),
            AppImageList::Shared().Icon(AppImage::DomeCamera).cacheKey());
  EXPECT_EQ(model.CellText(model.RowOf(2), Column::Type), "Box");

  // A record that lost the vendor key leaves the list on its next update.
  CBrowseRecord lost = Host().records[2];
  lost.TxtRecord.erase(txtkey::kVendor);
  Host().Put(lost);
  EXPECT_EQ(model.RowOf(2), -1);

  // With ZorvikOnly off the other service shows up at the next initialisation.
  Host().settingsBlock.ZorvikOnly = false;
  view.OnInitialUpdate();
  const int row = model.RowOf(3);
  ASSERT_GE(row, 0);
  EXPECT_EQ(model.CellText(row, Column::Type), "Box");
  EXPECT_EQ(model.CellText(row, Column::Reachable), "no");
  EXPECT_EQ(model.CellText(row, Column::DHCP), "");
  EXPECT_EQ(model.CellText(row, Column::Prefix), "");
  EXPECT_EQ(model.data(model.index(row, 0), Qt::DecorationRole).value<QIcon>().cacheKey(),
            AppImageList::Shared().Icon(AppImage::OtherDevice).cacheKey());
  EXPECT_EQ(model.CellText(row, Column::Port), "80");
  EXPECT_EQ(model.CellText(row, Column::ConnectedTo), "eth0");

  // Removals and unknown operations.
  Host().Drop(3);
  Host().Notify({RecordOperation::Remove, 99});
  Host().Notify({static_cast<RecordOperation>(7), 1});
  EXPECT_EQ(model.rowCount(), 2);
  Host().Notify({RecordOperation::ClearAll, 0});
  EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(ListViewTest, AddressesJoinedWithTheListSeparator) {
  CCamerasListView& view = MakeView();
  CBrowseRecord both = MakeCamera(1, "Both", "Ravix-B120");
  both.AddTxtValue(txtkey::kIpv4Net, "192.168.77.10");
  both.AddTxtValue(txtkey::kIpv4Zc, "169.254.3.4");
  CBrowseRecord one = MakeCamera(2, "One", "Ravix-B120");
  one.AddTxtValue(txtkey::kIpv4Net, "192.168.77.11");
  Host().Put(both);
  Host().Put(one);
  const std::string separator = views::AddressListSeparator();
  EXPECT_EQ(view.Model().CellText(view.Model().RowOf(1), Column::IPAddresses).toStdString(),
            "192.168.77.10" + separator + "169.254.3.4");
  EXPECT_EQ(view.Model().CellText(view.Model().RowOf(2), Column::IPAddresses).toStdString(),
            "192.168.77.11" + separator);
}

TEST_F(ListViewTest, HeaderClicksFollowTheFiveKeyRule) {
  CCamerasListView& view = MakeView();
  Host().Put(MakeCamera(1, "Cam10", "Ravix-B120"));
  Host().Put(MakeCamera(2, "cam2", "Ravix-A100"));
  Host().Put(MakeCamera(3, "Cam1", "Ravix-B120"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"Cam10", "cam2", "Cam1"})) << "no keys: arrival order";
  EXPECT_FALSE(view.header()->isSortIndicatorShown());

  ClickHeader(Column::Name);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Cam1", "cam2", "Cam10"}));
  EXPECT_EQ(view.header()->sortIndicatorSection(), views::Index(Column::Name));
  EXPECT_EQ(view.header()->sortIndicatorOrder(), Qt::AscendingOrder);
  EXPECT_TRUE(view.Model().data(view.Model().index(0, views::Index(Column::Name)), Qt::BackgroundRole).isValid());

  ClickHeader(Column::Name);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Cam10", "cam2", "Cam1"}));
  EXPECT_EQ(view.header()->sortIndicatorOrder(), Qt::DescendingOrder);

  // Model ascending, equal models by name descending.
  ClickHeader(Column::Model);
  EXPECT_EQ(Names(), (std::vector<std::string>{"cam2", "Cam10", "Cam1"}));
  EXPECT_EQ(view.header()->sortIndicatorSection(), views::Index(Column::Model));
  EXPECT_FALSE(view.Model().data(view.Model().index(0, views::Index(Column::Name)), Qt::BackgroundRole).isValid());

  // Six different columns: the last five stay, newest first.
  for (Column c : {Column::Serial, Column::Port, Column::MAC, Column::Hostname, Column::Firmware, Column::Gateway}) {
    ClickHeader(c);
  }
  const ravix::SortKeys expected = {views::Index(Column::Gateway), views::Index(Column::Firmware),
                                    views::Index(Column::Hostname), views::Index(Column::MAC),
                                    views::Index(Column::Port)};
  EXPECT_EQ(view.Model().SortKeys(), expected);
  // A secondary key clicked again moves to the front, ascending.
  ClickHeader(Column::MAC);
  EXPECT_EQ(view.Model().SortKeys()[0], views::Index(Column::MAC));
  EXPECT_EQ(view.Model().SortKeys()[1], views::Index(Column::Gateway));
}

// Updated rows are placed by binary search among rows already in order; the outcome must
// be the order a full sort of the latest records gives.
TEST_F(ListViewTest, UpdatesKeepTheOrderOfAFullSort) {
  CCamerasListView& view = MakeView();
  view.OnColumnClick(views::Index(Column::Model));
  view.OnColumnClick(views::Index(Column::Name));
  view.OnColumnClick(views::Index(Column::Model));  // Model asc, then Name asc
  std::mt19937 random(12);
  const char* models[] = {"Ravix-B120", "Ravix-D210", "Ravix2-B300", ""};
  for (int step = 0; step < 400; ++step) {
    const uint32_t id = 1 + random() % 40;
    const std::string name = "Cam" + std::to_string(random() % 25);
    if (random() % 10 == 0) {
      Host().Drop(id);
    } else {
      Host().Put(MakeCamera(id, name, models[random() % 4]));
    }
  }
  std::vector<CBrowseRecord> expected;
  for (const auto& [id, record] : Host().records) expected.push_back(record);
  const auto adapterName = [](uint32_t) { return std::optional<std::string>(); };
  const ravix::SortKeys keys = view.Model().SortKeys();
  ASSERT_EQ(view.Model().rowCount(), static_cast<int>(expected.size()));
  for (int row = 1; row < view.Model().rowCount(); ++row) {
    EXPECT_LE(ravix::CompareRecords(keys, view.Model().RecordAt(row - 1), view.Model().RecordAt(row), adapterName), 0)
        << "rows " << row - 1 << " and " << row;
  }
  for (int row = 0; row < view.Model().rowCount(); ++row) {
    EXPECT_EQ(view.Model().RecordAt(row).ServiceName, Host().records[view.Model().RecordIdAt(row)].ServiceName);
  }
}

TEST_F(ListViewTest, SelectionInterfaceAndSelectAll) {
  CCamerasListView& view = MakeView();
  for (uint32_t id = 1; id <= 4; ++id) Host().Put(MakeCamera(id, "Cam" + std::to_string(id), "Ravix-B120"));
  view.OnColumnClick(views::Index(Column::Name));
  view.OnColumnClick(views::Index(Column::Name));  // Cam4 .. Cam1
  EXPECT_EQ(view.SelectRecordIDs({1, 3, 77}), 2u);
  EXPECT_EQ(view.SelectRecordIDs({2}), 1u) << "existing selections stay";
  std::vector<uint32_t> ids;
  EXPECT_EQ(view.GetSelectedRecordIDs(&ids), 3u);
  EXPECT_EQ(ids, (std::vector<uint32_t>{3, 2, 1})) << "display order";
  EXPECT_EQ(view.GetSelectedRecordIDs(nullptr), 3u);

  view.setCurrentIndex(view.Model().index(1, 0));
  const QModelIndex current = view.currentIndex();
  EXPECT_TRUE(view.CanSelectAll());
  QMetaObject::invokeMethod(&view, "selectAll");
  EXPECT_EQ(view.GetSelectedRecordIDs(nullptr), 4u);
  EXPECT_EQ(view.currentIndex(), current);
}

TEST_F(ListViewTest, ClipboardModeSelectsOneRowOnly) {
  for (bool clipboard : {false, true}) {
    Host().clipboardMode = clipboard;
    CCamerasListView& view = MakeView();
    Host().Put(MakeCamera(1, "Cam1", "Ravix-B120"));
    Host().Put(MakeCamera(2, "Cam2", "Ravix-B120"));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, RowCentre(0));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ControlModifier, RowCentre(1));
    std::vector<uint32_t> ids;
    view.GetSelectedRecordIDs(&ids);
    EXPECT_EQ(ids, (clipboard ? std::vector<uint32_t>{2} : std::vector<uint32_t>{1, 2})) << "clipboard " << clipboard;
    EXPECT_EQ(view.SelectRecordIDs({1, 2}), clipboard ? 1u : 2u);
    EXPECT_EQ(view.CanSelectAll(), !clipboard) << "Select All needs a view that selects several rows";
    DestroyView();
  }
}

TEST_F(ListViewTest, OpenInBrowserAndTheContextMenuUseTheFramesActions) {
  CCamerasListView& view = MakeView();
  Host().Put(MakeCamera(1, "Cam1", "Ravix-B120"));
  Host().Put(MakeCamera(2, "Cam2", "Ravix-B120"));
  QAction* open = Host().OpenInBrowserAction();

  open->setEnabled(false);
  QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, RowCentre(0));
  QTest::keyClick(&view, Qt::Key_Return);
  EXPECT_EQ(Host().openCount, 0) << "a disabled command never runs";
  open->setEnabled(true);
  QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, RowCentre(0));
  QTest::keyClick(&view, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(Host().openCount, 2);

  QList<QAction*> shown;  // separators (the menu's own) as null
  int menus = 0;
  view.ContextMenu().SetRunner([&](QMenu& menu, const QPoint&) {
    ++menus;
    shown.clear();
    for (QAction* action : menu.actions()) shown.push_back(action->isSeparator() ? nullptr : action);
  });
  view.clearSelection();
  QContextMenuEvent onRow(QContextMenuEvent::Mouse, RowCentre(1), view.viewport()->mapToGlobal(RowCentre(1)));
  QCoreApplication::sendEvent(view.viewport(), &onRow);
  ASSERT_EQ(menus, 1);
  ASSERT_EQ(shown.size(), 4);
  EXPECT_EQ(shown[0], open);
  EXPECT_EQ(shown[1], Host().CameraContextActions()[1]);
  EXPECT_EQ(shown[2], nullptr);
  EXPECT_EQ(shown[3], Host().CameraContextActions()[3]);
  EXPECT_EQ(view.GetSelectedRecordIDs(nullptr), 1u) << "the row under the pointer is selected";

  QContextMenuEvent belowRows(QContextMenuEvent::Mouse, QPoint(5, 280), view.viewport()->mapToGlobal(QPoint(5, 280)));
  QCoreApplication::sendEvent(view.viewport(), &belowRows);
  Host().records.erase(2);  // gone before its Remove arrives
  QContextMenuEvent keyboard(QContextMenuEvent::Keyboard, QPoint(-1, -1), QPoint(-1, -1));
  QCoreApplication::sendEvent(&view, &keyboard);
  EXPECT_EQ(menus, 1) << "no menu off the rows or for a vanished record";
}

TEST_F(ListViewTest, ColumnLayoutRoundTripThroughTheProfile) {
  {
    CCamerasListView& view = MakeView();
    view.header()->resizeSection(views::Index(Column::Name), 150);
    view.header()->moveSection(view.header()->visualIndex(views::Index(Column::Reachable)), 0);
    view.OnColumnClick(views::Index(Column::Serial));
    view.OnColumnClick(views::Index(Column::Serial));
    DestroyView();
  }
  ravix::AppProfile& profile = Host().Profile();
  EXPECT_EQ(profile.GetProfileInt("List", "ColumnCX02", -1), 150);
  EXPECT_EQ(profile.GetProfileInt("List", "ColumnCX16", -1), 100);
  EXPECT_EQ(profile.GetProfileInt("List", "ColumnSort00", 0), views::Index(Column::Serial) | kSortDescendingBit);
  EXPECT_EQ(profile.GetProfileInt("List", "ColumnSort01", 0), -1);
  EXPECT_EQ(profile.GetProfileString("List", "ColumnOrder", ""), "bacdefghijklmnopq");

  CCamerasListView& again = MakeView();
  EXPECT_EQ(again.header()->sectionSize(views::Index(Column::Name)), 150);
  EXPECT_EQ(again.header()->logicalIndex(0), views::Index(Column::Reachable));
  EXPECT_EQ(again.Model().SortKeys()[0], views::Index(Column::Serial) | kSortDescendingBit);
  EXPECT_EQ(again.header()->sortIndicatorOrder(), Qt::DescendingOrder);
}

// Room for a title in the header's font with its sort arrow beside it.
int TitleRoom(const QHeaderView& header, int column) {
  const QString title = header.model()->headerData(column, Qt::Horizontal).toString();
  const QStyle* style = header.style();
  return header.fontMetrics().horizontalAdvance(title) + 2 * style->pixelMetric(QStyle::PM_HeaderMargin) +
         style->pixelMetric(QStyle::PM_HeaderMarkSize);
}

TEST_F(ListViewTest, FirstStartFitsTitlesThenContentsAndCutCellsShowTheirText) {
  CCamerasListView& view = MakeView();
  const QHeaderView& header = *view.header();
  for (int c = 0; c < views::kColumnCount; ++c) EXPECT_GE(header.sectionSize(c), TitleRoom(header, c)) << c;

  const std::string longName = "<b>Gate</b> & " + std::string(300, 'x');
  Host().Put(MakeCamera(1, longName, "Ravix-D210"));
  for (uint32_t id = 2; id <= 40; ++id) Host().Put(MakeCamera(id, "north-entrance-" + std::to_string(id), "Ravix-B120"));
  const auto* fit = view.findChild<QTimer*>(QStringLiteral("columnFitTimer"));
  ASSERT_NE(fit, nullptr);
  ASSERT_TRUE(ProcessEventsUntil([&] { return !fit->isActive(); }));

  // Every cell fits except the long name, whose column stops at the cap.
  const int name = views::Index(Column::Name);
  EXPECT_LE(header.sectionSize(name), CCamerasListView::kFitMaxCap);
  EXPECT_GE(header.sectionSize(name), TitleRoom(header, name));
  view.scrollToTop();
  for (int c = 0; c < views::kColumnCount; ++c) {
    const QModelIndex cell = view.Model().index(view.Model().RowOf(2), c);
    view.scrollTo(cell);
    EXPECT_FALSE(view.IsElided(cell)) << c << " " << cell.data().toString().toStdString();
  }
  const QModelIndex cut = view.Model().index(view.Model().RowOf(1), name);
  view.scrollTo(cut);
  ASSERT_TRUE(view.IsElided(cut));

  // A cut cell's tooltip is its whole text, as text; a cell that fits has none.
  const auto hover = [&](const QModelIndex& cell) {
    QToolTip::hideText();  // goes after a short delay
    EXPECT_TRUE(ProcessEventsUntil([] { return !QToolTip::isVisible(); }));
    const QPoint at = view.visualRect(cell).center();
    QHelpEvent help(QEvent::ToolTip, at, view.viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(view.viewport(), &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
  };
  const QString tip = hover(cut);
  EXPECT_TRUE(tip.contains(QString::fromStdString(longName).toHtmlEscaped())) << tip.toStdString();
  EXPECT_FALSE(tip.contains(QStringLiteral("<b>")));
  EXPECT_EQ(hover(view.Model().index(view.Model().RowOf(1), views::Index(Column::Model))), QString());
  QToolTip::hideText();

  // A value completed later widens its column, until the user sets a width.
  const int hostname = views::Index(Column::Hostname);
  CBrowseRecord completed = Host().records[2];
  completed.SetHostTarget("north-entrance-2.building-seven.example.local.");
  Host().Put(completed);
  ASSERT_TRUE(ProcessEventsUntil([&] { return !fit->isActive(); }));
  EXPECT_FALSE(view.IsElided(view.Model().index(view.Model().RowOf(2), hostname)));
  view.header()->resizeSection(hostname, 60);
  completed.SetHostTarget("north-entrance-2.building-seven.far-away.example.local.");
  Host().Put(completed);
  EXPECT_FALSE(fit->isActive());
  EXPECT_EQ(header.sectionSize(hostname), 60);
}

TEST_F(ListViewTest, StoredLayoutIsUsedAsStored) {
  Host().Profile().WriteProfileInt("List", "ColumnCX02", 30);
  CCamerasListView& view = MakeView();
  Host().Put(MakeCamera(1, "a camera with a long name", "Ravix-B120"));
  const auto* fit = view.findChild<QTimer*>(QStringLiteral("columnFitTimer"));
  ASSERT_NE(fit, nullptr);
  EXPECT_FALSE(fit->isActive()) << "no fitting over a stored layout";
  EXPECT_EQ(view.header()->sectionSize(views::Index(Column::Name)), 30);
  EXPECT_EQ(view.header()->sectionSize(views::Index(Column::Type)), 40);
}

TEST_F(ListViewTest, ColumnChooserHidesAndShowsColumnsAndTheLayoutKeepsThem) {
  {
    CCamerasListView& view = MakeView();
    QHeaderView& header = *view.header();
    header.moveSection(header.visualIndex(views::Index(Column::Gateway)), 0);
    header.resizeSection(views::Index(Column::Reachable), 77);
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(10, 5), header.viewport()->mapToGlobal(QPoint(10, 5)));
    QCoreApplication::sendEvent(header.viewport(), &click);
    auto* menu = view.findChild<QMenu*>(QStringLiteral("columnChooserMenu"));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), views::kColumnCount);
    EXPECT_EQ(menu->actions()[0]->text(), "Gateway") << "in display order";
    for (QAction* action : menu->actions()) EXPECT_TRUE(action->isChecked());
    const auto item = [&](Column column) {
      return menu->findChild<QAction*>(QStringLiteral("actionShowColumn%1").arg(views::Index(column)));
    };

    item(Column::Reachable)->trigger();
    EXPECT_TRUE(header.isSectionHidden(views::Index(Column::Reachable)));
    item(Column::Reachable)->trigger();
    EXPECT_FALSE(header.isSectionHidden(views::Index(Column::Reachable)));
    EXPECT_EQ(header.sectionSize(views::Index(Column::Reachable)), 77) << "back at its width";

    // Unchecking all but one: the last shown column's item cannot be unchecked.
    for (QAction* action : menu->actions()) {
      if (action != item(Column::Serial)) action->trigger();
    }
    EXPECT_EQ(header.hiddenSectionCount(), views::kColumnCount - 1);
    EXPECT_FALSE(item(Column::Serial)->isEnabled());
    EXPECT_FALSE(view.SetColumnShown(views::Index(Column::Serial), false));
    EXPECT_FALSE(header.isSectionHidden(views::Index(Column::Serial)));
    for (QAction* action : menu->actions()) {
      const bool keepHidden = action == item(Column::Reachable) || action == item(Column::MAC);
      if (!action->isChecked() && !keepHidden) action->trigger();
    }
    menu->close();
    DestroyView();
  }
  ravix::AppProfile& profile = Host().Profile();
  EXPECT_EQ(profile.GetProfileString("List", "ColumnHidden", ""), "bj");
  EXPECT_EQ(profile.GetProfileInt("List", "ColumnCX01", -1), 77) << "a hidden column keeps its width";

  CCamerasListView& again = MakeView();
  EXPECT_TRUE(again.header()->isSectionHidden(views::Index(Column::Reachable)));
  EXPECT_TRUE(again.header()->isSectionHidden(views::Index(Column::MAC)));
  EXPECT_EQ(again.header()->hiddenSectionCount(), 2);
  EXPECT_EQ(again.header()->logicalIndex(0), views::Index(Column::Gateway));
  ASSERT_TRUE(again.SetColumnShown(views::Index(Column::Reachable), true));
  EXPECT_EQ(again.header()->sectionSize(views::Index(Column::Reachable)), 77);
}

}  // namespace
