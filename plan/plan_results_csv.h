#pragma once
// The results of an applied plan as a CSV file (UTF-8, CRLF, header row): one row per
// camera with its old and new address and host name, result and detail. Camera texts
// stay data: quoted when needed, and a cell a spreadsheet would take for a formula
// (starting with =, +, -, @, tab or CR) is prefixed with an apostrophe.

#include <string>
#include <vector>

#include "plan/plan_apply.h"
#include "plan/plan_preview.h"

namespace ravix {

std::string PlanResultsCsv(const std::vector<PreviewRow>& rows, const std::vector<PlanOutcome>& outcomes);

// One CSV cell as described above.
std::string PlanCsvCell(const std::string& text);

}  // namespace ravix
