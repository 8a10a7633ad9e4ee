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

bool CCredentialStore::Exists(const std::string& valueName) const {
  std::vector<unsigned char> value;
  const bool found = profile_.GetProfileBinary(kAuthenticationSection, valueName.c_str(), value);
  sodium_memzero(value.data(), value.size());
  return found;
}

bool CCredentialStore::Read(const std::string& valueName, CameraCredentials& out) const {
  out.Wipe();
  std::vector<unsigned char> value;
  if (!profile_.GetProfileBinary(kAuthenticationSection, valueName.c_str(), value)) return false;
  CProtectedData data;
  data.KeyFolder = keyFolder_;
  data.SetInput(value.data(), value.size());
  const bool split = SplitCredentialText(data.Unprotect(), out);
  if (!split) DebugTrace("Stored credentials '%s' are not usable and are passed over", valueName.c_str());
  return split;
}

bool CCredentialStore::FindForCamera(const std::string& serial, CameraCredentials& out) const {
  out.Wipe();
  if (serial.empty()) return false;
  const std::string own = ValueNameOfSerial(serial);
  return Read(Exists(own) ? own : std::string(kMasterCredentials), out);
}

bool CCredentialStore::Write(const std::string& valueName, const std::string& userName,
                             const std::string& password) const {
  const SecureBytes text = BuildCredentialText(userName, password);
  CProtectedData data;
  data.KeyFolder = keyFolder_;
  data.SetInput(text.data(), text.size());
  const SecureBytes& sealed = data.Protect();
  if (sealed.empty()) return false;
  return profile_.WriteProfileBinary(kAuthenticationSection, valueName.c_str(), sealed.data(), sealed.size());
}

bool CCredentialStore::SaveForCamera(const std::string& serial, const std::string& userName,
                                     const std::string& password) const {
  if (serial.empty()) return false;
  return Write(ValueNameOfSerial(serial), userName, password);
}

bool CCredentialStore::SaveDefault(const std::string& userName, const std::string& password) const {
  return Write(kMasterCredentials, userName, password);
}
