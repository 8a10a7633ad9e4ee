// What the finder takes from DNS-SD replies: the raw TXT record and the names that make
// a service's full name; and everything the finder shows of such a record (list cells,
// sorting, the command line listing).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "records/browse_record.h"
#include "records/dnssd_full_name.h"
#include "records/txt_record_parser.h"
#include "shell/camera_listing.h"
#include "views/record_columns.h"

namespace {

std::vector<std::string> SplitAtNul(const std::string& text, std::size_t parts) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (out.size() + 1 < parts) {
    const std::size_t end = text.find('\0', start);
    if (end == std::string::npos) break;
    out.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  out.push_back(text.substr(std::min(start, text.size())));
  while (out.size() < parts) out.emplace_back();
  return out;
}

CBrowseRecord RecordFrom(const std::string& text) {
  CBrowseRecord record;
  const std::vector<std::string> parts = SplitAtNul(text, 4);
  record.ID = 1;
  record.ServiceName = parts[0];
  record.ServiceType = "_http._tcp.";
  record.SetDomain("local.");
  record.SetHostTarget(parts[1].c_str());
  record.Port = text.size() % 65536;
  record.DiscoveredTime = static_cast<int64_t>(text.size()) * 86400;
  record.InterfaceIndex = static_cast<uint32_t>(parts[2].size() % 4);
  const std::string& txt = parts[3];
  record.TxtRecord = ParseTxtRecord(1, static_cast<uint16_t>(std::min<std::size_t>(txt.size(), 65535)),
                                    reinterpret_cast<const unsigned char*>(txt.data()));
  record.NetworkSettingsValid = !parts[2].empty();
  record.NetworkSettings.HostName = parts[2];
  record.NetworkSettings.IPAddress = parts[1];
  return record;
}

void CheckFullName(const std::string& text) {
  const std::vector<std::string> parts = SplitAtNul(text, 3);
  char fullName[kFullNameBufferSize];
  if (DNSServiceConstructFullName(fullName, parts[0].c_str(), parts[1].c_str(), parts[2].c_str()) != 0) {
    if (fullName[0] != '\0') std::abort();
    return;
  }
  const std::size_t length = std::strlen(fullName);
  if (length == 0 || length >= kFullNameBufferSize || fullName[length - 1] != '.') std::abort();
  // A record holding these names recognises its own full name (domains as DNS-SD gives
  // them: one final dot at most).
  const std::string domain = parts[2].c_str();
  if (domain == "." || (domain.size() > 1 && domain.ends_with(".."))) return;
  CBrowseRecord record;
  record.ServiceName = parts[0].c_str();
  record.ServiceType = parts[1].c_str();
  record.SetDomain(domain.c_str());
  if (!record.MatchesFullName(fullName)) std::abort();
}

void CheckDisplay(const CBrowseRecord& record) {
  const views::AdapterNameLookup adapterName = [](uint32_t index) -> std::optional<std::string> {
    if (index == 0) return std::nullopt;
    return "eth" + std::to_string(index);
  };
  for (int index = 0; index < views::kColumnCount; ++index) {
    const views::Column column = *views::ColumnAt(index);
    views::CellText(column, record, adapterName);
    if (views::CompareByColumn(column, record, record, adapterName) != 0) std::abort();
  }
  views::RecordImage(record);
  const std::vector<CBrowseRecord> records{record, record};
  FormatCameraListing(records, ListingFormat::Table, adapterName);
  FormatCameraListing(records, ListingFormat::Csv, adapterName);
  const std::string json = FormatCameraListing(records, ListingFormat::Json, adapterName);
  const nlohmann::json parsed = nlohmann::json::parse(json, nullptr, false);
  if (parsed.is_discarded()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckFullName(text);
  const CBrowseRecord record = RecordFrom(text);
  CheckDisplay(record);
  return 0;
}
