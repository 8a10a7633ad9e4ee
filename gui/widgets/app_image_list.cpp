#include "gui/widgets/app_image_list.h"

#include <QColor>
#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>
#include <memory>

namespace {

constexpr int kPixels = 48;  // drawn once, scaled down for 16 px

QIcon Draw(const QColor& fill, const std::function<void(QPainter&)>& mark) {
  QPixmap pixmap(kPixels, kPixels);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(fill);
  painter.drawEllipse(2, 2, kPixels - 4, kPixels - 4);
  painter.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  mark(painter);
  painter.end();
  return QIcon(pixmap);
}

QIcon Camera(const QColor& body) {
  return Draw(body, [](QPainter& p) { p.drawRect(12, 16, 24, 16); });
}

QIcon Warning() {
  QPixmap pixmap(kPixels, kPixels);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath triangle;
  triangle.moveTo(kPixels / 2.0, 3);
  triangle.lineTo(kPixels - 3, kPixels - 5);
  triangle.lineTo(3, kPixels - 5);
  triangle.closeSubpath();
  painter.fillPath(triangle, QColor(0xf2, 0xb1, 0x1b));
  painter.setPen(QPen(Qt::black, 5, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(kPixels / 2, 17, kPixels / 2, 30);
  painter.drawPoint(kPixels / 2, 37);
  painter.end();
  return QIcon(pixmap);
}

std::unique_ptr<AppImageList>& SharedSlot() {
  static std::unique_ptr<AppImageList> list;
  return list;
}

void ReleaseShared() { SharedSlot().reset(); }

}  // namespace

AppImageList::AppImageList() {
  icons_ = {
      Draw(QColor(0x44, 0x55, 0x66), [](QPainter& p) { p.drawRect(12, 12, 24, 18); }),
      Draw(QColor(0x33, 0x66, 0x99), [](QPainter& p) { p.drawLine(12, 24, 36, 24); }),
      Camera(QColor(0x2a, 0x6f, 0xb0)),
      Draw(QColor(0x88, 0x88, 0x88), [](QPainter& p) { p.drawEllipse(16, 16, 16, 16); }),
      Camera(QColor(0x5a, 0x4f, 0xb0)),
      Draw(QColor(0x2e, 0x9d, 0x46), [](QPainter& p) { p.drawPolyline(QPolygon({{13, 25}, {21, 33}, {35, 16}})); }),
      Draw(QColor(0xc8, 0x2b, 0x2b),
           [](QPainter& p) {
             p.drawLine(16, 16, 32, 32);
             p.drawLine(32, 16, 16, 32);
           }),
      Warning(),
  };
}

QIcon AppImageList::Icon(AppImage image) const { return Icon(static_cast<int>(image)); }

QIcon AppImageList::Icon(int index) const {
  if (index < 0 || index >= kAppImageCount) return {};
  return icons_[static_cast<std::size_t>(index)];
}

const AppImageList& AppImageList::Shared() {
  auto& list = SharedSlot();
  if (!list) {
    list = std::make_unique<AppImageList>();
    qAddPostRoutine(ReleaseShared);
  }
  return *list;
}
