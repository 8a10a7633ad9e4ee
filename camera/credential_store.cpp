#include "camera/credential_store.h"

#include <cstring>
#include <vector>

#include <sodium.h>

#include "camera/protected_data.h"
#include "platform/debug_trace.h"

SecureBytes BuildCredentialText(const std::string& userName, const std::string& password) {
  SecureBytes text;
  text.Reserve(userName.size() + password.size() + 2);
  text.Append(userName.data(), userName.size());
  text.Append("\t", 1);
  text.Append(password.data(), password.size());
  text.Append("", 1);
  return text;
}

bool SplitCredentialText(const SecureBytes& text, CameraCredentials& out) {
  out.Wipe();
  if (text.empty()) return false;
  const auto* begin = reinterpret_cast<const char*>(text.data());
  const auto* end = begin + text.size();
  const auto* tab = static_cast<const char*>(std::memchr(begin, '\t', text.size()));
  if (tab == nullptr) return false;
  const auto* passwordBegin = tab + 1;
  const auto* nul = static_cast<const char*>(std::memchr(passwordBegin, '\0', static_cast<std::size_t>(end - passwordBegin)));
  const auto* passwordEnd = nul != nullptr ? nul : end;
  out.UserName.reserve(static_cast<std::size_t>(tab - begin));
  out.UserName.assign(begin, tab);
  out.Password.reserve(static_cast<std::size_t>(passwordEnd - passwordBegin));
  out.Password.assign(passwordBegin, passwordEnd);
  return true;
}

std::string CCredentialStore::ValueNameOfSerial(const std::string& serial) {
  // A camera calling itself "Master" must not read or replace the default credentials.
  if (serial == kMasterCredentials) return "%4Daster";
  std::string name;
  for (char c : serial) {
    if (c == '%') {
      name += "%25";
    } else if (c == '/') {
      name += "%2F";
    } else if (c == '\\') {
      name += "%5C";
    } else {
      name.push_back(c);
    }
  }
  return name;
}

std::string CCredentialStore::KeyringLabel(const std::string& valueName) {
  static const std::string program = ravix::kProfileApplication;
  if (valueName == kMasterCredentials) return program + ": default camera password";
  std::string serial;
  for (std::size_t i = 0; i < valueName.size(); ++i) {
    const std::string rest = valueName.substr(i, 3);
    if (rest == "%25" || rest == "%2F" || rest == "%5C" || rest == "%4D") {
      serial.push_back(rest == "%25" ? '%' : rest == "%2F" ? '/' : rest == "%5C" ? '\\' : 'M');
      i += 2;
      continue;
    }
    const auto c = static_cast<unsigned char>(valueName[i]);
    serial.push_back(c < 0x20 || c == 0x7F ? '?' : valueName[i]);
  }
  return program + ": password of camera " + serial;
}

bool CCredentialStore::UsesKeyring() const { return keyring_ != nullptr && keyring_->Reachable(); }

void CCredentialStore::FirstUse() const {
  std::call_once(firstUse_, [this] {
    if (keyring_ != nullptr) MoveFileValuesToKeyring();
    if (UsesKeyring()) {
      DebugTrace("Camera passwords are kept in the desktop keyring");
      return;
    }
    const std::string why = keyring_ == nullptr ? std::string("no desktop keyring is used")
                                                : "the desktop keyring cannot be reached (" + keyring_->Problem() + ")";
    DebugTrace("Camera passwords are kept in the encrypted file store (%s): %s", why.c_str(),
               profile_.Location().toStdString().c_str());
    NoticeFileStore();
  });
}

CCredentialStore::Lookup CCredentialStore::FindInFile(const std::string& valueName, SecureBytes& text) const {
  text.Clear();
  std::vector<unsigned char> value;
  if (!profile_.GetProfileBinary(kAuthenticationSection, valueName.c_str(), value)) return Lookup::Missing;
  CProtectedData data;
  data.KeyFolder = keyFolder_;
  data.SetInput(value.data(), value.size());
  text = data.Unprotect();
  sodium_memzero(value.data(), value.size());
  return text.empty() ? Lookup::Unusable : Lookup::Found;
}

CCredentialStore::Lookup CCredentialStore::Find(const std::string& valueName, CameraCredentials& out) const {
  out.Wipe();
  FirstUse();
  SecureBytes text;
  Lookup found = Lookup::Missing;
  if (UsesKeyring()) {
    const CKeyring::Result result = keyring_->Read(valueName, KeyringLabel(valueName), text);
    if (result == CKeyring::Result::Ok) found = Lookup::Found;
  }
  // A value the keyring does not have may still be in the file (written while the keyring
  // did not answer, or one that could not be moved).
  if (found == Lookup::Missing) found = FindInFile(valueName, text);
  if (found == Lookup::Missing) return found;
  if (found == Lookup::Found && SplitCredentialText(text, out)) return found;
  DebugTrace("Stored credentials '%s' are not usable and are passed over", valueName.c_str());
  return Lookup::Unusable;
}

bool CCredentialStore::Exists(const std::string& valueName) const {
  CameraCredentials ignored;
  return Find(valueName, ignored) != Lookup::Missing;
}

bool CCredentialStore::Read(const std::string& valueName, CameraCredentials& out) const {
  return Find(valueName, out) == Lookup::Found;
}

bool CCredentialStore::FindForCamera(const std::string& serial, CameraCredentials& out) const {
  out.Wipe();
  if (serial.empty()) return false;
  const Lookup own = Find(ValueNameOfSerial(serial), out);
  if (own != Lookup::Missing) return own == Lookup::Found;
  return Read(kMasterCredentials, out);
}

bool CCredentialStore::WriteToFile(const std::string& valueName, const SecureBytes& text) const {
  CProtectedData data;
  data.KeyFolder = keyFolder_;
  data.SetInput(text.data(), text.size());
  const SecureBytes& sealed = data.Protect();
  if (sealed.empty()) return false;
  return profile_.WriteProfileBinary(kAuthenticationSection, valueName.c_str(), sealed.data(), sealed.size());
}

bool CCredentialStore::Write(const std::string& valueName, const std::string& userName,
                             const std::string& password) const {
  FirstUse();
  const SecureBytes text = BuildCredentialText(userName, password);
  if (UsesKeyring() && keyring_->Write(valueName, KeyringLabel(valueName), text) == CKeyring::Result::Ok) {
    // An older copy in the file would come back should the keyring be missing one day.
    if (InFile(valueName) && !profile_.RemoveProfileValue(kAuthenticationSection, valueName.c_str()))
      Notice("an older copy of stored credentials '" + valueName + "' could not be removed from " +
             profile_.Location().toStdString());
    return true;
  }
  NoticeFileStore();  // a keyring that stopped answering in this run
  return WriteToFile(valueName, text);
}

bool CCredentialStore::Remove(const std::string& valueName) const {
  FirstUse();
  bool gone = true;
  if (UsesKeyring()) {
    // A keyring that stops answering now may still hold the value.
    gone = keyring_->Remove(valueName, KeyringLabel(valueName)) != CKeyring::Result::Unavailable;
  }
  return profile_.RemoveProfileValue(kAuthenticationSection, valueName.c_str()) && gone;
}

bool CCredentialStore::InFile(const std::string& valueName) const {
  std::vector<unsigned char> value;
  const bool found = profile_.GetProfileBinary(kAuthenticationSection, valueName.c_str(), value);
  sodium_memzero(value.data(), value.size());
  return found;
}

CCredentialStore::Move CCredentialStore::MoveToKeyring(const std::string& valueName) const {
  SecureBytes text;
  if (FindInFile(valueName, text) != Lookup::Found) {
    DebugTrace("Stored credentials '%s' cannot be unprotected and stay in the file", valueName.c_str());
    return Move::Skipped;
  }
  const std::string label = KeyringLabel(valueName);
  // An entry the keyring holds already is newer than the file's (the file is written only
  // while the keyring does not answer, and a later keyring write removes it): it is kept.
  SecureBytes stored;
  const CKeyring::Result held = keyring_->Read(valueName, label, stored);
  if (held == CKeyring::Result::Unavailable) return Move::Failed;
  const bool kept = held == CKeyring::Result::Ok;
  if (!kept) {
    if (keyring_->Write(valueName, label, text) != CKeyring::Result::Ok) return Move::Failed;
    // Only what the keyring gives back unchanged lets the file copy go.
    if (keyring_->Read(valueName, label, stored) != CKeyring::Result::Ok) return Move::Failed;
    const bool same = stored.size() == text.size() && sodium_memcmp(stored.data(), text.data(), text.size()) == 0;
    if (!same) return Move::Failed;
  }
  if (!profile_.RemoveProfileValue(kAuthenticationSection, valueName.c_str())) {
    Notice("stored credentials '" + valueName + "' are in the desktop keyring but could not be removed from " +
           profile_.Location().toStdString());
    return Move::Failed;
  }
  if (kept) {
    DebugTrace("Stored credentials '%s': the desktop keyring's entry is kept, the file's copy removed", valueName.c_str());
  } else {
    DebugTrace("Stored credentials '%s' moved from the file into the desktop keyring", valueName.c_str());
  }
  if (OnValueMoved) OnValueMoved(valueName);
  return Move::Moved;
}

void CCredentialStore::Notice(const std::string& text) const {
  DebugTrace("Credential store: %s", text.c_str());
  if (OnNotice) OnNotice(text);
}

void CCredentialStore::NoticeFileStore() const {
  if (keyring_ == nullptr || fileNoticeGiven_.exchange(true)) return;
  Notice("camera passwords are kept in the encrypted file store, the desktop keyring cannot be reached (" +
         keyring_->Problem() + ")");
}

std::size_t CCredentialStore::MoveFileValuesToKeyring() const {
  std::size_t moved = 0;
  if (!UsesKeyring()) return moved;
  for (const std::string& valueName : profile_.ProfileEntries(kAuthenticationSection)) {
    const Move move = MoveToKeyring(valueName);
    if (move == Move::Failed) {
      DebugTrace("Moving stored credentials into the desktop keyring stopped at '%s'; the rest stays in the file",
                 valueName.c_str());
      break;
    }
    if (move == Move::Moved) ++moved;
  }
  return moved;
}

bool CCredentialStore::SaveForCamera(const std::string& serial, const std::string& userName,
                                     const std::string& password) const {
  if (serial.empty()) return false;
  return Write(ValueNameOfSerial(serial), userName, password);
}

bool CCredentialStore::SaveDefault(const std::string& userName, const std::string& password) const {
  return Write(kMasterCredentials, userName, password);
}
