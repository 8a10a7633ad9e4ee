#include "camera/protected_data.h"

#include <sodium.h>

#include "camera/protection_key.h"
#include "platform/debug_trace.h"

std::string CProtectedData::Folder() const {
  return KeyFolder.empty() ? ProtectionKey::DefaultFolder() : KeyFolder;
}

const SecureBytes& CProtectedData::Protect() {
  output_.Clear();
  if (LocalMachine || (input_ == nullptr && inputSize_ > 0)) return output_;
  const auto key = ProtectionKey::Open(Folder(), true);
  if (!key) {
    DebugTrace("CProtectedData::Protect: no key");
    return output_;
  }
  SecureBytes sealed;
  sealed.Reserve(crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES + inputSize_);
  unsigned char nonce[crypto_secretbox_NONCEBYTES];
  randombytes_buf(nonce, sizeof nonce);
  sealed.Append(nonce, sizeof nonce);
  SecureBytes cipher;
  cipher.AssignZeros(crypto_secretbox_MACBYTES + inputSize_);
  if (crypto_secretbox_easy(cipher.data(), input_, inputSize_, nonce, key->data()) != 0) return output_;
  sealed.Append(cipher.data(), cipher.size());
  output_ = std::move(sealed);
  return output_;
}

const SecureBytes& CProtectedData::Unprotect() {
  output_.Clear();
  constexpr std::size_t overhead = crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES;
  if (input_ == nullptr || inputSize_ < overhead) return output_;
  const auto key = ProtectionKey::Open(Folder(), false);
  if (!key) return output_;
  const std::size_t plainSize = inputSize_ - overhead;
  SecureBytes plain;
  plain.AssignZeros(plainSize + 1);  // one more: a real buffer even for an empty text
  if (crypto_secretbox_open_easy(plain.data(), input_ + crypto_secretbox_NONCEBYTES,
                                 inputSize_ - crypto_secretbox_NONCEBYTES, input_, key->data()) != 0) {
    return output_;
  }
  output_.Reserve(plainSize);
  output_.Append(plain.data(), plainSize);
  return output_;
}
