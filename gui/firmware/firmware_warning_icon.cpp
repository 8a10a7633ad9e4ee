#include "gui/firmware/firmware_warning_icon.h"

#include <QLabel>

#include "gui/models/app_image_list.h"

namespace {
constexpr int kIconPixels = 32;
}

QLabel* MakeFirmwareWarningIcon(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QStringLiteral("firmwareWarningIcon"));
  label->setPixmap(AppImageList::Shared().Icon(AppImage::FirmwareWarning).pixmap(kIconPixels, kIconPixels));
  label->setFixedSize(kIconPixels, kIconPixels);
  return label;
}
