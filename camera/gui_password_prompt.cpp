#include "camera/gui_password_prompt.h"

PromptResult GuiPasswordPrompt::DoModal(PasswordPromptData& data) {
  const std::optional<int> answer = service_.Ask(data, canceller_);
  if (answer && *answer == static_cast<int>(PromptResult::Ok)) return PromptResult::Ok;
  return PromptResult::Cancel;
}
