#include "tools/camsim/request_log.h"

#include <chrono>
#include <unistd.h>

namespace camsim {

RequestLog::~RequestLog() {
  if (ownsFile_ && file_ != nullptr) std::fclose(file_);
}

bool RequestLog::Open(const std::string& path, std::string& error) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (path == "-") {
    file_ = stderr;
    return true;
  }
  file_ = std::fopen(path.c_str(), "ae");
  if (file_ == nullptr) {
    error = "cannot open request log " + path;
    return false;
  }
  ownsFile_ = true;
  return true;
}

void RequestLog::Write(nlohmann::json entry) {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  std::lock_guard<std::mutex> lock(mutex_);
  if (file_ == nullptr) return;
  entry["seq"] = ++seq_;
  entry["time"] = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
  const std::string line = entry.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  std::fwrite(line.data(), 1, line.size(), file_);
  std::fflush(file_);
}

void RequestLog::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (file_ == nullptr || !ownsFile_) return;
  std::fflush(file_);
  if (ftruncate(fileno(file_), 0) != 0) std::perror("request log");
}

}  // namespace camsim
