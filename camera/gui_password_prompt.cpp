#include "camera/gui_password_prompt.h"

#include <chrono>
#include <thread>

namespace {

constexpr auto kLoginFailedPause = std::chrono::milliseconds(2000);
constexpr auto kPauseStep = std::chrono::milliseconds(20);

// The pause before a repeated prompt tells of the failed login: on the asking thread, so
// that the window goes on painting and taking input meanwhile. False when the asker was
// cancelled during it.
bool PauseBeforeLoginFailed(const ravix::GuiRequestCanceller* canceller) {
  const auto end = std::chrono::steady_clock::now() + kLoginFailedPause;
  while (std::chrono::steady_clock::now() < end) {
    if (canceller != nullptr && canceller->IsCancelled()) return false;
    std::this_thread::sleep_for(kPauseStep);
  }
  return canceller == nullptr || !canceller->IsCancelled();
}

}  // namespace

PromptResult GuiPasswordPrompt::DoModal(PasswordPromptData& data) {
  if (!service_.HasHandler()) return PromptResult::Cancel;
  if (!data.LoginFailedMessage.empty() && !PauseBeforeLoginFailed(canceller_)) return PromptResult::Cancel;
  // like a dialog, Cancel takes nothing of what was typed
  PasswordPromptData working = data;
  const std::optional<int> answer = service_.Ask(working, canceller_);
  if (!answer || *answer != static_cast<int>(PromptResult::Ok)) return PromptResult::Cancel;
  data = working;
  return PromptResult::Ok;
}
