#pragma once
// CameraViewHost: what a camera view needs from around it: the document's record access,
// the application's state and the frame's shared camera actions. The application window
// implements it; tests give a small one of their own.

#include <QList>

#include <cstdint>

#include "records/browse_record.h"

class QAction;
class CNetworkTools;
struct SettingsBlock;
namespace ravix {
class AppProfile;
}

class CameraViewHost {
 public:
  virtual ~CameraViewHost() = default;

  // A copy of the record with this ID; false when the engine has no such record. Views
  // read it for a tooltip or a context menu; a record update brings its own copy.
  virtual bool GetRecord(uint32_t id, CBrowseRecord& record) = 0;
  // Sends Update for every record the engine holds, in list order, to the views; true
  // when there was at least one.
  virtual bool NotifyAllRecords() = 0;

  virtual const CNetworkTools& NetworkTools() const = 0;
  virtual const SettingsBlock& Settings() const = 0;
  virtual bool ClipboardMode() const = 0;
  // Where the list view loads and saves its column layout.
  virtual ravix::AppProfile& Profile() = 0;

  // The frame's own actions for a camera's context menu, in menu order (Open In Browser,
  // Copy URL, IP Settings; a null entry stands for a separator). Views show these very
  // actions, never copies.
  virtual QList<QAction*> CameraContextActions() const = 0;
  // The Open In Browser action: double-click and Enter trigger it when it is enabled.
  virtual QAction* OpenInBrowserAction() const = 0;
};
