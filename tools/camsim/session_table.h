#pragma once
// Login sessions of one camera: random hexadecimal ids handed out by Login and dropped by
// Logout. Not locked: the owning camera serialises access.

#include <random>
#include <set>
#include <string>

namespace camsim {

class SessionTable {
 public:
  SessionTable();
  std::string Create();
  bool IsValid(const std::string& id) const { return ids_.count(id) != 0; }
  bool Remove(const std::string& id) { return ids_.erase(id) != 0; }
  std::size_t Count() const { return ids_.size(); }

 private:
  std::set<std::string> ids_;
  std::mt19937_64 random_;
};

}  // namespace camsim
