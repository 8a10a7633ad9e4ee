// Reading the firmware file of the command-line update.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "firmware/image_file.h"
#include "platform/file_descriptor.h"

namespace {

bool Refuse(const std::string& path, const std::string& why, std::string& error) {
  error = "firmware file \"" + path + "\" " + why;
  return false;
}

}  // namespace

bool ReadFirmwareImage(const std::string& path, std::vector<unsigned char>& image, std::string& error) {
  image.clear();
  if (path.empty()) return Refuse(path, "is not named", error);
  const ravix::UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0) return Refuse(path, std::string("cannot be opened: ") + std::strerror(errno), error);
  struct stat status {};
  if (::fstat(file.Get(), &status) != 0) return Refuse(path, std::string("cannot be read: ") + std::strerror(errno), error);
  if (S_ISDIR(status.st_mode)) return Refuse(path, "is a directory", error);
  if (!S_ISREG(status.st_mode)) return Refuse(path, "is not a regular file", error);
  if (status.st_size == 0) return Refuse(path, "is empty", error);
  if (static_cast<unsigned long long>(status.st_size) > 0xFFFFFFFFull) return Refuse(path, "is larger than 4 GiB", error);
  const auto size = static_cast<std::size_t>(status.st_size);
  try {
    image.resize(size);
  } catch (const std::bad_alloc&) {
    return Refuse(path, "does not fit into memory", error);
  }
  if (!ravix::ReadAll(file.Get(), image.data(), size)) {
    image.clear();
    return Refuse(path, "could not be read whole", error);
  }
  return true;
}
