#pragma once
// SortArrowStyle: the list header's sort arrow points up for ascending and down for
// descending order, whatever the widget style's own habit (Qt's styles draw the other
// way round). Everything else is drawn by the application style.

#include <QProxyStyle>

class SortArrowStyle : public QProxyStyle {
  Q_OBJECT

 public:
  // Follows the application style; parent owns the style object.
  explicit SortArrowStyle(QObject* parent);

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
};
