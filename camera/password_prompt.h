#pragma once
// The password prompt without its window: the data of CDlgPassword, its result, and the
// interface behind which the GUI shows it (see GuiPasswordPrompt for other threads).

#include <optional>
#include <string>

#include "camera/secure_bytes.h"
#include "records/browse_record.h"

class CNetworkTools;

enum class PromptResult : int { Ok = 1, Cancel = 2 };  // IDOK, IDCANCEL

struct PasswordPromptData {
  PasswordPromptData() = default;
  PasswordPromptData(const PasswordPromptData&) = default;
  PasswordPromptData& operator=(const PasswordPromptData&) = default;
  ~PasswordPromptData() { WipeString(Password); }

  std::string Caption;   // window title when not empty
  std::string Prompt;    // text above the fields
  std::string UserName;
  std::string Password;
  bool Save = false;     // "&Save Password"
  // When set, OK first tries the typed credentials on Record and keeps the dialog open
  // when the camera refuses them (401 or 18). The tools object lives as long as the program.
  CNetworkTools* CheckingTools = nullptr;
  // How the check addresses the camera (the AlwaysUseIPAddress setting).
  bool AlwaysUseIPAddress = true;
  // The camera tried on OK: a copy, so the dialog never depends on its asker's record.
  std::optional<CBrowseRecord> Record;
  bool SaveEnabled = true;  // whether "&Save Password" can be changed
  // When not empty: the credentials typed last time failed. The GUI shows this message
  // (after the wait cursor) before it shows the dialog again.
  std::string LoginFailedMessage;
};

class IPasswordPrompt {
 public:
  virtual ~IPasswordPrompt() = default;
  // Shows the prompt modally for data; on Ok, data holds what the user typed.
  virtual PromptResult DoModal(PasswordPromptData& data) = 0;
};

// The prompt of a camera login: caption and prompt name the record's ServiceName, empty
// user name, Save ticked and changeable, checking with tools (addressing the camera by
// its IPv4 address when alwaysUseIPAddress).
PasswordPromptData MakeCameraPasswordPrompt(const CBrowseRecord& record, CNetworkTools* tools,
                                            bool alwaysUseIPAddress = true);
// The prompt of Set Default Password: no checking, Save ticked and fixed.
PasswordPromptData MakeDefaultPasswordPrompt();
// Message after a failed login with the typed user name.
std::string FormatLoginFailedMessage(const std::string& userName);
