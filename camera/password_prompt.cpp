#include "camera/password_prompt.h"

#include <cstdio>
#include <vector>

#include "camera/credential_strings.h"

namespace {

std::string FormatWithText(const char* format, const std::string& text) {
  const int size = std::snprintf(nullptr, 0, format, text.c_str());
  if (size < 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(size) + 1);
  std::snprintf(buffer.data(), buffer.size(), format, text.c_str());
  return std::string(buffer.data(), static_cast<std::size_t>(size));
}

}  // namespace

PasswordPromptData MakeCameraPasswordPrompt(const CBrowseRecord& record, CNetworkTools* tools,
                                            bool alwaysUseIPAddress) {
  PasswordPromptData data;
  data.Caption = FormatWithText(credential_strings::kCameraCaption, record.ServiceName);
  data.Prompt = FormatWithText(credential_strings::kCameraPrompt, record.ServiceName);
  data.Save = true;
  data.SaveEnabled = true;
  data.CheckingTools = tools;
  data.AlwaysUseIPAddress = alwaysUseIPAddress;
  data.Record = record;
  return data;
}

PasswordPromptData MakeDefaultPasswordPrompt() {
  PasswordPromptData data;
  data.Caption = credential_strings::kDefaultCaption;
  data.Prompt = credential_strings::kDefaultPrompt;
  data.Save = true;
  data.SaveEnabled = false;
  return data;
}

std::string FormatLoginFailedMessage(const std::string& userName) {
  return FormatWithText(credential_strings::kLoginFailed, userName);
}
