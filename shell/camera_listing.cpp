#include "shell/camera_listing.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cstddef>

#include "net/network_tools.h"

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

// Control characters as \xNN: C0, DEL, and the C1 controls as UTF-8 (C2 80 - C2 9F).
std::string Visible(const std::string& text) {
  static constexpr char kHex[] = "0123456789abcdef";
  const auto escape = [](std::string& out, unsigned char byte) {
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
  };
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (byte < 0x20 || byte == 0x7F) {
      escape(out, byte);
    } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
      escape(out, next);
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
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
  const bool terminal = destination == ListingDestination::StandardOutput;
  if (format == ListingFormat::Json) return JsonText(records, adapterName, terminal);
  std::vector<Row> rows{TitleRow()};
  for (const CBrowseRecord& record : records) {
    rows.push_back(RowOf(record, adapterName));
    if (!terminal) continue;
    for (std::string& cell : rows.back()) cell = Visible(cell);
  }
  if (format == ListingFormat::Table) return TableText(rows);
  std::string csv;
  for (const Row& row : rows) csv += CsvLine(row);
  return csv;
}

std::string TerminalVisible(const std::string& text) { return Visible(text); }
