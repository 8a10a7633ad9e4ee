#include "plan/plan_apply.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "camera/ip_settings_exchange.h"

namespace ravix {

namespace {

std::string Joined(const std::vector<std::string>& texts) {
  std::string out;
  for (const std::string& text : texts) out += (out.empty() ? "" : "; ") + text;
  return out;
}

PlanOutcome Outcome(PlanResult result, std::string detail) { return {result, std::move(detail), {}}; }

PlanOutcome OpenFailure(CameraResult rc, const char* step) {
  if (IsAuthenticationFailure(rc)) return Outcome(PlanResult::LoginFailed, std::string(step) + ": camera result " + std::to_string(rc));
  return Outcome(PlanResult::NotReachable, std::string(step) + ": camera result " + std::to_string(rc));
}

}  // namespace

const char* PlanResultText(PlanResult result) {
  switch (result) {
    case PlanResult::Success: return "Success";
    case PlanResult::AlreadySet: return "Already set";
    case PlanResult::NotSent: return "Not sent";
    case PlanResult::LoginFailed: return "Login failed";
    case PlanResult::NotReachable: return "Not reachable";
    case PlanResult::Refused: return "Refused by the camera";
    case PlanResult::NotConfirmed: return "Commit not confirmed";
  }
  return "Unknown";
}

bool IsPlanSuccess(PlanResult result) { return result == PlanResult::Success || result == PlanResult::AlreadySet; }

PlanOutcome ApplyPlanRow(const PreviewRow& row, const CameraConnectContext& context) {
  if (!row.hasPlan) return Outcome(PlanResult::NotSent, "no plan row names this camera");
  if (!row.ticked) return Outcome(PlanResult::NotSent, "unticked");
  if (!row.conflicts.empty()) return Outcome(PlanResult::NotSent, Joined(row.conflicts));
  if (!row.Changes()) return Outcome(PlanResult::AlreadySet, "");
  // The settings as the camera has them now: the plan changes only what it names.
  CBrowseRecord camera = row.record;
  const CameraResult read = ReadNetworkSettingsResult(context, camera);
  if (read != CamOk) return OpenFailure(read, "reading the settings");
  const NetworkSettings settings = PlannedSettings(camera.NetworkSettings, row.plan);
  if (settings == camera.NetworkSettings) return Outcome(PlanResult::AlreadySet, "");
  const NetworkWriteOutcome written = WriteNetworkSettingsOutcome(settings, context, camera);
  if (written.open != CamOk) return OpenFailure(written.open, "opening the session");
  if (!written.committed)
    return Outcome(PlanResult::Refused, "camera result " + std::to_string(written.lastWrite) + "; reverted");
  if (written.action != CamOk)
    return Outcome(PlanResult::NotConfirmed, "no answer to Commit (camera result " + std::to_string(written.action) + ")");
  PlanOutcome outcome = Outcome(PlanResult::Success, "");
  outcome.written = settings;
  return outcome;
}

std::vector<PlanOutcome> ApplyPlan(const std::vector<PreviewRow>& rows, const CameraConnectContext& context,
                                   const PlanApplyOptions& options) {
  std::vector<PlanOutcome> outcomes(rows.size());
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t i; (i = next.fetch_add(1)) < rows.size();) {
      outcomes[i] = ApplyPlanRow(rows[i], context);
      if (options.done) options.done(i, outcomes[i]);
    }
  };
  const std::size_t sending = static_cast<std::size_t>(
      std::count_if(rows.begin(), rows.end(), [](const PreviewRow& row) { return row.WillSend(); }));
  const std::size_t threads = std::clamp<std::size_t>(std::min(options.parallel, sending), 1, 256);
  {
    std::vector<std::jthread> workers;
    for (std::size_t t = 0; t < threads; ++t) workers.emplace_back(work);
  }  // joined here
  return outcomes;
}

}  // namespace ravix
