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
  url += EncodeHostDelimiters(host);
  if (port != 0) url += ":" + std::to_string(port);
  if (path.empty() || path.front() != '/') url += '/';  // the path can never reach into the host part
  url += path;
  return EncodeControlCharacters(url);
}

std::string EncodeHostDelimiters(std::string_view host) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(host.size());
  for (const char c : host) {
    if (std::string_view("@/\\?#:% ").find(c) == std::string_view::npos) {
      encoded += c;
      continue;
    }
    const auto byte = static_cast<unsigned char>(c);
    encoded += '%';
    encoded += kHex[byte >> 4];
    encoded += kHex[byte & 0x0F];
  }
  return encoded;
}

}  // namespace views
