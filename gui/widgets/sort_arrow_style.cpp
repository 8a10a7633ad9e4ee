#include "gui/widgets/sort_arrow_style.h"

#include <QApplication>
#include <QStyleFactory>
#include <QStyleOptionHeader>

SortArrowStyle::SortArrowStyle(QObject* parent)
    : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {
  setParent(parent);
}

void SortArrowStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                   const QWidget* widget) const {
  const auto* header = qstyleoption_cast<const QStyleOptionHeader*>(option);
  if (element != PE_IndicatorHeaderArrow || header == nullptr) {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    return;
  }
  // QHeaderView passes SortDown for ascending order; the arrow should point up then.
  QStyleOptionHeader flipped = *header;
  if (header->sortIndicator == QStyleOptionHeader::SortDown) {
    flipped.sortIndicator = QStyleOptionHeader::SortUp;
  } else if (header->sortIndicator == QStyleOptionHeader::SortUp) {
    flipped.sortIndicator = QStyleOptionHeader::SortDown;
  }
  QProxyStyle::drawPrimitive(element, &flipped, painter, widget);
}
