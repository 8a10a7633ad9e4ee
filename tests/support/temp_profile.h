#pragma once
// A settings file of its own per test, in a temporary folder.

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <string>

#include "platform/app_profile.h"

class TempProfile {
 public:
  TempProfile() : path_(dir_.path() + "/profile.ini"), profile_(path_) {}

  const ravix::AppProfile& Profile() const { return profile_; }
  const QString& Path() const { return path_; }
  const QTemporaryDir& Dir() const { return dir_; }

  void WriteFile(const std::string& text) const {
    QFile file(path_);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(text.data(), static_cast<qint64>(text.size()));
  }

  QByteArray ReadFile() const {
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
  }

 private:
  QTemporaryDir dir_;
  QString path_;
  ravix::AppProfile profile_;
};
