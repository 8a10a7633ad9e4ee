#include "camera/camera_handle_map.h"

#include <mutex>
#include <new>

namespace {
using Lock = std::lock_guard<boost::recursive_mutex>;
}

CCameraHandle* CCameraHandleMap::CreateHandleObject(const std::string& baseUrl, int defaultTimeoutMs,
                                                    const std::string& sessionSuffix,
                                                    const std::string& interfaceName) {
  // The only place handles are made.
  class CCameraHandleSetter : public CCameraHandle {
   public:
    CCameraHandleSetter(int id, int timeout, const std::string& url, const std::string& suffix,
                        const std::string& iface)
        : CCameraHandle(id, timeout, url, suffix, iface) {}
  };
  Lock lock(m_lock);
  const int id = ++m_lastId;
  try {
    auto handle = std::make_unique<CCameraHandleSetter>(id, defaultTimeoutMs, baseUrl, sessionSuffix, interfaceName);
    CCameraHandle* raw = handle.get();
    m_handles.emplace(id, std::move(handle));
    return raw;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

CCameraHandle* CCameraHandleMap::FindHandleObject(int id) {
  Lock lock(m_lock);
  const auto it = m_handles.find(id);
  return it == m_handles.end() ? nullptr : it->second.get();
}

bool CCameraHandleMap::DeleteHandleObject(int id) {
  Lock lock(m_lock);
  return m_handles.erase(id) > 0;
}

std::size_t CCameraHandleMap::Count() {
  Lock lock(m_lock);
  return m_handles.size();
}

CCameraHandleMap& TheCameraHandleMap() {
  static CCameraHandleMap map;
  return map;
}
