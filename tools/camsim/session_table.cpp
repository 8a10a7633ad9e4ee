#include "tools/camsim/session_table.h"

#include <cstdio>

namespace camsim {

SessionTable::SessionTable() : random_(std::random_device{}()) {}

std::string SessionTable::Create() {
  for (;;) {
    char id[17];
    std::snprintf(id, sizeof id, "%016llx", static_cast<unsigned long long>(random_()));
    if (ids_.insert(id).second) return id;
  }
}

}  // namespace camsim
