#pragma once
// What the camera views show of a record: the record tests, the 17 list columns with
// their cell texts, and the column comparison used for sorting.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "discovery/browse_record.h"

namespace views {

enum class Alignment { Left, Right };

struct ColumnInfo {
  const char* Title;
  Alignment Align;
  int DefaultWidth;  // pixels
};

inline constexpr int kColumnCount = 17;
extern const std::array<ColumnInfo, kColumnCount> ColumnTable;

// Images of the application's 16 x 16 image list.
inline constexpr int kImageBoxCamera = 2;
inline constexpr int kImageOtherDevice = 3;
inline constexpr int kImageDomeCamera = 4;

bool IsVendorRecord(const CBrowseRecord& record);
// "model.zorvnet" begins with "Ravix-D" or "Ravix2-D", letter case ignored.
bool IsDomeModel(const CBrowseRecord& record);
int RecordImage(const CBrowseRecord& record);

// Local short date, one blank, local time.
std::string FormatDiscoveredTime(int64_t secondsSinceEpoch);
// The configured and the zeroconf address, the separator after the first non-empty text.
std::string JoinCameraAddresses(const CBrowseRecord& record, const std::string& separator);
// The locale's list separator ("," or ";" where "," is the decimal point) and one blank.
const std::string& AddressListSeparator();

// Name of the adapter with this interface index; nullopt when the PC has no such adapter.
using AdapterNameLookup = std::function<std::optional<std::string>(uint32_t interfaceIndex)>;

// Cell text of column 0..16; "" for any other column.
std::string CellText(int column, const CBrowseRecord& record, const AdapterNameLookup& adapterName);

// -1, 0 or 1: record a before, equal to, or after record b in this column.
int CompareByColumn(int column, const CBrowseRecord& a, const CBrowseRecord& b, const AdapterNameLookup& adapterName);

}  // namespace views
