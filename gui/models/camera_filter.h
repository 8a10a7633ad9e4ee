#pragma once
// CameraFilter: the quick filter of the camera views. A camera passes when its Name,
// Model, Serial, Hostname, MAC or IP address(es) contain the typed text, letter case
// ignored; an empty text lets every camera pass. The models keep one key per camera
// (KeyOf: the six texts, one per line) and test it against the filter.

#include <QString>

#include "records/browse_record.h"

class CameraFilter {
 public:
  // The six texts of the record as the list shows them, joined by line feeds. The filter
  // text never holds a line feed (a line edit gives none), so it matches the key exactly
  // when it lies inside one of the six.
  static QString KeyOf(const CBrowseRecord& record);

  // Takes the text as typed; false when it is the text already set.
  bool SetText(const QString& text);
  const QString& Text() const { return text_; }
  bool IsEmpty() const { return text_.isEmpty(); }
  bool Matches(const QString& key) const;

 private:
  QString text_;
};
