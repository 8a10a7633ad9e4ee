#include "platform/app_profile.h"

#include <QByteArray>
#include <QFileInfo>
#include <QVariant>

#include <QDateTime>

#include <limits>
#include <map>
#include <memory>
#include <mutex>

#include "platform/debug_trace.h"

namespace ravix {
namespace {

QString KeyOf(const char* section, const char* entry) {
  return QString::fromUtf8(section) + QLatin1Char('/') + QString::fromUtf8(entry);
}

const char* StatusText(QSettings::Status status) {
  switch (status) {
    case QSettings::NoError:
      return "no error";
    case QSettings::AccessError:
      return "it cannot be read";
    case QSettings::FormatError:
      return "it is not a valid settings file";
  }
  return "unknown error";
}

// Qt reports a parse error only to the first QSettings that reads a file; later ones
// share the parsed copy and say nothing. The files found unusable are remembered here
// with their size and time, for as long as they stay unchanged.
class UnusableFiles {
 public:
  static UnusableFiles& Instance() {
    static UnusableFiles files;
    return files;
  }

  // Merges what Qt just said about the file with what was seen before.
  QSettings::Status Check(const QString& path, QSettings::Status reported) {
    const QFileInfo info(path);
    const Signature now{info.size(), info.lastModified()};
    std::lock_guard<std::mutex> lock(mutex_);
    if (reported != QSettings::NoError) {
      files_[path] = {now, reported};
      return reported;
    }
    const auto found = files_.find(path);
    if (found == files_.end()) return reported;
    if (found->second.signature == now) return found->second.status;
    files_.erase(found);
    return reported;
  }

 private:
  struct Signature {
    qint64 size;
    QDateTime modified;
    bool operator==(const Signature& other) const { return size == other.size && modified == other.modified; }
  };
  struct Entry {
    Signature signature;
    QSettings::Status status;
  };

  std::mutex mutex_;
  std::map<QString, Entry> files_;
};

}  // namespace

AppProfile::AppProfile() = default;

AppProfile::AppProfile(const QString& iniFile) : iniFile_(iniFile) {}

bool AppProfile::UsesFile() const {
#ifdef Q_OS_WIN
  return !iniFile_.isEmpty();
#else
  return true;
#endif
}

std::unique_ptr<QSettings> AppProfile::Open() const {
  if (!iniFile_.isEmpty()) return std::make_unique<QSettings>(iniFile_, QSettings::IniFormat);
  return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                     QString::fromUtf8(kProfileOrganization),
                                     QString::fromUtf8(kProfileApplication));
}

QString AppProfile::Location() const { return Open()->fileName(); }

bool AppProfile::IsReadable(std::string* problem) const { return OpenForRead(problem) != nullptr; }

std::unique_ptr<QSettings> AppProfile::OpenForRead(std::string* problem) const {
  auto settings = Open();
  if (UsesFile()) {
    const QFileInfo info(settings->fileName());
    if (info.exists() && (!info.isFile() || !info.isReadable())) {
      if (problem) *problem = "Settings file '" + info.filePath().toStdString() + "' cannot be read";
      return nullptr;
    }
  }
  const QSettings::Status status =
      UsesFile() ? UnusableFiles::Instance().Check(settings->fileName(), settings->status()) : settings->status();
  if (status == QSettings::NoError) return settings;
  if (problem) {
    *problem = "Settings file '" + settings->fileName().toStdString() + "' is unusable: " + StatusText(status);
  }
  return nullptr;
}

QVariant AppProfile::ReadValue(const char* section, const char* entry) const {
  auto settings = OpenForRead(nullptr);
  if (!settings) return {};
  return settings->value(KeyOf(section, entry));
}

bool AppProfile::CanWrite(const char* section, const char* entry) const {
  std::string problem;
  if (IsReadable(&problem)) return true;
  DebugTrace("%s; %s/%s is not written so that nothing in it is lost", problem.c_str(), section, entry);
  return false;
}

int AppProfile::GetProfileInt(const char* section, const char* entry, int fallback) const {
  const QVariant value = ReadValue(section, entry);
  if (!value.isValid()) return fallback;
  bool ok = false;
  const qlonglong number = value.toString().trimmed().toLongLong(&ok);
  if (!ok) return fallback;
  if (number < std::numeric_limits<int>::min() || number > std::numeric_limits<unsigned>::max()) return fallback;
  return static_cast<int>(static_cast<unsigned>(number & 0xFFFFFFFFLL));
}

bool AppProfile::WriteProfileInt(const char* section, const char* entry, int value) const {
  if (!CanWrite(section, entry)) return false;
  auto settings = Open();
  settings->setValue(KeyOf(section, entry), value);
  settings->sync();
  return settings->status() == QSettings::NoError;
}

std::string AppProfile::GetProfileString(const char* section, const char* entry,
                                         const std::string& fallback) const {
  const QVariant value = ReadValue(section, entry);
  if (!value.isValid() || !value.canConvert<QString>()) return fallback;
  return value.toString().toStdString();
}

bool AppProfile::WriteProfileString(const char* section, const char* entry, const std::string& value) const {
  if (!CanWrite(section, entry)) return false;
  auto settings = Open();
  settings->setValue(KeyOf(section, entry), QString::fromStdString(value));
  settings->sync();
  return settings->status() == QSettings::NoError;
}

bool AppProfile::GetProfileBinary(const char* section, const char* entry, std::vector<unsigned char>& out) const {
  out.clear();
  const QVariant value = ReadValue(section, entry);
  if (!value.isValid()) return false;
  QByteArray bytes;
  if (value.typeId() == QMetaType::QByteArray) {
    bytes = value.toByteArray();
  } else if (value.canConvert<QString>()) {
    bytes = value.toString().toUtf8();
  } else {
    return false;
  }
  out.assign(bytes.begin(), bytes.end());
  return true;
}

bool AppProfile::WriteProfileBinary(const char* section, const char* entry, const unsigned char* data,
                                    std::size_t size) const {
  if (!CanWrite(section, entry)) return false;
  auto settings = Open();
  settings->setValue(KeyOf(section, entry),
                     QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  settings->sync();
  return settings->status() == QSettings::NoError;
}

bool AppProfile::RemoveProfileValue(const char* section, const char* entry) const {
  if (!CanWrite(section, entry)) return false;
  auto settings = Open();
  settings->remove(KeyOf(section, entry));
  settings->sync();
  return settings->status() == QSettings::NoError;
}

std::vector<std::string> AppProfile::ProfileEntries(const char* section) const {
  std::vector<std::string> names;
  auto settings = OpenForRead(nullptr);
  if (!settings) return names;
  settings->beginGroup(QString::fromUtf8(section));
  for (const QString& key : settings->childKeys()) names.push_back(key.toStdString());
  settings->endGroup();
  return names;
}

}  // namespace ravix
