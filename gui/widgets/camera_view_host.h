#pragma once
// CameraViewHost: what a camera view needs from around it: the camera store its model
// follows, the application's state and the frame's shared camera actions. The
// application window implements it; tests give a small one of their own.

#include <QList>

#include <cstdint>

class CameraStore;
class QAction;
class CNetworkTools;
struct SettingsBlock;
namespace ravix {
class AppProfile;
}

class CameraViewHost {
 public:
  virtual ~CameraViewHost() = default;

  // The records: the view's model follows the store; the view reads a record's copy from
  // it for a tooltip or a context menu.
  virtual CameraStore& Store() = 0;

  virtual const CNetworkTools& NetworkTools() const = 0;
  virtual const SettingsBlock& Settings() const = 0;
  virtual bool ClipboardMode() const = 0;
  // Where the list view loads and saves its column layout.
  virtual ravix::AppProfile& Profile() = 0;

  // The frame's own actions for a camera's context menu, in menu order (Open In Browser,
  // Copy URL, IP Settings; a null entry stands for a separator). Views show these very
  // actions, never copies.
  virtual QList<QAction*> CameraContextActions() const = 0;
  // The actions for the context menu of an adapter (interface index); none: no menu.
  virtual QList<QAction*> AdapterContextActions(uint32_t ifIndex) const {
    (void)ifIndex;
    return {};
  }
  // The Open In Browser action: double-click and Enter trigger it when it is enabled.
  virtual QAction* OpenInBrowserAction() const = 0;
};
