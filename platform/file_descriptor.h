#pragma once
// A POSIX file descriptor owned by one object (closed when it goes), and whole reads and
// writes that carry on after partial transfers and interrupted calls.

#include <cstddef>
#include <utility>

namespace ravix {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  // Closes the descriptor now; false when close reported an error (or there was none).
  bool Reset();

 private:
  int fd_ = -1;
};

// Reads exactly size bytes; false on an error or an early end of file.
bool ReadAll(int fd, void* data, std::size_t size);
// Writes all size bytes; false on an error.
bool WriteAll(int fd, const void* data, std::size_t size);

}  // namespace ravix
