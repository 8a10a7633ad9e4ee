#pragma once
// Applying a previewed address plan: the rows to send go to their cameras in parallel
// (at most a bound at once), each through the write of the IP settings dialog: its
// settings are read again, the plan's values laid over them, written with Commit, or
// Revert when the camera refuses the last write. A camera that fails or vanishes gets its
// result; the others go on.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "camera/camera_connect.h"
#include "plan/plan_preview.h"

namespace ravix {

enum class PlanResult {
  Success,       // written and committed
  AlreadySet,    // the camera had the planned settings; nothing sent
  NotSent,       // unticked, without a plan row, or blocked by a conflict
  LoginFailed,   // no stored credentials fit (or the prompt was cancelled)
  NotReachable,  // no session could be opened or the settings not be read
  Refused,       // the camera refused a value; the change was reverted
  NotConfirmed,  // written, but the camera did not answer the Commit
};

const char* PlanResultText(PlanResult result);
// Success and AlreadySet.
bool IsPlanSuccess(PlanResult result);

struct PlanOutcome {
  PlanResult result = PlanResult::NotSent;
  std::string detail;
  NetworkSettings written;  // what was sent (with Success)
};

struct PlanApplyOptions {
  std::size_t parallel = 16;  // cameras worked on at once
  // Called on a worker thread when a row's result is known (index into the rows).
  std::function<void(std::size_t index, const PlanOutcome& outcome)> done;
};

// The outcome of one row; blocks for the camera's exchange.
PlanOutcome ApplyPlanRow(const PreviewRow& row, const CameraConnectContext& context);

// Applies every row (rows not to be sent get their NotSent/AlreadySet outcome at once) and
// returns the outcomes in row order once all have ended.
std::vector<PlanOutcome> ApplyPlan(const std::vector<PreviewRow>& rows, const CameraConnectContext& context,
                                   const PlanApplyOptions& options = {});

}  // namespace ravix
