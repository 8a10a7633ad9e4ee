#pragma once
// SecureBytes: a byte buffer for secrets (keys, credential texts) that is overwritten
// with zeros when it is cleared or destroyed. WipeString does the same for a text.

#include <cstddef>
#include <string>
#include <vector>

class SecureBytes {
 public:
  SecureBytes() = default;
  SecureBytes(const void* data, std::size_t size) { Assign(data, size); }
  SecureBytes(const SecureBytes& other) { Assign(other.data(), other.size()); }
  SecureBytes& operator=(const SecureBytes& other);
  SecureBytes(SecureBytes&& other) noexcept : bytes_(std::move(other.bytes_)) {}
  SecureBytes& operator=(SecureBytes&& other) noexcept;
  ~SecureBytes() { Clear(); }

  void Assign(const void* data, std::size_t size);
  // Room for size bytes without moving (and so leaving copies of) the content later.
  void Reserve(std::size_t size) { bytes_.reserve(size); }
  void Append(const void* data, std::size_t size);
  // size zero bytes (the old content is wiped first).
  void AssignZeros(std::size_t size);
  void Clear();

  unsigned char* data() { return bytes_.data(); }
  const unsigned char* data() const { return bytes_.data(); }
  std::size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }

 private:
  std::vector<unsigned char> bytes_;
};

// Overwrites the characters of text with zeros, then empties it.
void WipeString(std::string& text);
