#include "gui/models/app_image_list.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// The resources of a static library are registered by hand, outside any namespace.
static void InitIconResources() { Q_INIT_RESOURCE(icons); }

namespace {

constexpr std::array<const char*, kAppImageCount> kFiles = {
    "computer.svg",    "adapter.svg",        "box_camera.svg",        "other_device.svg",
    "dome_camera.svg", "update_succeeded.svg", "update_failed.svg", "firmware_warning.svg",
};

// 16 px at pixel ratios 1, 1.25, 1.5, 2 and 3.
constexpr std::array<int, 5> kPixelSizes = {16, 20, 24, 32, 48};

QIcon RenderSvg(const QString& path) {
  QSvgRenderer renderer(path);
  QIcon icon;
  if (!renderer.isValid()) return icon;
  for (int size : kPixelSizes) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

std::unique_ptr<AppImageList>& SharedSlot() {
  static std::unique_ptr<AppImageList> list;
  return list;
}

void ReleaseShared() { SharedSlot().reset(); }

}  // namespace

AppImageList::AppImageList() {
  InitIconResources();
  for (int i = 0; i < kAppImageCount; ++i) icons_[static_cast<std::size_t>(i)] = RenderSvg(ResourcePath(AppImage(i)));
  const QIcon themed = QIcon::fromTheme(QStringLiteral("computer"));
  if (!themed.isNull()) icons_[static_cast<std::size_t>(AppImage::Computer)] = themed;
}

QIcon AppImageList::Icon(AppImage image) const { return Icon(static_cast<int>(image)); }

QIcon AppImageList::Icon(int index) const {
  if (index < 0 || index >= kAppImageCount) return {};
  return icons_[static_cast<std::size_t>(index)];
}

QString AppImageList::ResourcePath(AppImage image) {
  return QStringLiteral(":/icons/") + QLatin1String(kFiles[static_cast<std::size_t>(image)]);
}

const AppImageList& AppImageList::Shared() {
  auto& list = SharedSlot();
  if (!list) {
    list = std::make_unique<AppImageList>();
    qAddPostRoutine(ReleaseShared);
  }
  return *list;
}
