#include "shell/listing_file.h"

#include <QFileInfo>
#include <QSaveFile>

ListingFormat ListingFormatForFile(const QString& path, ListingFormat fallback) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("json")) return ListingFormat::Json;
  if (suffix == QLatin1String("csv")) return ListingFormat::Csv;
  return fallback;
}

// Unbuffered, each write is checked where it happens: a buffered QSaveFile (Qt 6.4) can
// lose the failure of its last flush and commit a truncated file (a full disk).
bool WriteListingFile(const QString& path, const std::string& text, QString* error) {
  QSaveFile file(path);
  // Never fall back to writing the target in place (an unwritable folder): that could
  // leave a partial file.
  file.setDirectWriteFallback(false);
  const auto fail = [&] {
    if (error != nullptr) *error = file.errorString();
    file.cancelWriting();
    return false;
  };
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return fail();
  const auto size = static_cast<qint64>(text.size());
  // A short write is followed by another, which then reports why it failed.
  for (qint64 done = 0; done < size;) {
    const qint64 written = file.write(text.data() + done, size - done);
    if (written <= 0) return fail();
    done += written;
  }
  if (!file.commit()) {
    if (error != nullptr) *error = file.errorString();
    return false;
  }
  return true;
}
