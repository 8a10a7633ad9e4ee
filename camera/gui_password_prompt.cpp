#include "camera/gui_password_prompt.h"

PromptResult GuiPasswordPrompt::DoModal(PasswordPromptData& data) {
  // like a dialog, Cancel takes nothing of what was typed
  PasswordPromptData working = data;
  const std::optional<int> answer = service_.Ask(working, canceller_);
  if (!answer || *answer != static_cast<int>(PromptResult::Ok)) return PromptResult::Cancel;
  data = working;
  return PromptResult::Ok;
}
