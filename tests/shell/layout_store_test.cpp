#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "tests/support/temp_profile.h"
#include "shell/column_layout_store.h"
#include "views/record_columns.h"
#include "shell/window_placement_store.h"

namespace {

const std::vector<int> kDefaultWidths = {40, 80, 90, 100, 80, 100, 70, 120, 100,
                                         120, 100, 40, 100, 60, 60, 100, 100};

std::vector<int> CreationOrder() {
  std::vector<int> order(views::kColumnCount);
  std::iota(order.begin(), order.end(), 0);
  return order;
}

ColumnLayout LoadLayout(const std::string& listSection) {
  TempProfile temp;
  temp.WriteFile("[List]\n" + listSection);
  ColumnLayout layout = ColumnLayout::Defaults(kDefaultWidths);
  ColumnLayoutStore::Load(temp.Profile(), layout);
  return layout;
}

TEST(ColumnLayoutLoad, NothingStoredKeepsDefaultWidthsOrderAndNoSorting) {
  const ColumnLayout layout = LoadLayout("");
  EXPECT_EQ(layout.widths, kDefaultWidths);
  EXPECT_EQ(layout.order, CreationOrder());
  for (SortKey key : layout.sortKeys) EXPECT_EQ(key, kEmptySortKey);
}

TEST(ColumnLayoutLoad, ColumnOrderIsTakenOnlyWhenItIsAPermutation) {
  std::vector<int> expected = CreationOrder();
  std::swap(expected[0], expected[1]);
  EXPECT_EQ(LoadLayout("ColumnOrder=bac\n").order, expected);
  for (const char* bad : {"aab", "xyz", "Bac", "abd", "b"}) {
    EXPECT_EQ(LoadLayout(std::string("ColumnOrder=") + bad + "\n").order, CreationOrder()) << bad;
  }
  // longer than the column count: only the first 17 letters count
  EXPECT_EQ(LoadLayout("ColumnOrder=abcdefghijklmnopqzz\n").order, CreationOrder());
  const std::vector<int> creation = CreationOrder();
  const std::vector<int> reversed(creation.rbegin(), creation.rend());
  EXPECT_EQ(LoadLayout("ColumnOrder=qponmlkjihgfedcba\n").order, reversed);
}

TEST(ColumnLayoutLoad, SortSlotsNeedAnExistingColumnAndKeepTheirDirection) {
  const ColumnLayout layout =
      LoadLayout("ColumnSort00=65539\nColumnSort01=17\nColumnSort02=16\nColumnSort03=131074\nColumnSort04=x\n");
  EXPECT_EQ(layout.sortKeys[0], 3 | kSortDescendingBit);
  EXPECT_EQ(layout.sortKeys[1], kEmptySortKey);
  EXPECT_EQ(layout.sortKeys[2], 16);
  EXPECT_EQ(layout.sortKeys[3], 2 | kSortDescendingBit);  // any high bit means descending
  EXPECT_EQ(layout.sortKeys[4], kEmptySortKey);
}

TEST(ColumnLayoutLoad, WidthsTakeLowSixteenBitsAndNegativeKeepsDefault) {
  const ColumnLayout layout = LoadLayout("ColumnCX00=0\nColumnCX01=-5\nColumnCX02=65636\nColumnCX16=250\n");
  EXPECT_EQ(layout.widths[0], 0);
  EXPECT_EQ(layout.widths[1], 80);
  EXPECT_EQ(layout.widths[2], 100);
  EXPECT_EQ(layout.widths[16], 250);
}

TEST(ColumnLayoutSave, SavedLayoutComesBackAndOrderIsOnlyWrittenWhenKnown) {
  TempProfile temp;
  std::vector<int> widths = kDefaultWidths;
  widths[5] = 333;
  const std::array<SortKey, kSortSlotCount> keys{2 | kSortDescendingBit, 3, kEmptySortKey, kEmptySortKey,
                                                 kEmptySortKey};
  std::vector<int> order = CreationOrder();
  std::swap(order[4], order[16]);
  ColumnLayoutStore::Save(temp.Profile(), widths, keys, order);
  EXPECT_EQ(temp.Profile().GetProfileString("List", "ColumnOrder", ""), "abcdqfghijklmnope");
  EXPECT_EQ(temp.Profile().GetProfileInt("List", "ColumnCX05", 0), 333);

  ColumnLayout layout = ColumnLayout::Defaults(kDefaultWidths);
  ColumnLayoutStore::Load(temp.Profile(), layout);
  EXPECT_EQ(layout.widths, widths);
  EXPECT_EQ(layout.sortKeys, keys);
  EXPECT_EQ(layout.order, order);

  ColumnLayoutStore::Save(temp.Profile(), widths, keys, std::nullopt);
  EXPECT_EQ(temp.Profile().GetProfileString("List", "ColumnOrder", ""), "abcdqfghijklmnope");
}

TEST(ColumnLayoutHidden, RoundTripOldFilesAndBrokenValues) {
  TempProfile temp;
  const std::array<SortKey, kSortSlotCount> keys{3, kEmptySortKey, kEmptySortKey, kEmptySortKey, kEmptySortKey};
  ColumnLayoutStore::Save(temp.Profile(), kDefaultWidths, keys, CreationOrder(), {1, 9});
  EXPECT_EQ(temp.Profile().GetProfileString("List", "ColumnHidden", ""), "bj");
  ColumnLayout layout = ColumnLayout::Defaults(kDefaultWidths);
  ColumnLayoutStore::Load(temp.Profile(), layout);
  EXPECT_EQ(layout.hidden, (std::vector<int>{1, 9}));
  EXPECT_TRUE(layout.stored);

  // A file written before columns could be hidden shows them all, the rest as stored.
  const ColumnLayout old = LoadLayout("ColumnCX02=150\nColumnSort00=3\nColumnOrder=bac\n");
  EXPECT_TRUE(old.hidden.empty());
  EXPECT_TRUE(old.stored);
  EXPECT_EQ(old.widths[2], 150);
  EXPECT_EQ(old.order[0], 1);
  EXPECT_EQ(old.sortKeys[0], 3);
  EXPECT_FALSE(LoadLayout("").stored);

  // Unknown letters, repeats and hiding every column are ignored; everything else stays.
  for (const char* broken : {"bb", "bz", "B", "b1", "abcdefghijklmnopq"}) {
    const ColumnLayout layout2 =
        LoadLayout(std::string("ColumnCX02=150\nColumnOrder=bac\nColumnHidden=") + broken + "\n");
    EXPECT_TRUE(layout2.hidden.empty()) << broken;
    EXPECT_EQ(layout2.widths[2], 150) << broken;
    EXPECT_EQ(layout2.order[0], 1) << broken;
  }
  EXPECT_EQ(ColumnLayoutStore::ParseHiddenColumns("qa", views::kColumnCount), (std::vector<int>{0, 16}));
}

// Placement -------------------------------------------------------------------------

WindowPlacement SamplePlacement(PlacementRect normal) {
  WindowPlacement wp;
  wp.showCmd = 3;
  wp.flags = 2;
  wp.ptMinPosition = {-32000, -32000};
  wp.ptMaxPosition = {-1, -1};
  wp.rcNormalPosition = normal;
  return wp;
}

TEST(WindowPlacementLoad, FirstRunKeepsDefaultPosition) {
  TempProfile temp;
  EXPECT_FALSE(WindowPlacementStore::Load(temp.Profile(), 1920, 1080).has_value());
}

TEST(WindowPlacementLoad, RectangleOffThePrimaryScreenIsIgnored) {
  const PlacementRect offScreen[] = {{5000, 100, 5800, 700}, {-900, 100, -100, 700}, {100, 1080, 900, 1500},
                                     {1920, 0, 2500, 600},  {600, 500, 100, 900}};
  for (const PlacementRect& r : offScreen) {
    TempProfile temp;
    WindowPlacementStore::Save(temp.Profile(), SamplePlacement(r));
    EXPECT_FALSE(WindowPlacementStore::Load(temp.Profile(), 1920, 1080).has_value()) << r.left << "," << r.top;
  }
}

TEST(WindowPlacementLoad, OverlappingRectangleIsAppliedWithTheStartShowCommand) {
  TempProfile temp;
  const WindowPlacement saved = SamplePlacement({1800, -50, 2600, 600});  // mostly off, partly on
  WindowPlacementStore::Save(temp.Profile(), saved);
  const auto loaded = WindowPlacementStore::Load(temp.Profile(), 1920, 1080);
  ASSERT_TRUE(loaded.has_value());
  EXPECT_EQ(loaded->showCmd, kShowNormal);  // the stored 3 is never applied
  EXPECT_EQ(loaded->flags, 2u);
  EXPECT_EQ(loaded->ptMinPosition.x, -32000);
  EXPECT_EQ(loaded->rcNormalPosition.left, 1800);
  EXPECT_EQ(loaded->rcNormalPosition.bottom, 600);
  EXPECT_EQ(loaded->length, 44u);
  EXPECT_EQ(WindowPlacementStore::Load(temp.Profile(), 1920, 1080, 7)->showCmd, 7);
  EXPECT_EQ(temp.Profile().GetProfileInt("Window", "wp.showCmd", 0), 3);
}

TEST(WindowPlacementFirstStart, CentredShareOfTheAreaAtLeastTheMinimum) {
  const PlacementRect big = WindowPlacementStore::FirstStartRect({0, 28, 1920, 1080});
  EXPECT_EQ(big.right - big.left, 1344);
  EXPECT_EQ(big.bottom - big.top, 736);
  EXPECT_EQ(big.left, 288);
  EXPECT_EQ(big.top, 28 + 158);
  // A small area: the minimum, centred; an area below the minimum: all of it.
  const PlacementRect small = WindowPlacementStore::FirstStartRect({100, 0, 900, 500});
  EXPECT_EQ(small.left, 180);
  EXPECT_EQ(small.right, 820);
  EXPECT_EQ(small.top, 40);
  EXPECT_EQ(small.bottom, 460);
  const PlacementRect tiny = WindowPlacementStore::FirstStartRect({0, 0, 600, 400});
  EXPECT_EQ(tiny.left, 0);
  EXPECT_EQ(tiny.right, 600);
  EXPECT_EQ(tiny.bottom, 400);
}

}  // namespace
