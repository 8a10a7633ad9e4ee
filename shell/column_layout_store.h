#pragma once
// ColumnLayoutStore: the list view's column widths, sort keys, column order and hidden
// columns in section "List", as plain data. The list view fills a ColumnLayout from its header
// before saving and applies the loaded one after creating its columns.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/app_profile.h"

// Low 16 bits: column index; high 16 bits not 0: descending; -1: empty slot.
using SortKey = std::int32_t;
inline constexpr SortKey kEmptySortKey = -1;
inline constexpr SortKey kSortDescendingBit = 0x10000;
inline constexpr int kSortSlotCount = 5;

inline constexpr const char* kListSection = "List";

struct ColumnLayout {
  std::vector<int> widths;                    // by creation index, one per column
  std::array<SortKey, kSortSlotCount> sortKeys{kEmptySortKey, kEmptySortKey, kEmptySortKey,
                                               kEmptySortKey, kEmptySortKey};
  std::vector<int> order;                     // display position -> creation index
  std::vector<int> hidden;                    // creation indexes of hidden columns, ascending
  bool stored = false;                        // a stored width was found (not the first start)

  // n columns with the given default widths, no sorting, creation order.
  static ColumnLayout Defaults(const std::vector<int>& defaultWidths);
};

namespace ColumnLayoutStore {

// Writes "ColumnCX%02u" per column, "ColumnSort%02u" per slot, when order is given (the
// header could report it) "ColumnOrder", and "ColumnHidden": the hidden columns' letters
// ('a' + creation index), empty when all are shown. A hidden column's width is the one it
// had when shown. Write failures are not reported.
void Save(const ravix::AppProfile& profile, const std::vector<int>& widths,
          const std::array<SortKey, kSortSlotCount>& sortKeys, const std::optional<std::vector<int>>& order,
          const std::vector<int>& hidden = {});

// Applies the stored layout to layout (which holds the defaults for its column count):
// stored widths of 0 or more, sort keys naming an existing column, a stored order and
// stored hidden columns when each is valid. Anything else keeps the default (a missing
// or invalid "ColumnHidden" shows every column). Sets layout.stored when a width was
// found.
void Load(const ravix::AppProfile& profile, ColumnLayout& layout);

// The display order that the text stands for with n columns, or nothing when it is not
// valid: letter i names column (letter - 'a'); its first min(length, n) letters must be
// a permutation of 0 .. that count - 1; the remaining positions keep creation order.
std::optional<std::vector<int>> ParseColumnOrder(const std::string& text, int n);

// The hidden columns that the text stands for with n columns, ascending, or nothing when
// it is not valid: every letter names a column below n, none twice, and at least one
// column stays shown.
std::optional<std::vector<int>> ParseHiddenColumns(const std::string& text, int n);

// The sort key as it is kept: an empty slot unless the column index is below n; the
// direction reduced to the one descending bit.
SortKey CheckSortKey(int stored, int n);

}  // namespace ColumnLayoutStore
