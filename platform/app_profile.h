#pragma once
// AppProfile: the finder's per-user profile, one group per section. On Linux an INI file
// under the user's config directory ("Zorvik Vision Components/Zorvik IP Camera Finder.conf"),
// on Windows the registry key of the same names. Whole numbers are 32-bit values, texts
// are strings, binary values are byte arrays.
//
// Every call opens the store, does its work and closes it again, so an AppProfile may be
// used from several threads at once. A file that exists but cannot be read or parsed is
// never written (the values in it stay as they are), and every read gives its fallback.

#include <QSettings>
#include <QString>
#include <QVariant>

#include <memory>
#include <string>
#include <vector>

namespace ravix {

inline constexpr const char* kProfileOrganization = "Zorvik Vision Components";
inline constexpr const char* kProfileApplication = "Zorvik IP Camera Finder";

class AppProfile {
 public:
  // The user's own profile (honours QSettings::setPath for the native format).
  AppProfile();
  // A profile kept in the given INI file.
  explicit AppProfile(const QString& iniFile);

  // The value as a signed 32-bit number; values written as unsigned 32-bit numbers wrap
  // as a DWORD would. Missing or not a number: fallback.
  int GetProfileInt(const char* section, const char* entry, int fallback) const;
  bool WriteProfileInt(const char* section, const char* entry, int value) const;

  std::string GetProfileString(const char* section, const char* entry, const std::string& fallback) const;
  bool WriteProfileString(const char* section, const char* entry, const std::string& value) const;

  // True when the value exists and is binary (or text, taken byte for byte).
  bool GetProfileBinary(const char* section, const char* entry, std::vector<unsigned char>& out) const;
  bool WriteProfileBinary(const char* section, const char* entry, const unsigned char* data,
                          std::size_t size) const;

  // Removes one value; true when it is gone afterwards (also when it never existed).
  bool RemoveProfileValue(const char* section, const char* entry) const;
  // The names of the values in a section (none when the store cannot be read).
  std::vector<std::string> ProfileEntries(const char* section) const;

  // Whether the store can be read: true when it is missing (first run) or was read fine.
  // problem (optional) receives a line that says what is wrong.
  bool IsReadable(std::string* problem = nullptr) const;

  // Where the values are kept (file name or registry path), for traces.
  QString Location() const;

 private:
  bool UsesFile() const;
  std::unique_ptr<QSettings> Open() const;
  // Null when the store exists but cannot be read or parsed; then every read falls back.
  std::unique_ptr<QSettings> OpenForRead(std::string* problem) const;
  QVariant ReadValue(const char* section, const char* entry) const;
  bool CanWrite(const char* section, const char* entry) const;

  QString iniFile_;  // empty: the user's own profile
};

}  // namespace ravix
