#pragma once
// AppImageList: the small icons that the camera views and the firmware wizard share,
// addressed by AppImage (the numbering the views' record images use). The pictures are
// our own SVGs (gui/resources/icons), rendered for 16 px and the usual higher pixel
// ratios so they stay crisp; the computer comes from the icon theme when it has one.

#include <QIcon>
#include <QString>

#include <array>
#include <memory>

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

  // The resource path of our own picture of image.
  static QString ResourcePath(AppImage image);

  // The one list of the running application, built on first use and released when the
  // application object goes (a later application gets a new one).
  static const AppImageList& Shared();

 private:
  std::array<QIcon, kAppImageCount> icons_;
};
