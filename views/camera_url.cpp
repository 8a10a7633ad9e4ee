#include "views/camera_url.h"

namespace views {

namespace {

bool IsControl(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }

}  // namespace

std::string EncodeControlCharacters(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (!IsControl(byte)) {
      encoded += c;
      continue;
    }
    encoded += '%';
    encoded += kHex[byte >> 4];
    encoded += kHex[byte & 0x0F];
  }
  return encoded;
}

std::string CameraURL(std::string_view host, uint32_t port, std::string_view path) {
  std::string url = "http://";
  url += host;
  if (port != 0) url += ":" + std::to_string(port);
  url += path;
  return EncodeControlCharacters(url);
}

}  // namespace views
