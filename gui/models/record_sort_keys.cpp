#include "gui/models/record_sort_keys.h"

#include <algorithm>

namespace ravix {

SortKeys ApplyColumnClick(const SortKeys& keys, int column) {
  if (keys[0] != kEmptySortKey && SortKeyColumn(keys[0]) == column) {
    SortKeys flipped = keys;
    flipped[0] = IsDescending(keys[0]) ? column : (column | kSortDescendingBit);
    return flipped;
  }
  SortKeys result = kNoSortKeys;
  result[0] = column;
  std::size_t next = 1;
  for (SortKey key : keys) {
    if (next == result.size()) break;
    if (key == kEmptySortKey || SortKeyColumn(key) == column) continue;
    result[next++] = key;
  }
  return result;
}

int CompareRecords(const SortKeys& keys, const CBrowseRecord& a, const CBrowseRecord& b,
                   const views::AdapterNameLookup& adapterName) {
  for (SortKey key : keys) {
    if (key == kEmptySortKey) return 0;
    const auto column = views::ColumnAt(SortKeyColumn(key));
    if (!column) continue;
    const int r = views::CompareByColumn(*column, a, b, adapterName);
    if (r != 0) return IsDescending(key) ? -r : r;
  }
  return 0;
}

void SortInListOrder(std::vector<CBrowseRecord>& records, const AppProfile& profile,
                     const views::AdapterNameLookup& adapterName) {
  std::sort(records.begin(), records.end(), [](const CBrowseRecord& a, const CBrowseRecord& b) { return a.ID < b.ID; });
  std::vector<int> widths(views::kColumnCount, 0);
  ColumnLayout layout = ColumnLayout::Defaults(widths);
  ColumnLayoutStore::Load(profile, layout);
  std::stable_sort(records.begin(), records.end(), [&](const CBrowseRecord& a, const CBrowseRecord& b) {
    return CompareRecords(layout.sortKeys, a, b, adapterName) < 0;
  });
}

}  // namespace ravix
