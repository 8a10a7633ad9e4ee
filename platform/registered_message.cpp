#include "platform/registered_message.h"

#include <map>
#include <mutex>
#include <string>

namespace ravix {

QEvent::Type RegisterMessageType(const char* name) {
  if (name == nullptr || *name == '\0') return QEvent::None;
  static std::mutex mutex;
  static std::map<std::string, QEvent::Type> types;
  std::lock_guard<std::mutex> lock(mutex);
  const auto found = types.find(name);
  if (found != types.end()) return found->second;
  const int type = QEvent::registerEventType();
  if (type < 0) return QEvent::None;
  const auto eventType = static_cast<QEvent::Type>(type);
  types.emplace(name, eventType);
  return eventType;
}

}  // namespace ravix
