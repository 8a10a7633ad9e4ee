#include "shell/camera_listing.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

#include "net/network_tools.h"
#include "platform/terminal_text.h"

namespace {

using Row = std::array<std::string, views::kColumnCount>;

// The camera's addresses for the listing: like the list view's cell, but a missing
// address (a camera without a zeroconf one) leaves no separator behind.
std::string AddressesText(const CBrowseRecord& record) {
  std::string joined;
  for (const std::string& address : CNetworkTools::CollectCameraAddresses(record)) {
    if (address.empty()) continue;
    if (!joined.empty()) joined += views::AddressListSeparator();
    joined += address;
  }
  return joined;
}

Row RowOf(const CBrowseRecord& record, const views::AdapterNameLookup& adapterName) {
  Row row;
  for (int c = 0; c < views::kColumnCount; ++c) row[c] = views::CellText(static_cast<views::Column>(c), record, adapterName);
  row[static_cast<std::size_t>(views::Column::IPAddresses)] = AddressesText(record);
  return row;
}

Row TitleRow() {
  Row row;
  for (int c = 0; c < views::kColumnCount; ++c) row[c] = views::ColumnTable[c].Title;
  return row;
}

// Quoted when it holds a comma, a quote or any control character (a line break inside
// quotes stays inside its field; camera texts may hold anything).
std::string CsvField(const std::string& text) {
  const bool plain = std::none_of(text.begin(), text.end(), [](char ch) {
    const auto byte = static_cast<unsigned char>(ch);
    return byte == ',' || byte == '"' || byte < 0x20 || byte == 0x7F;
  });
  if (plain) return text;
  std::string quoted = "\"";
  for (char ch : text) {
    if (ch == '"') quoted += '"';
    quoted += ch;
  }
  return quoted + '"';
}

// A cell a spreadsheet would read as a formula (or whose leading TAB or CR it would drop
// before reading one) starts with an apostrophe: it stays text.
std::string DefusedCell(const std::string& text) {
  if (text.empty() || std::string_view("=+-@\t\r").find(text.front()) == std::string_view::npos) return text;
  return "'" + text;
}

std::string CsvLine(const Row& row) {
  std::string line;
  for (int c = 0; c < views::kColumnCount; ++c) {
    if (c > 0) line += ',';
    line += CsvField(row[c]);
  }
  return line + "\r\n";
}

std::string TableText(const std::vector<Row>& rows) {
  std::array<std::size_t, views::kColumnCount> width{};
  for (const Row& row : rows)
    for (int c = 0; c < views::kColumnCount; ++c) width[c] = std::max(width[c], row[c].size());
  std::string text;
  for (const Row& row : rows) {
    std::string line;
    for (int c = 0; c < views::kColumnCount; ++c) {
      const std::string& cell = row[c];
      const std::string pad(width[c] - cell.size(), ' ');
      const bool right = views::ColumnTable[c].Align == views::Alignment::Right;
      line += right ? pad + cell : cell + pad;
      if (c + 1 < views::kColumnCount) line += "  ";
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    text += line + '\n';
  }
  return text;
}

std::string JsonText(const std::vector<CBrowseRecord>& records, const views::AdapterNameLookup& adapterName,
                     bool asciiOnly) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const CBrowseRecord& record : records) {
    const Row row = RowOf(record, adapterName);
    nlohmann::ordered_json item;
    for (int c = 0; c < views::kColumnCount; ++c) item[views::ColumnTable[c].Title] = row[c];
    list.push_back(std::move(item));
  }
  // Camera texts are bytes as the camera sent them: invalid UTF-8 is replaced, not fatal.
  return list.dump(2, ' ', asciiOnly, nlohmann::ordered_json::error_handler_t::replace) + '\n';
}

}  // namespace

bool ParseListingFormat(const std::string& text, ListingFormat& format) {
  if (text == "table") format = ListingFormat::Table;
  else if (text == "csv") format = ListingFormat::Csv;
  else if (text == "json") format = ListingFormat::Json;
  else return false;
  return true;
}

std::string FormatCameraListing(const std::vector<CBrowseRecord>& records, ListingFormat format,
                                const views::AdapterNameLookup& adapterName, ListingDestination destination) {
  const bool terminal = destination == ListingDestination::Terminal;
  if (format == ListingFormat::Json) return JsonText(records, adapterName, terminal);
  std::vector<Row> rows;
  rows.reserve(records.size() + 1);
  rows.push_back(TitleRow());
  for (const CBrowseRecord& record : records) {
    rows.push_back(RowOf(record, adapterName));
    for (std::string& cell : rows.back()) {
      if (format == ListingFormat::Csv) cell = DefusedCell(cell);
      if (terminal) cell = ravix::TerminalSafe(cell);
    }
  }
  if (format == ListingFormat::Table) return TableText(rows);
  std::string csv;
  for (const Row& row : rows) csv += CsvLine(row);
  return csv;
}
