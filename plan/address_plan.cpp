#include "plan/address_plan.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <iterator>
#include <map>

#include "net/ipv4_text.h"

namespace ravix {

namespace {

enum class Column { Serial, Mac, HostName, Address, Prefix, Gateway, NameServer, Dhcp };

const std::map<std::string, Column>& ColumnNames() {
  static const std::map<std::string, Column> names = {
      {"serial", Column::Serial},   {"mac", Column::Mac},         {"hostname", Column::HostName},
      {"address", Column::Address}, {"prefix", Column::Prefix},   {"gateway", Column::Gateway},
      {"nameserver", Column::NameServer}, {"dhcp", Column::Dhcp}};
  return names;
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// Shows a cell in a message: control characters and quotes cannot mislead the reader.
std::string Shown(const std::string& text) {
  std::string out = "'";
  for (unsigned char c : text.substr(0, 64)) out += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
  return out + (text.size() > 64 ? "...'" : "'");
}

// Splits one line into fields. A field is plain (no quote in it) or wholly quoted.
bool SplitLine(const std::string& line, char separator, std::vector<std::string>& fields, std::size_t& badColumn,
               std::string& why) {
  fields.assign(1, "");
  bool quoted = false, closed = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    std::string& field = fields.back();
    if (quoted) {
      if (c != '"') {
        field += c;
      } else if (i + 1 < line.size() && line[i + 1] == '"') {
        field += '"';
        ++i;
      } else {
        quoted = false;
        closed = true;
      }
    } else if (c == separator) {
      fields.emplace_back();
      closed = false;
    } else if (closed && c != ' ' && c != '\t') {
      badColumn = fields.size();
      why = "text after the closing quote";
      return false;
    } else if (c == '"') {
      if (!Trim(field).empty()) {
        badColumn = fields.size();
        why = "a quote inside an unquoted field";
        return false;
      }
      field.clear();
      quoted = true;
    } else if (!closed) {
      field += c;
    }
  }
  if (quoted) {
    badColumn = fields.size();
    why = "a quote that is never closed (fields cannot span lines)";
    return false;
  }
  return true;
}

std::vector<std::string> Lines(std::string text) {
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

bool ParseDhcp(const std::string& text, bool& dhcp) {
  const std::string value = Lower(text);
  if (value == "1" || value == "yes" || value == "on" || value == "true") dhcp = true;
  else if (value == "0" || value == "no" || value == "off" || value == "false") dhcp = false;
  else return false;
  return true;
}

// The rows of the plan and the faults found, line by line.
class PlanReader {
 public:
  PlanReader(AddressPlan& plan, std::vector<PlanError>& errors) : plan_(plan), errors_(errors) {}

  void Read(const std::string& text) {
    const std::vector<std::string> lines = Lines(text);
    std::size_t header = 0;
    while (header < lines.size() && Trim(lines[header]).empty()) ++header;
    if (header == lines.size()) {
      Fail(0, 0, "the plan is empty (it needs a header row naming the columns, e.g. serial,address,prefix)");
      return;
    }
    const std::string& head = lines[header];
    separator_ = head.find(',') == std::string::npos && head.find(';') != std::string::npos ? ';' : ',';
    if (!ReadHeader(head, header + 1)) return;
    for (std::size_t i = header + 1; i < lines.size(); ++i) ReadRow(lines[i], i + 1);
    if (plan_.rows.empty() && errors_.empty()) Fail(0, 0, "the plan has a header but no camera rows");
  }

 private:
  void Fail(std::size_t line, std::size_t column, std::string message) {
    errors_.push_back({line, column, std::move(message)});
  }

  bool ReadHeader(const std::string& line, std::size_t number) {
    std::vector<std::string> fields;
    std::size_t bad = 0;
    std::string why;
    if (!SplitLine(line, separator_, fields, bad, why)) {
      Fail(number, bad, why);
      return false;
    }
    for (std::size_t c = 0; c < fields.size(); ++c) {
      const auto known = ColumnNames().find(Lower(Trim(fields[c])));
      if (known == ColumnNames().end()) continue;  // another column of the spreadsheet
      if (columns_.count(c) == 0 && std::any_of(columns_.begin(), columns_.end(),
                                                [&](const auto& kv) { return kv.second == known->second; })) {
        Fail(number, c + 1, "the column " + Shown(known->first) + " is named twice");
        continue;
      }
      columns_[c] = known->second;
    }
    const auto has = [&](Column column) {
      return std::any_of(columns_.begin(), columns_.end(), [&](const auto& kv) { return kv.second == column; });
    };
    if (!has(Column::Serial) && !has(Column::Mac)) {
      Fail(number, 0, "the header names no 'serial' or 'mac' column to match the cameras by");
      return false;
    }
    return errors_.empty();
  }

  void ReadRow(const std::string& line, std::size_t number) {
    if (Trim(line).empty()) return;
    std::vector<std::string> fields;
    std::size_t bad = 0;
    std::string why;
    if (!SplitLine(line, separator_, fields, bad, why)) {
      Fail(number, bad, why);
      return;
    }
    if (std::all_of(fields.begin(), fields.end(), [](const std::string& f) { return Trim(f).empty(); })) return;
    PlanRow row;
    row.line = number;
    const std::size_t before = errors_.size();
    for (const auto& [index, column] : columns_) {
      const std::string value = index < fields.size() ? Trim(fields[index]) : std::string();
      if (!value.empty()) TakeCell(row, column, value, index + 1);
    }
    if (row.serial.empty() && row.mac.empty())
      Fail(number, 0, "neither a serial number nor a MAC address to match a camera by");
    CheckRow(row);
    if (errors_.size() != before) return;
    CheckUnique(row);
    plan_.rows.push_back(row);
  }

  void TakeCell(PlanRow& row, Column column, const std::string& value, std::size_t col) {
    const std::size_t line = row.line;
    switch (column) {
      case Column::Serial:
        row.serial = value;
        break;
      case Column::Mac:
        if (!NormaliseMacAddress(value, row.mac)) Fail(line, col, Shown(value) + " is not a MAC address (six hexadecimal pairs)");
        break;
      case Column::HostName:
        if (const std::string problem = HostNameProblem(value); !problem.empty()) Fail(line, col, Shown(value) + ": " + problem);
        else row.hostName = value;
        break;
      case Column::Address:
        row.address = value;
        addressColumn_ = col;
        break;
      case Column::Prefix: {
        int prefix = 0;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), prefix);
        if (ec != std::errc() || end != value.data() + value.size() || prefix < 1 || prefix > 32)
          Fail(line, col, "prefix " + Shown(value) + " is not a whole number from 1 to 32");
        else row.prefix = prefix;
        break;
      }
      case Column::Gateway:
      case Column::NameServer: {
        uint32_t parsed = 0;
        if (!ParseIPv4(value, parsed)) Fail(line, col, Shown(value) + " is not an IPv4 address");
        else (column == Column::Gateway ? row.gateway : row.nameServer) = value;
        if (column == Column::Gateway) gatewayColumn_ = col;
        break;
      }
      case Column::Dhcp: {
        bool dhcp = false;
        if (!ParseDhcp(value, dhcp)) Fail(line, col, "dhcp " + Shown(value) + " is not one of 1, 0, yes, no, on, off");
        else row.dhcp = dhcp;
        break;
      }
    }
  }

  // Checks that need several cells of the row.
  void CheckRow(PlanRow& row) {
    if (row.address) {
      if (const std::string problem = CameraAddressProblem(*row.address, row.prefix); !problem.empty())
        Fail(row.line, addressColumn_, Shown(*row.address) + ": " + problem);
      if (row.dhcp == true)
        Fail(row.line, addressColumn_, "an address is given, but dhcp is on (leave one of them empty)");
    }
    if (row.address && row.gateway && *row.address == *row.gateway)
      Fail(row.line, addressColumn_, "the address is the gateway's");
    uint32_t address = 0, gateway = 0;
    if (row.address && row.gateway && row.prefix && ParseIPv4(*row.address, address) && ParseIPv4(*row.gateway, gateway) &&
        !InSubnet(gateway, address, MaskFromPrefix(static_cast<unsigned>(*row.prefix))))
      Fail(row.line, gatewayColumn_,
           "gateway " + *row.gateway + " is not in the subnet of " + *row.address + "/" + std::to_string(*row.prefix));
  }

  void CheckUnique(const PlanRow& row) {
    const auto once = [&](std::map<std::string, std::size_t>& seen, const std::string& key, const char* what) {
      if (key.empty()) return;
      const auto [at, fresh] = seen.emplace(key, row.line);
      if (!fresh) Fail(row.line, 0, std::string(what) + " " + Shown(key) + " is planned twice (also on line " + std::to_string(at->second) + ")");
    };
    once(serials_, row.serial, "serial number");
    once(macs_, row.mac, "MAC address");
    once(addresses_, row.address.value_or(""), "address");
  }

  AddressPlan& plan_;
  std::vector<PlanError>& errors_;
  char separator_ = ',';
  std::map<std::size_t, Column> columns_;  // field index -> column
  std::size_t addressColumn_ = 0, gatewayColumn_ = 0;
  std::map<std::string, std::size_t> serials_, macs_, addresses_;
};

}  // namespace

bool ParseAddressPlan(const std::string& text, AddressPlan& plan, std::vector<PlanError>& errors) {
  plan = AddressPlan{};
  errors.clear();
  if (text.size() > kMaxPlanBytes) {
    errors.push_back({0, 0, "the plan is larger than " + std::to_string(kMaxPlanBytes / 1024) + " KB"});
    return false;
  }
  PlanReader(plan, errors).Read(text);
  if (!errors.empty()) plan = AddressPlan{};
  return errors.empty();
}

bool ReadAddressPlan(const std::string& path, AddressPlan& plan, std::vector<PlanError>& errors) {
  plan = AddressPlan{};
  errors.clear();
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    errors.push_back({0, 0, "the plan file cannot be opened"});
    return false;
  }
  std::string text;
  text.resize(kMaxPlanBytes + 1);
  file.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (file.bad()) {
    errors.push_back({0, 0, "the plan file cannot be read"});
    return false;
  }
  text.resize(static_cast<std::size_t>(file.gcount()));
  return ParseAddressPlan(text, plan, errors);
}

std::string FormatPlanError(const PlanError& error) {
  if (error.line == 0) return error.message;
  std::string where = "line " + std::to_string(error.line);
  if (error.column != 0) where += ", column " + std::to_string(error.column);
  return where + ": " + error.message;
}

bool NormaliseMacAddress(const std::string& text, std::string& mac) {
  std::string digits;
  for (char c : text) {
    if (c == '-' || c == ':') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    digits += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  if (digits.size() != 12) return false;
  // Separators, when used, must part every pair.
  const std::size_t separators = text.size() - digits.size();
  if (separators != 0 && (separators != 5 || text.size() != 17)) return false;
  mac.clear();
  for (std::size_t i = 0; i < 12; i += 2) {
    if (!mac.empty()) mac += '-';
    mac += digits.substr(i, 2);
  }
  return true;
}

std::string HostNameProblem(const std::string& name) {
  if (name.empty() || name.size() > 63) return "a host name has 1 to 63 characters";
  const bool letters = std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isalnum(c) || c == '-'; });
  if (!letters) return "a host name holds only letters a-z, digits and '-'";
  if (name.front() == '-' || name.back() == '-') return "a host name does not start or end with '-'";
  return "";
}

std::string CameraAddressProblem(const std::string& address, std::optional<int> prefix) {
  uint32_t parsed = 0;
  if (!ParseIPv4(address, parsed)) return "not an IPv4 address";
  const uint32_t host = ntohl(parsed);
  if (host == 0 || host == 0xFFFFFFFFu) return "not an address a camera can take";
  if ((host >> 24) == 127) return "a loopback address";
  if ((host >> 28) == 0xE || (host >> 28) == 0xF) return "a multicast or reserved address";
  if (prefix && *prefix >= 1 && *prefix <= 30) {
    const uint32_t mask = ntohl(MaskFromPrefix(static_cast<unsigned>(*prefix)));
    if ((host & ~mask) == 0) return "the subnet's own address (prefix " + std::to_string(*prefix) + ")";
    if ((host & ~mask) == ~mask) return "the subnet's broadcast address (prefix " + std::to_string(*prefix) + ")";
  }
  return "";
}

}  // namespace ravix
