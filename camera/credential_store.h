#pragma once
// CCredentialStore: stored camera credentials, one value per camera named by its serial
// number and the default credentials "Master". Each value is the credential text: user
// name, TAB, password, NUL.
//
// With a desktop keyring (CKeyring) the values are its entries, labelled with the
// program's name and the camera's serial. Without one, or while it cannot be reached,
// they are kept in the file store: section "Authentication" of the profile, each value
// protected with the user's own key (CProtectedData). On first use of a reachable
// keyring, the file store's values move into it; a file value is removed only after the
// keyring holds it, so a failure on the way loses nothing, and an entry the keyring holds
// already is never overwritten by the file's (the keyring's is the newer one).

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "camera/keyring.h"
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
  // keyFolder: where the file store's protection key lives; empty for the user's own.
  // keyring: the desktop keyring to keep the values in; none: the file store only.
  explicit CCredentialStore(const ravix::AppProfile& profile, std::string keyFolder = {},
                            std::shared_ptr<CKeyring> keyring = nullptr)
      : profile_(profile), keyFolder_(std::move(keyFolder)), keyring_(std::move(keyring)) {}

  // The credentials to try for a camera before asking the user: its own value when one
  // exists, otherwise "Master". Nothing for an empty serial, and nothing when the value
  // found cannot be unprotected or has no TAB (a camera with a value of its own never
  // falls back to the default one).
  bool FindForCamera(const std::string& serial, CameraCredentials& out) const;

  // One value; false when it is missing, unreadable or has no TAB.
  bool Read(const std::string& valueName, CameraCredentials& out) const;
  bool Exists(const std::string& valueName) const;
  // Writes to the keyring, or when it cannot be reached, protects and writes to the file
  // store; false when neither took the value.
  bool Write(const std::string& valueName, const std::string& userName, const std::string& password) const;
  // Forgets a value in the file store and in the keyring while it answers; false when the
  // file could not be changed or the keyring stopped answering on the way.
  bool Remove(const std::string& valueName) const;

  // After a prompted login with Save ticked; nothing is stored for an empty serial.
  bool SaveForCamera(const std::string& serial, const std::string& userName, const std::string& password) const;
  // Set Default Password.
  bool SaveDefault(const std::string& userName, const std::string& password) const;

  // The value name of a serial: the serial itself, with '%', '/' and '\' written as %25,
  // %2F and %5C (the store would read '/' and '\' as group separators), and the serial
  // "Master" as "%4Daster" (that name holds the default credentials).
  static std::string ValueNameOfSerial(const std::string& serial);
  // What a keyring manager shows for a value: the program's name and the camera's serial,
  // or that it is the default password.
  static std::string KeyringLabel(const std::string& valueName);

  // Moves the file store's values into the keyring (done once on first use); the number
  // moved. Values the file store cannot unprotect stay where they are.
  std::size_t MoveFileValuesToKeyring() const;
  // Whether values go to the keyring now (it was given and still answers).
  bool UsesKeyring() const;

  // Called with the value name after each value moved into the keyring (or whose file
  // copy went because the keyring held the value already).
  std::function<void(const std::string&)> OnValueMoved;
  // Called, on the thread that used the store, with what a user should know: once when
  // values go to the file store though a keyring was given (it cannot be reached), and
  // for each value the file store could not let go after the keyring took it. Set it
  // before the store is first used.
  std::function<void(const std::string&)> OnNotice;

 private:
  enum class Lookup { Found, Missing, Unusable };
  enum class Move { Moved, Skipped, Failed };

  Lookup Find(const std::string& valueName, CameraCredentials& out) const;
  Lookup FindInFile(const std::string& valueName, SecureBytes& text) const;
  bool WriteToFile(const std::string& valueName, const SecureBytes& text) const;
  bool InFile(const std::string& valueName) const;
  Move MoveToKeyring(const std::string& valueName) const;
  void FirstUse() const;
  void Notice(const std::string& text) const;
  // The notice that values go to the file store instead of the keyring, once.
  void NoticeFileStore() const;

  const ravix::AppProfile& profile_;
  std::string keyFolder_;
  std::shared_ptr<CKeyring> keyring_;
  mutable std::once_flag firstUse_;
  mutable std::atomic<bool> fileNoticeGiven_{false};
};
