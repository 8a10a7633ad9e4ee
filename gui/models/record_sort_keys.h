#pragma once
// The list's five sort keys: the rule of a column click and the record order they give.
// A key holds the column index in its low 16 bits; kSortDescendingBit marks descending;
// kEmptySortKey is an empty slot. Slot 0 is the primary key.

#include <array>
#include <vector>

#include "records/browse_record.h"
#include "shell/column_layout_store.h"
#include "views/record_columns.h"

namespace ravix {

using SortKeys = std::array<SortKey, kSortSlotCount>;

inline constexpr SortKeys kNoSortKeys = {kEmptySortKey, kEmptySortKey, kEmptySortKey, kEmptySortKey, kEmptySortKey};

inline int SortKeyColumn(SortKey key) { return static_cast<int>(static_cast<unsigned>(key) & 0xFFFFu); }
inline bool IsDescending(SortKey key) { return (static_cast<unsigned>(key) & 0xFFFF0000u) != 0; }

// A click on column: the primary column flips its direction; any other column becomes
// the primary key, ascending, ahead of the old keys without it (the last falls off).
SortKeys ApplyColumnClick(const SortKeys& keys, int column);

// -1, 0 or 1: a before, equal to or after b under the keys; 0 while slot 0 is empty.
int CompareRecords(const SortKeys& keys, const CBrowseRecord& a, const CBrowseRecord& b,
                   const views::AdapterNameLookup& adapterName);

// Puts records in the order the list view shows them: by the sort keys the list keeps in
// profile, records equal under them (or with no key stored) by ID, the order they were found
// in. Export List writes this order whichever view is shown.
void SortInListOrder(std::vector<CBrowseRecord>& records, const AppProfile& profile,
                     const views::AdapterNameLookup& adapterName);

}  // namespace ravix
