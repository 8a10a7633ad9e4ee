#include "shell/column_layout_store.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace ColumnLayoutStore {
namespace {

std::string WidthName(unsigned column) {
  char name[32];
  std::snprintf(name, sizeof name, "ColumnCX%02u", column);
  return name;
}

std::string SortName(unsigned slot) {
  char name[32];
  std::snprintf(name, sizeof name, "ColumnSort%02u", slot);
  return name;
}

constexpr const char* kOrderName = "ColumnOrder";
constexpr const char* kHiddenName = "ColumnHidden";

std::string Letters(const std::vector<int>& columns) {
  std::string letters;
  for (int column : columns) letters.push_back(static_cast<char>('a' + column));
  return letters;
}

}  // namespace

void Save(const ravix::AppProfile& profile, const std::vector<int>& widths,
          const std::array<SortKey, kSortSlotCount>& sortKeys, const std::optional<std::vector<int>>& order,
          const std::vector<int>& hidden) {
  for (std::size_t i = 0; i < widths.size(); ++i) {
    profile.WriteProfileInt(kListSection, WidthName(static_cast<unsigned>(i)).c_str(), widths[i]);
  }
  for (std::size_t slot = 0; slot < sortKeys.size(); ++slot) {
    profile.WriteProfileInt(kListSection, SortName(static_cast<unsigned>(slot)).c_str(), sortKeys[slot]);
  }
  if (order) profile.WriteProfileString(kListSection, kOrderName, Letters(*order));
  profile.WriteProfileString(kListSection, kHiddenName, Letters(hidden));
}

SortKey CheckSortKey(int stored, int n) {
  const unsigned column = static_cast<unsigned>(stored) & 0xFFFFu;
  if (n < 0 || column >= static_cast<unsigned>(n)) return kEmptySortKey;
  const bool descending = (static_cast<unsigned>(stored) & 0xFFFF0000u) != 0;
  return static_cast<SortKey>(column) | (descending ? kSortDescendingBit : 0);
}

std::optional<std::vector<int>> ParseColumnOrder(const std::string& text, int n) {
  if (n < 0) return std::nullopt;
  const int m = std::min(static_cast<int>(text.size()), n);
  std::vector<int> order(static_cast<std::size_t>(n));
  std::vector<bool> seen(static_cast<std::size_t>(m), false);
  for (int i = 0; i < m; ++i) {
    const int column = static_cast<unsigned char>(text[static_cast<std::size_t>(i)]) - 'a';
    if (column < 0 || column >= m || seen[static_cast<std::size_t>(column)]) return std::nullopt;
    seen[static_cast<std::size_t>(column)] = true;
    order[static_cast<std::size_t>(i)] = column;
  }
  for (int i = m; i < n; ++i) order[static_cast<std::size_t>(i)] = i;
  return order;
}

std::optional<std::vector<int>> ParseHiddenColumns(const std::string& text, int n) {
  if (n <= 0 || static_cast<int>(text.size()) >= n) return std::nullopt;
  std::vector<bool> seen(static_cast<std::size_t>(n), false);
  for (char letter : text) {
    const int column = static_cast<unsigned char>(letter) - 'a';
    if (column < 0 || column >= n || seen[static_cast<std::size_t>(column)]) return std::nullopt;
    seen[static_cast<std::size_t>(column)] = true;
  }
  std::vector<int> hidden;
  for (int column = 0; column < n; ++column) {
    if (seen[static_cast<std::size_t>(column)]) hidden.push_back(column);
  }
  return hidden;
}

void Load(const ravix::AppProfile& profile, ColumnLayout& layout) {
  const int n = static_cast<int>(layout.widths.size());
  for (int i = 0; i < n; ++i) {
    const int width = profile.GetProfileInt(kListSection, WidthName(static_cast<unsigned>(i)).c_str(), -1);
    if (width < 0) continue;
    layout.widths[static_cast<std::size_t>(i)] = width & 0xFFFF;
    layout.stored = true;
  }
  for (std::size_t slot = 0; slot < layout.sortKeys.size(); ++slot) {
    const int stored = profile.GetProfileInt(kListSection, SortName(static_cast<unsigned>(slot)).c_str(), -1);
    layout.sortKeys[slot] = CheckSortKey(stored, n);
  }
  const std::string text = profile.GetProfileString(kListSection, kOrderName, "");
  if (auto order = ParseColumnOrder(text, n)) layout.order = std::move(*order);
  const std::string hiddenText = profile.GetProfileString(kListSection, kHiddenName, "");
  if (auto hidden = ParseHiddenColumns(hiddenText, n)) layout.hidden = std::move(*hidden);
}

}  // namespace ColumnLayoutStore

ColumnLayout ColumnLayout::Defaults(const std::vector<int>& defaultWidths) {
  ColumnLayout layout;
  layout.widths = defaultWidths;
  layout.order.resize(defaultWidths.size());
  for (std::size_t i = 0; i < layout.order.size(); ++i) layout.order[i] = static_cast<int>(i);
  return layout;
}
