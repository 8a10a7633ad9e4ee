#pragma once
// CProtectedData: per-user protection of a small secret (a credential text). Protect
// turns the input into nonce + ciphertext (authenticated encryption with the user's own
// key, see ProtectionKey); Unprotect gives back the exact input of Protect, or nothing
// when the value was changed, is too short, or was protected with another key. One
// object per call; the output is wiped when it is replaced and when the object goes.

#include <cstddef>
#include <string>

#include "camera/secure_bytes.h"

class CProtectedData {
 public:
  CProtectedData() = default;
  CProtectedData(const CProtectedData&) = delete;
  CProtectedData& operator=(const CProtectedData&) = delete;
  virtual ~CProtectedData() = default;

  // Not owned; must stay valid until Protect or Unprotect returned.
  void SetInput(const void* data, std::size_t size) {
    input_ = static_cast<const unsigned char*>(data);
    inputSize_ = size;
  }

  // Each empties the output first; a failure leaves it empty.
  const SecureBytes& Protect();
  const SecureBytes& Unprotect();
  const SecureBytes& Output() const { return output_; }

  // No dialog ever asks the user here; the flag is kept for callers that set it.
  bool NoUserInterface = true;
  // A key for every user of the machine does not exist here: protecting with this set fails.
  bool LocalMachine = false;
  // No audit trail exists here; the flag has no effect.
  bool Audit = false;
  // Folder of the key; empty: ProtectionKey::DefaultFolder().
  std::string KeyFolder;

 private:
  std::string Folder() const;

  SecureBytes output_;
  const unsigned char* input_ = nullptr;
  std::size_t inputSize_ = 0;
};
