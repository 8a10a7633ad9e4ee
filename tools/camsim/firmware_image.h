#pragma once
// The simulated cameras' firmware image format: the 8 bytes "RVXFWIMG", a first line
// "version=<text>\n", any payload, and the CRC-32 (IEEE) of everything before it as four
// little-endian bytes. A camera accepts an image only when magic and checksum are right.

#include <cstddef>
#include <cstdint>
#include <string>

namespace camsim {

uint32_t Crc32(const char* data, std::size_t size);

// An image of at least size bytes carrying version.
std::string MakeFirmwareImage(std::size_t size, const std::string& version);
bool FirmwareImageIsIntact(const std::string& image);
// The version line of an intact image, or "".
std::string FirmwareImageVersion(const std::string& image);

}  // namespace camsim
