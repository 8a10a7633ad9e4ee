#include "urlforge/sdk/enumeration_parameter.h"

#include "urlforge/sdk/ip_cam_error.h"
#include "urlforge/sdk/sdk_text.h"

namespace ZorvikIPCam {

namespace {

// "Text:value,Text:value,..." (the value after the last ":" of each item); an empty text
// is an empty list.
bool ParseEntries(const std::string& text, std::vector<sEnumEntry>& entries) {
  entries.clear();
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    const std::string item = text.substr(start, end - start);
    const std::size_t colon = item.rfind(':');
    sEnumEntry entry;
    if (colon == std::string::npos || !ravix::ParseWholeInt(item.substr(colon + 1), entry.value)) return false;
    entry.text = ravix::FromCameraText(item.substr(0, colon));
    entries.push_back(std::move(entry));
    start = end + 1;
  }
  return true;
}

}  // namespace

QString CEnumerationParameter::GetStringValue() const {
  const sEnumEntry* entry = FindValue(GetIntValue());
  return entry != nullptr ? entry->text : QString();
}

int CEnumerationParameter::SetIntValue(int value) {
  Begin();
  if (FindValue(value) == nullptr) return Fail(eInvalidValue, FullName() + QStringLiteral(" = ") + QString::number(value));
  pending_ = value;
  return Succeed();
}

int CEnumerationParameter::SetStringValue(const QString& text) {
  Begin();
  for (const sEnumEntry& entry : entries_) {
    if (entry.text == text) {
      pending_ = entry.value;
      return Succeed();
    }
  }
  return Fail(eInvalidValue, FullName() + QStringLiteral(" = ") + text);
}

std::vector<std::string> CEnumerationParameter::ReadMethods() const { return {"GetIntValue", "GetEntries"}; }

bool CEnumerationParameter::ApplyValues(const std::vector<std::string>& values) {
  int value = 0;
  std::vector<sEnumEntry> entries;
  if (values.size() != 2 || !ravix::ParseWholeInt(values[0], value) || !ParseEntries(values[1], entries)) return false;
  value_ = value;
  entries_ = std::move(entries);
  pending_.reset();
  return true;
}

bool CEnumerationParameter::PendingWrite(std::string& method, std::optional<std::string>& argument) const {
  method = "SetIntValue";
  argument = std::to_string(GetIntValue());
  return true;
}

void CEnumerationParameter::Written(const std::string& answer) {
  if (!ravix::ParseWholeInt(answer, value_)) value_ = GetIntValue();
  pending_.reset();
}

const sEnumEntry* CEnumerationParameter::FindValue(int value) const {
  for (const sEnumEntry& entry : entries_) {
    if (entry.value == value) return &entry;
  }
  return nullptr;
}

}  // namespace ZorvikIPCam
