#pragma once
// ProtectionKey: the user's own random key that protects stored credentials. It lives in
// the file "credentials.key" (mode 0600) of a folder of its own (mode 0700) in the user's
// data directory, and is made on first use.
//
// A key file that cannot be used (wrong size, not a regular file, not the user's own) is
// never used. When a new value is to be protected, it is moved aside as
// "credentials.key.corrupt" and a fresh key is made; values protected with the old key
// can no longer be read and are passed over until they are stored again.

#include <sodium.h>

#include <array>
#include <memory>
#include <string>

class ProtectionKey {
 public:
  static constexpr std::size_t kSize = crypto_secretbox_KEYBYTES;
  static constexpr const char* kFileName = "credentials.key";

  ~ProtectionKey();
  ProtectionKey(const ProtectionKey&) = delete;
  ProtectionKey& operator=(const ProtectionKey&) = delete;

  // The key kept in folder. With create, the folder and the key are made when missing and
  // an unusable key file is replaced as described above. Null when there is no usable key.
  static std::unique_ptr<ProtectionKey> Open(const std::string& folder, bool create);

  // <user data directory>/Zorvik Vision Components/Zorvik IP Camera Finder
  static std::string DefaultFolder();

  const unsigned char* data() const { return key_.data(); }

 private:
  ProtectionKey() = default;

  std::array<unsigned char, kSize> key_{};
};
