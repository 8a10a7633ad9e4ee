#pragma once
// Text helpers of the camera SDK: texts between Qt and the camera's byte strings, strict
// integers of camera answers, and the escaping that keeps a value one query value.

#include <QString>
#include <string>

namespace ravix {

// Camera texts are UTF-8 byte strings.
std::string ToCameraText(const QString& text);
QString FromCameraText(const std::string& text);

// The whole text as a decimal int (optional sign, digits only); false when it is not one
// or does not fit.
bool ParseWholeInt(const std::string& text, int& value);

// Every byte that would change a query ("&", "=", "#", "?", "%", "+", white space,
// control bytes, bytes from 0x80) becomes "%" and two upper-case hex digits; every other
// byte stays as it is, so plain texts come out unchanged.
std::string EscapeUnsafeQueryBytes(const std::string& text);

}  // namespace ravix
