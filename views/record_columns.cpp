#include "views/record_columns.h"

#include <arpa/inet.h>

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <cstdio>

#include "net/network_tools.h"
#include "platform/natural_compare.h"

namespace views {

const std::array<ColumnInfo, kColumnCount> ColumnTable = {{
    {"Type", Alignment::Left, 40},
    {"Reachable", Alignment::Left, 80},
    {"Name", Alignment::Left, 90},
    {"Model", Alignment::Left, 100},
    {"Firmware", Alignment::Left, 80},
    {"Model ID", Alignment::Right, 100},
    {"Serial", Alignment::Right, 70},
    {"Discovered", Alignment::Right, 120},
    {"Hostname", Alignment::Left, 100},
    {"MAC", Alignment::Left, 120},
    {"IP Address(es)", Alignment::Left, 100},
    {"Port", Alignment::Right, 40},
    {"Connected To", Alignment::Left, 100},
    {"DHCP", Alignment::Left, 60},
    {"Prefix", Alignment::Right, 60},
    {"Name Server", Alignment::Left, 100},
    {"Gateway", Alignment::Left, 100},
}};

namespace {

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  return QString::fromUtf8(text).startsWith(QLatin1String(prefix), Qt::CaseInsensitive);
}

int Sign(int64_t value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

int CompareNatural(const std::string& a, const std::string& b) { return Sign(ravix::NaturalCompare(a, b)); }

// Dotted IPv4 text in host byte order; text that does not parse counts as 255.255.255.255.
uint32_t AddressOrder(const std::string& text) {
  return ntohl(inet_addr(text.c_str()));  // INADDR_NONE for text that does not parse
}

int CompareAddresses(const std::string& a, const std::string& b) {
  const uint32_t x = AddressOrder(a), y = AddressOrder(b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

// The locale's full time format (with seconds) without its time zone: the zone letters
// "t" outside quoted text go, with the blanks around them.
QString TimeWithoutZone(const QLocale& locale) {
  const QString format = locale.timeFormat(QLocale::LongFormat);
  QString out;
  bool quoted = false;
  for (const QChar ch : format) {
    if (ch == QLatin1Char('\'')) quoted = !quoted;
    if (!quoted && ch == QLatin1Char('t')) continue;
    out += ch;
  }
  return out.simplified();
}

std::string Decimal(long long value) {
  char text[24];
  std::snprintf(text, sizeof text, "%lld", value);
  return text;
}

}  // namespace

std::string FoundWhere(const CBrowseRecord& record) {
  if (record.TxtRecord.count(txtkey::kFoundBy) != 0) return "by address";
  if (record.Domain.empty() || record.Domain == "local" || record.Domain == "local.") return {};
  return record.Domain;
}

std::string DisplayName(const CBrowseRecord& record) {
  const std::string where = FoundWhere(record);
  return where.empty() ? record.ServiceName : record.ServiceName + " (" + where + ")";
}

bool IsVendorRecord(const CBrowseRecord& record) { return record.TxtRecord.count(txtkey::kVendor) != 0; }

bool IsDomeModel(const CBrowseRecord& record) {
  std::string model;
  if (!record.GetTxtValue(txtkey::kModel, model)) return false;
  return StartsWithNoCase(model, "Ravix-D") || StartsWithNoCase(model, "Ravix2-D");
}

int RecordImage(const CBrowseRecord& record) {
  if (!IsVendorRecord(record)) return kImageOtherDevice;
  return IsDomeModel(record) ? kImageDomeCamera : kImageBoxCamera;
}

std::string FormatDiscoveredTime(int64_t secondsSinceEpoch) {
  const QDateTime local = QDateTime::fromSecsSinceEpoch(secondsSinceEpoch).toLocalTime();
  const QLocale locale = QLocale::system();
  const QString text =
      locale.toString(local.date(), QLocale::ShortFormat) + ' ' + locale.toString(local.time(), TimeWithoutZone(locale));
  return text.toStdString();
}

std::string JoinCameraAddresses(const CBrowseRecord& record, const std::string& separator) {
  std::string joined;
  for (const std::string& address : CNetworkTools::CollectCameraAddresses(record)) {
    if (!joined.empty()) joined += separator;
    joined += address;
  }
  return joined;
}

const std::string& AddressListSeparator() {
  static const std::string separator = QLocale::system().decimalPoint() == QLatin1String(",") ? "; " : ", ";
  return separator;
}

std::string CellText(Column column, const CBrowseRecord& record, const AdapterNameLookup& adapterName) {
  const NetworkSettings& net = record.NetworkSettings;
  switch (column) {
    case Column::Type: return IsDomeModel(record) ? "Dome" : "Box";
    case Column::Reachable: return record.NetworkSettingsValid ? "yes" : "no";
    case Column::Name: return DisplayName(record);
    case Column::Model: return record.GetTxtValueOrEmpty(txtkey::kModel);
    case Column::Firmware: return record.GetTxtValueOrEmpty(txtkey::kFirmwareVersion);
    case Column::ModelID: return record.GetTxtValueOrEmpty(txtkey::kModelId);
    case Column::Serial: return record.GetTxtValueOrEmpty(txtkey::kSerial);
    case Column::Discovered: return FormatDiscoveredTime(record.DiscoveredTime);
    case Column::Hostname: return record.HostTarget;
    case Column::MAC: return record.GetTxtValueOrEmpty(txtkey::kMacAddress);
    case Column::IPAddresses: return JoinCameraAddresses(record, AddressListSeparator());
    case Column::Port: return record.Port != 0 ? Decimal(record.Port) : std::string();
    case Column::ConnectedTo: return adapterName ? adapterName(record.InterfaceIndex).value_or("") : std::string();
    case Column::DHCP: return record.NetworkSettingsValid ? (net.DHCP ? "enabled" : "disabled") : "";
    case Column::Prefix: return record.NetworkSettingsValid ? Decimal(net.NetPrefix) : std::string();
    case Column::NameServer: return net.NameServer;
    case Column::Gateway: return net.Gateway;
  }
  return {};
}

int CompareByColumn(Column column, const CBrowseRecord& a, const CBrowseRecord& b, const AdapterNameLookup& adapterName) {
  auto txt = [&](const char* key, const CBrowseRecord& r) { return r.GetTxtValueOrEmpty(key); };
  switch (column) {
    case Column::Type: return Sign(int(IsDomeModel(a)) - int(IsDomeModel(b)));
    case Column::Reachable: return Sign(int(a.NetworkSettingsValid) - int(b.NetworkSettingsValid));
    case Column::Name: return CompareNatural(a.ServiceName, b.ServiceName);
    case Column::Model: return CompareNatural(txt(txtkey::kModel, a), txt(txtkey::kModel, b));
    case Column::Firmware: return CompareNatural(txt(txtkey::kFirmwareVersion, a), txt(txtkey::kFirmwareVersion, b));
    case Column::ModelID: return CompareNatural(txt(txtkey::kModelId, a), txt(txtkey::kModelId, b));
    case Column::Serial: return CompareNatural(txt(txtkey::kSerial, a), txt(txtkey::kSerial, b));
    case Column::Discovered: return Sign(a.DiscoveredTime < b.DiscoveredTime ? -1 : (a.DiscoveredTime > b.DiscoveredTime ? 1 : 0));
    case Column::Hostname: return CompareNatural(a.HostTarget, b.HostTarget);
    case Column::MAC: return Sign(txt(txtkey::kMacAddress, a).compare(txt(txtkey::kMacAddress, b)));
    case Column::IPAddresses:  // by the first address shown
      return CompareAddresses(CNetworkTools::CollectCameraAddresses(a).front(),
                              CNetworkTools::CollectCameraAddresses(b).front());
    case Column::Port: return Sign(int64_t(a.Port) - int64_t(b.Port));
    case Column::ConnectedTo: {
      if (!adapterName) return 0;
      const auto nameA = adapterName(a.InterfaceIndex), nameB = adapterName(b.InterfaceIndex);
      if (!nameA || !nameB) return 0;
      return CompareNatural(*nameA, *nameB);
    }
    case Column::DHCP: return Sign(int(a.NetworkSettings.DHCP) - int(b.NetworkSettings.DHCP));
    case Column::Prefix: return Sign(int64_t(a.NetworkSettings.NetPrefix) - int64_t(b.NetworkSettings.NetPrefix));
    case Column::NameServer: return CompareAddresses(a.NetworkSettings.NameServer, b.NetworkSettings.NameServer);
    case Column::Gateway: return CompareAddresses(a.NetworkSettings.Gateway, b.NetworkSettings.Gateway);
  }
  return 0;
}

AdapterNameLookup AdapterNamesOf(const CNetworkTools& tools) {
  return [&tools](uint32_t interfaceIndex) -> std::optional<std::string> {
    const AdapterEntry* adapter = tools.FindAdapter(interfaceIndex);
    if (adapter == nullptr) return std::nullopt;
    return std::string(adapter->Name);
  };
}

}  // namespace views
