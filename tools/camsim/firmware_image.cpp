#include "tools/camsim/firmware_image.h"

#include <zlib.h>

namespace camsim {

namespace {

constexpr char kMagic[] = "RVXFWIMG";
constexpr std::size_t kMagicSize = 8;

}  // namespace

// zlib's CRC-32 (the common polynomial).
uint32_t Crc32(const char* data, std::size_t size) {
  return static_cast<uint32_t>(crc32_z(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(data), size));
}

std::string MakeFirmwareImage(std::size_t size, const std::string& version) {
  std::string image = std::string(kMagic, kMagicSize) + "version=" + version + "\n";
  uint32_t noise = 0x12345678u;
  while (image.size() + 4 < size) {
    noise = noise * 1664525u + 1013904223u;
    image.push_back(static_cast<char>(noise >> 24));
  }
  const uint32_t crc = Crc32(image.data(), image.size());
  for (int i = 0; i < 4; ++i) image.push_back(static_cast<char>((crc >> (8 * i)) & 0xFF));
  return image;
}

bool FirmwareImageIsIntact(const std::string& image) {
  if (image.size() < kMagicSize + 4 || image.compare(0, kMagicSize, kMagic) != 0) return false;
  const std::size_t body = image.size() - 4;
  uint32_t stored = 0;
  for (int i = 0; i < 4; ++i) stored |= static_cast<uint32_t>(static_cast<unsigned char>(image[body + i])) << (8 * i);
  return stored == Crc32(image.data(), body);
}

std::string FirmwareImageVersion(const std::string& image) {
  if (!FirmwareImageIsIntact(image)) return {};
  const std::string prefix = "version=";
  if (image.compare(kMagicSize, prefix.size(), prefix) != 0) return {};
  const std::size_t start = kMagicSize + prefix.size();
  const std::size_t end = image.find('\n', start);
  if (end == std::string::npos || end > image.size() - 4) return {};
  return image.substr(start, end - start);
}

}  // namespace camsim
