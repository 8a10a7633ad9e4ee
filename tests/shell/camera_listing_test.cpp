#include "shell/camera_listing.h"

#include <algorithm>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

CBrowseRecord Camera(const char* name) {
  CBrowseRecord r;
  r.ServiceName = name;
  r.AddTxtValue(txtkey::kVendor, "Zorvik");
  r.AddTxtValue(txtkey::kModel, "Ravix-D2");
  r.AddTxtValue(txtkey::kIpv4Net, "192.168.77.10");
  r.AddTxtValue(txtkey::kIpv4Zc, "169.254.3.4");
  r.Port = 80;
  r.NetworkSettingsValid = true;
  return r;
}

TEST(CameraListing, JsonHasTheColumnTitlesInOrder) {
  const std::string text = FormatCameraListing({Camera("Cam \"1\"")}, ListingFormat::Json, nullptr);
  const auto list = nlohmann::ordered_json::parse(text);
  ASSERT_EQ(list.size(), 1u);
  const auto& item = list[0];
  ASSERT_EQ(item.size(), 17u);
  EXPECT_EQ(item.begin().key(), "Type");
  EXPECT_EQ(item["Type"], "Dome");
  EXPECT_EQ(item["Name"], "Cam \"1\"");
  EXPECT_EQ(item["Reachable"], "yes");
  EXPECT_EQ(item["Port"], "80");
  EXPECT_EQ(FormatCameraListing({}, ListingFormat::Json, nullptr), "[]\n");
}

TEST(CameraListing, CsvQuotesSeparatorsAndQuotes) {
  const std::string text = FormatCameraListing({Camera("Cam \"1\"")}, ListingFormat::Csv, nullptr);
  EXPECT_EQ(text.substr(0, text.find("\r\n")),
            "Type,Reachable,Name,Model,Firmware,Model ID,Serial,Discovered,Hostname,MAC,IP Address(es),Port,"
            "Connected To,DHCP,Prefix,Name Server,Gateway");
  EXPECT_NE(text.find("\"Cam \"\"1\"\"\""), std::string::npos);
  EXPECT_NE(text.find("\"192.168.77.10, 169.254.3.4\""), std::string::npos);
}

TEST(CameraListing, AddressesEndWithoutSeparatorInEveryFormat) {
  CBrowseRecord onlyNet = Camera("net");
  onlyNet.TxtRecord.erase(txtkey::kIpv4Zc);
  CBrowseRecord onlyZc = Camera("zc");
  onlyZc.TxtRecord.erase(txtkey::kIpv4Net);
  CBrowseRecord none = Camera("none");
  none.TxtRecord.erase(txtkey::kIpv4Net);
  none.TxtRecord.erase(txtkey::kIpv4Zc);
  const std::vector<CBrowseRecord> records = {onlyNet, onlyZc, none, Camera("both")};
  const auto list = nlohmann::json::parse(FormatCameraListing(records, ListingFormat::Json, nullptr));
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0]["IP Address(es)"], "192.168.77.10");
  EXPECT_EQ(list[1]["IP Address(es)"], "169.254.3.4");
  EXPECT_EQ(list[2]["IP Address(es)"], "");
  EXPECT_EQ(list[3]["IP Address(es)"], "192.168.77.10, 169.254.3.4");
  const std::string csv = FormatCameraListing({onlyNet}, ListingFormat::Csv, nullptr);
  EXPECT_NE(csv.find(",192.168.77.10,80,"), std::string::npos) << csv;
  const std::string table = FormatCameraListing({onlyNet}, ListingFormat::Table, nullptr);
  EXPECT_EQ(table.find("192.168.77.10,"), std::string::npos) << table;
}

// Control characters from a camera stay inside their quoted field, whatever they are.
TEST(CameraListing, CsvQuotesControlCharacters) {
  const std::string text = FormatCameraListing({Camera("a\x1b[2Jb"), Camera("tab\there"), Camera("cr\ronly")},
                                               ListingFormat::Csv, nullptr);
  EXPECT_NE(text.find(",\"a\x1b[2Jb\","), std::string::npos);
  EXPECT_NE(text.find(",\"tab\there\","), std::string::npos);
  EXPECT_NE(text.find(",\"cr\ronly\","), std::string::npos);
}

// On a terminal no control character of a camera's text takes effect, in any format; the
// values stay readable and JSON keeps them exactly.
TEST(CameraListing, TerminalCarriesNoControlCharacters) {
  CBrowseRecord hostile = Camera("a\x1b[2Jb\r\nfake line\x7f \xc2\x9b" "31m caf\xc3\xa9");
  hostile.TxtRecord.Set(txtkey::kModel, "M\x07odel");
  const auto clean = [](const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      const auto byte = static_cast<unsigned char>(text[i]);
      if (byte == '\n' || (byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) continue;
      if (byte < 0x20 || byte == 0x7F) return false;
      if (byte == 0xC2 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80) return false;
    }
    return true;
  };
  for (const ListingFormat format : {ListingFormat::Table, ListingFormat::Csv, ListingFormat::Json}) {
    const std::string text = FormatCameraListing({hostile}, format, nullptr, ListingDestination::Terminal);
    EXPECT_TRUE(clean(text)) << text;
    if (format == ListingFormat::Json) {
      EXPECT_EQ(nlohmann::json::parse(text)[0]["Name"], hostile.ServiceName);
    } else {
      EXPECT_NE(text.find("a\\x1b[2Jb\\x0d\\x0afake line\\x7f \\x9b" "31m caf\xc3\xa9"), std::string::npos) << text;
      EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << "a title line and one camera line";
    }
  }
  // a file keeps the data as the camera sent it (quoted)
  const std::string file = FormatCameraListing({hostile}, ListingFormat::Csv, nullptr);
  EXPECT_NE(file.find(hostile.ServiceName), std::string::npos);
}

// A camera's text never becomes a live formula in a spreadsheet: in CSV, wherever it goes,
// a cell starting with = + - @ TAB or CR gets an apostrophe; JSON and the table keep the
// text as it is, and so does a cell that only holds such a character later on.
TEST(CameraListing, CsvCellsOfCameraTextNeverStartAFormula) {
  CBrowseRecord formula = Camera("=HYPERLINK(\"http://x.test/\",\"open\")");
  formula.TxtRecord.Set(txtkey::kModel, "+cmd|' /C calc'!A0");
  formula.TxtRecord.Set(txtkey::kSerial, "-2+3");
  formula.TxtRecord.Set(txtkey::kFirmwareVersion, "@SUM(1)");
  CBrowseRecord blank = Camera("\tTab");
  blank.TxtRecord.Set(txtkey::kModel, "\rCR");
  blank.TxtRecord.Set(txtkey::kSerial, "a=b-c");
  const std::vector<CBrowseRecord> records{formula, blank};

  const std::string file = FormatCameraListing(records, ListingFormat::Csv, nullptr);
  EXPECT_NE(file.find(",\"'=HYPERLINK(\"\"http://x.test/\"\",\"\"open\"\")\","), std::string::npos) << file;
  EXPECT_NE(file.find(",'+cmd|' /C calc'!A0,"), std::string::npos) << file;
  EXPECT_NE(file.find(",'-2+3,"), std::string::npos) << file;
  EXPECT_NE(file.find(",'@SUM(1),"), std::string::npos) << file;
  EXPECT_NE(file.find(",\"'\tTab\","), std::string::npos) << file;
  EXPECT_NE(file.find(",\"'\rCR\","), std::string::npos) << file;
  EXPECT_NE(file.find(",a=b-c,"), std::string::npos) << file;
  EXPECT_EQ(file.rfind("Type,", 0), 0u) << "the title row is ours";

  const std::string terminal = FormatCameraListing(records, ListingFormat::Csv, nullptr, ListingDestination::Terminal);
  EXPECT_NE(terminal.find(",'\\x09Tab,"), std::string::npos) << terminal;
  EXPECT_NE(terminal.find(",'+cmd|' /C calc'!A0,"), std::string::npos) << terminal;

  const auto json = nlohmann::json::parse(FormatCameraListing(records, ListingFormat::Json, nullptr));
  EXPECT_EQ(json[0]["Name"], formula.ServiceName);
  EXPECT_EQ(json[1]["Model"], "\rCR");
  const std::string table = FormatCameraListing(records, ListingFormat::Table, nullptr);
  EXPECT_EQ(table.find("'"), table.find("' /C")) << "no apostrophe added outside CSV";
}

TEST(CameraListing, InvalidUtf8FromCameraDoesNotBreakJson) {
  CBrowseRecord r = Camera("bad\xff name");
  const std::string text = FormatCameraListing({r}, ListingFormat::Json, nullptr);
  EXPECT_TRUE(nlohmann::json::accept(text));
}

TEST(CameraListing, TableAlignsColumns) {
  const std::string text = FormatCameraListing({Camera("A"), Camera("Longer name")}, ListingFormat::Table, nullptr);
  const auto first = text.find('\n');
  const auto second = text.find('\n', first + 1);
  const std::string header = text.substr(0, first), row = text.substr(first + 1, second - first - 1);
  EXPECT_EQ(header.find("Reachable"), row.find("yes"));
}

}  // namespace
