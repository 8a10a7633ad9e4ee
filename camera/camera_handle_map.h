#pragma once
// CCameraHandleMap: the process-wide registry of open camera handles. Ids start at 1001
// and are never reused within a run. Handles still open at process exit are deleted
// without a logout.
//
// FindHandleObject hands out a plain pointer after releasing the map lock: a handle must
// not be closed while another thread still works with it.

#include <boost/thread/recursive_mutex.hpp>
#include <map>
#include <memory>
#include <string>

#include "camera/camera_handle.h"

class CCameraHandleMap {
 public:
  static constexpr int kFirstIdMinusOne = 1000;

  CCameraHandleMap() = default;
  CCameraHandleMap(const CCameraHandleMap&) = delete;
  CCameraHandleMap& operator=(const CCameraHandleMap&) = delete;

  // Makes a handle under the next id and stores it; null when memory runs out.
  CCameraHandle* CreateHandleObject(const std::string& baseUrl, int defaultTimeoutMs,
                                    const std::string& sessionSuffix, const std::string& interfaceName);
  CCameraHandle* FindHandleObject(int id);
  // Deletes the handle; false when there is none with that id.
  bool DeleteHandleObject(int id);

  // Number of open handles.
  std::size_t Count();

 private:
  int m_lastId = kFirstIdMinusOne;
  std::map<int, std::unique_ptr<CCameraHandle>> m_handles;
  boost::recursive_mutex m_lock;
};

// The one handle map of the process, built on first use and destroyed at exit.
CCameraHandleMap& TheCameraHandleMap();
