#pragma once
// CEnumerationParameter: one of a list of entries, chosen by text or by integer value.

#include <optional>
#include <vector>

#include "urlforge/sdk/enum_entry.h"
#include "urlforge/sdk/parameter.h"

namespace ZorvikIPCam {

class CEnumerationParameter : public CParameter {
 public:
  using CParameter::CParameter;

  eParameterType GetType() const override { return eEnumeration; }

  // The entries in the camera's order.
  const std::vector<sEnumEntry>& GetEntries() const { return entries_; }
  // The value set since the last Write, else the camera's.
  int GetIntValue() const { return pending_.value_or(value_); }
  // The text of GetIntValue's entry; empty when no entry has that value.
  QString GetStringValue() const;
  // Keep the entry for the next Write; eInvalidValue (nothing kept) for a value or text
  // that no entry has.
  int SetIntValue(int value);
  int SetStringValue(const QString& text);

 protected:
  std::vector<std::string> ReadMethods() const override;
  bool ApplyValues(const std::vector<std::string>& values) override;
  bool PendingWrite(std::string& method, std::optional<std::string>& argument) const override;
  void Written(const std::string& answer) override;

 private:
  const sEnumEntry* FindValue(int value) const;

  std::vector<sEnumEntry> entries_;
  int value_ = 0;
  std::optional<int> pending_;
};

}  // namespace ZorvikIPCam
