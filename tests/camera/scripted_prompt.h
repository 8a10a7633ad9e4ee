#pragma once
// The user at the password prompt: answers from a script, remembers what was shown.

#include <deque>
#include <string>
#include <vector>

#include "camera/password_prompt.h"

class ScriptedPrompt : public IPasswordPrompt {
 public:
  struct Answer {
    bool ok = false;  // false: Cancel
    std::string user;
    std::string password;
    bool save = false;
  };

  void Type(const std::string& user, const std::string& password, bool save) {
    answers_.push_back({true, user, password, save});
  }
  void Cancel() { answers_.push_back({}); }

  // Runs out of answers: Cancel.
  PromptResult DoModal(PasswordPromptData& data) override {
    shown.push_back(data);
    if (answers_.empty()) return PromptResult::Cancel;
    const Answer answer = answers_.front();
    answers_.pop_front();
    if (!answer.ok) return PromptResult::Cancel;
    data.UserName = answer.user;
    data.Password = answer.password;
    data.Save = answer.save;
    return PromptResult::Ok;
  }

  // The prompt data as it was when each prompt opened.
  std::vector<PasswordPromptData> shown;

 private:
  std::deque<Answer> answers_;
};
