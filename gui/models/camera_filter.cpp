#include "gui/models/camera_filter.h"

#include <QChar>

#include "views/record_columns.h"

QString CameraFilter::KeyOf(const CBrowseRecord& record) {
  using views::Column;
  QString key;
  for (Column column : {Column::Name, Column::Model, Column::Serial, Column::Hostname, Column::MAC,
                        Column::IPAddresses}) {
    if (!key.isEmpty()) key += QLatin1Char('\n');
    key += QString::fromStdString(views::CellText(column, record, {}));
  }
  return key;
}

bool CameraFilter::SetText(const QString& text) {
  // A pasted line break would join two fields of the key: it stands for nothing here.
  QString cleaned = text;
  cleaned.remove(QLatin1Char('\n'));
  cleaned.remove(QLatin1Char('\r'));
  if (cleaned == text_) return false;
  text_ = cleaned;
  return true;
}

bool CameraFilter::Matches(const QString& key) const {
  return text_.isEmpty() || key.contains(text_, Qt::CaseInsensitive);
}
