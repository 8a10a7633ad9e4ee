#include "camera/secure_bytes.h"

#include <sodium.h>

#include <cstring>

SecureBytes& SecureBytes::operator=(const SecureBytes& other) {
  if (this != &other) Assign(other.data(), other.size());
  return *this;
}

SecureBytes& SecureBytes::operator=(SecureBytes&& other) noexcept {
  if (this != &other) {
    Clear();
    bytes_ = std::move(other.bytes_);
  }
  return *this;
}

void SecureBytes::Assign(const void* data, std::size_t size) {
  Clear();
  bytes_.reserve(size);
  Append(data, size);
}

void SecureBytes::Append(const void* data, std::size_t size) {
  if (size == 0) return;
  if (bytes_.size() + size > bytes_.capacity()) {
    // grow into a fresh buffer ourselves so that the old one is wiped, not just freed
    std::vector<unsigned char> bigger;
    bigger.reserve((bytes_.size() + size) * 2);
    bigger.assign(bytes_.begin(), bytes_.end());
    Clear();
    bytes_ = std::move(bigger);
  }
  const auto* p = static_cast<const unsigned char*>(data);
  bytes_.insert(bytes_.end(), p, p + size);
}

void SecureBytes::AssignZeros(std::size_t size) {
  Clear();
  bytes_.assign(size, 0);
}

void SecureBytes::Clear() {
  if (!bytes_.empty()) sodium_memzero(bytes_.data(), bytes_.size());
  bytes_.clear();
}

void WipeString(std::string& text) {
  if (!text.empty()) sodium_memzero(text.data(), text.size());
  text.clear();
}
