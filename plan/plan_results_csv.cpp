#include "plan/plan_results_csv.h"

#include <algorithm>

namespace ravix {

std::string PlanCsvCell(const std::string& text) {
  std::string cell = text;
  if (!cell.empty() && std::string_view("=+-@\t\r").find(cell.front()) != std::string_view::npos) cell.insert(0, "'");
  const bool plain = std::none_of(cell.begin(), cell.end(), [](char ch) {
    const auto byte = static_cast<unsigned char>(ch);
    return byte == ',' || byte == '"' || byte < 0x20 || byte == 0x7F;
  });
  if (plain) return cell;
  std::string quoted = "\"";
  for (char ch : cell) {
    if (ch == '"') quoted += '"';
    quoted += ch;
  }
  return quoted + '"';
}

std::string PlanResultsCsv(const std::vector<PreviewRow>& rows, const std::vector<PlanOutcome>& outcomes) {
  std::string text = "Camera,Serial,MAC,Old address,New address,Old host name,New host name,Result,Detail\r\n";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const PreviewRow& row = rows[i];
    const PlanOutcome outcome = i < outcomes.size() ? outcomes[i] : PlanOutcome{};
    const std::string newAddress = row.after.DHCP ? "DHCP" : row.after.IPAddress;
    const std::vector<std::string> cells = {row.record.ServiceName,
                                            row.record.GetTxtValueOrEmpty(txtkey::kSerial),
                                            row.record.GetTxtValueOrEmpty(txtkey::kMacAddress),
                                            row.before.IPAddress,
                                            row.hasPlan ? newAddress : "",
                                            row.before.HostName,
                                            row.hasPlan ? row.after.HostName : "",
                                            PlanResultText(outcome.result),
                                            outcome.detail};
    for (std::size_t c = 0; c < cells.size(); ++c) text += (c == 0 ? "" : ",") + PlanCsvCell(cells[c]);
    text += "\r\n";
  }
  return text;
}

}  // namespace ravix
