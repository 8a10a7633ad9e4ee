#pragma once
// AppImageList (interim): the small icons the firmware wizard needs, drawn in code, with
// the interface of the shared image list the camera views bring. Replaced by theirs.

#include <QIcon>
#include <QString>

#include <array>

enum class AppImage { Computer = 0, Adapter, BoxCamera, OtherDevice, DomeCamera, UpdateSucceeded, UpdateFailed, FirmwareWarning };
inline constexpr int kAppImageCount = 8;

class AppImageList {
 public:
  static constexpr int kIconSize = 16;

  // Builds every icon; needs a QGuiApplication.
  AppImageList();

  QIcon Icon(AppImage image) const;
  // The icon of an image index (as views::RecordImage gives it); a null icon outside 0..7.
  QIcon Icon(int index) const;

  // The one list of the running application, built on first use.
  static const AppImageList& Shared();

 private:
  std::array<QIcon, kAppImageCount> icons_;
};
