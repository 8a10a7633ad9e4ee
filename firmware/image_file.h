#pragma once
// The firmware image file, read whole into memory before anything is sent to a camera.

#include <string>
#include <vector>

// Reads the whole firmware file. False with a message naming the fault when the file is
// missing, not a regular file, empty, larger than 4 GiB - 1 or not readable whole.
bool ReadFirmwareImage(const std::string& path, std::vector<unsigned char>& image, std::string& error);
