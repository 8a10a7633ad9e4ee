#pragma once
// What the camera views show of a record: the record tests, the 17 list columns with
// their cell texts, and the column comparison used for sorting.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "records/browse_record.h"

class CNetworkTools;

namespace views {

enum class Alignment { Left, Right };

struct ColumnInfo {
  const char* Title;
  Alignment Align;
  int DefaultWidth;  // pixels
};

// The 17 columns in creation order; the value is the column index of sort keys and of
// the stored layout.
enum class Column : int {
  Type,
  Reachable,
  Name,
  Model,
  Firmware,
  ModelID,
  Serial,
  Discovered,
  Hostname,
  MAC,
  IPAddresses,
  Port,
  ConnectedTo,
  DHCP,
  Prefix,
  NameServer,
  Gateway,
};
inline constexpr int kColumnCount = 17;
constexpr int Index(Column column) { return static_cast<int>(column); }
// The column of index; nullopt outside 0..16.
constexpr std::optional<Column> ColumnAt(int index) {
  if (index < 0 || index >= kColumnCount) return std::nullopt;
  return static_cast<Column>(index);
}
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
// Where a camera not in local. was found: its DNS domain ("cameras.example.net") or
// "by address" for one found by probing an added address; "" for a camera in local.
std::string FoundWhere(const CBrowseRecord& record);
// The service name, with FoundWhere in parentheses when there is one.
std::string DisplayName(const CBrowseRecord& record);
// The locale's list separator ("," or ";" where "," is the decimal point) and one blank.
const std::string& AddressListSeparator();

// Name of the adapter with this interface index; nullopt when the PC has no such adapter.
using AdapterNameLookup = std::function<std::optional<std::string>(uint32_t interfaceIndex)>;
// The lookup over the adapter table of tools, which must outlive it (the table itself may
// be rebuilt meanwhile: every call reads the current one).
AdapterNameLookup AdapterNamesOf(const CNetworkTools& tools);

std::string CellText(Column column, const CBrowseRecord& record, const AdapterNameLookup& adapterName);

// -1, 0 or 1: record a before, equal to, or after record b in this column.
int CompareByColumn(Column column, const CBrowseRecord& a, const CBrowseRecord& b, const AdapterNameLookup& adapterName);

}  // namespace views
