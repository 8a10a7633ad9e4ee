#pragma once
// CCredentialStore: stored camera credentials in section "Authentication", one binary
// value per camera named by its serial number and the default credentials "Master". Each
// value is the protected credential text: user name, TAB, password, NUL.

#include <string>

#include "camera/secure_bytes.h"
#include "platform/app_profile.h"

inline constexpr const char* kAuthenticationSection = "Authentication";
inline constexpr const char* kMasterCredentials = "Master";

struct CameraCredentials {
  CameraCredentials() = default;
  CameraCredentials(const CameraCredentials&) = default;
  CameraCredentials& operator=(const CameraCredentials&) = default;
  ~CameraCredentials() { Wipe(); }
  void Wipe() {
    WipeString(UserName);
    WipeString(Password);
  }

  std::string UserName;
  std::string Password;
};

// user TAB password NUL, the text that is protected.
SecureBytes BuildCredentialText(const std::string& userName, const std::string& password);
// Splits an unprotected text at its first TAB (the password ends at a NUL). False for an
// empty text or one without TAB.
bool SplitCredentialText(const SecureBytes& text, CameraCredentials& out);

class CCredentialStore {
 public:
  // keyFolder: where the protection key lives; empty for the user's own.
  explicit CCredentialStore(const ravix::AppProfile& profile, std::string keyFolder = {})
      : profile_(profile), keyFolder_(std::move(keyFolder)) {}

  // The credentials to try for a camera before asking the user: its own value when one
  // exists, otherwise "Master". Nothing for an empty serial, and nothing when the value
  // found cannot be unprotected or has no TAB (a camera with a value of its own never
  // falls back to the default one).
  bool FindForCamera(const std::string& serial, CameraCredentials& out) const;

  // One value; false when it is missing, unreadable or has no TAB.
  bool Read(const std::string& valueName, CameraCredentials& out) const;
  bool Exists(const std::string& valueName) const;
  // Protects and writes; false when protection gave nothing or the store refused the write.
  bool Write(const std::string& valueName, const std::string& userName, const std::string& password) const;

  // After a prompted login with Save ticked; nothing is stored for an empty serial.
  bool SaveForCamera(const std::string& serial, const std::string& userName, const std::string& password) const;
  // Set Default Password.
  bool SaveDefault(const std::string& userName, const std::string& password) const;

  // The value name of a serial: the serial itself, with '%', '/' and '\' written as %25,
  // %2F and %5C (the store would read '/' and '\' as group separators), and the serial
  // "Master" as "%4Daster" (that name holds the default credentials).
  static std::string ValueNameOfSerial(const std::string& serial);

 private:
  const ravix::AppProfile& profile_;
  std::string keyFolder_;
};
