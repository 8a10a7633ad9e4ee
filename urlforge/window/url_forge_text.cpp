#include "urlforge/window/url_forge_text.h"

#include <algorithm>
#include <climits>

#include "urlforge/sdk/sdk_text.h"

namespace ravix {

int LeadingInteger(const QString& text) {
  qsizetype i = 0;
  while (i < text.size() && text[i].isSpace()) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
    negative = text[i] == QLatin1Char('-');
    ++i;
  }
  long long value = 0;
  for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
    value = std::min<long long>(value * 10 + (text[i].unicode() - '0'), static_cast<long long>(INT_MAX) + 1);
  }
  if (negative) value = -value;
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

int StepIntegerValue(int value, int min, int max, int inc) {
  if (inc > 0) value -= value % inc;  // the remainder takes the sign of value
  if (value < min) value = min;
  if (value > max) value = max;
  return value;
}

QStringList SortedForList(QStringList names) {
  std::stable_sort(names.begin(), names.end(),
                   [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
  return names;
}

QString QueryValue(const QString& text) {
  return QString::fromLatin1(EscapeUnsafeQueryBytes(ToCameraText(text)));
}

QString ComposeAction(int n, const QString& group, const QString& parameter, const QString& method) {
  return QStringLiteral("&Action_%1=").arg(n) + QueryValue(group) + QLatin1Char('.') + QueryValue(parameter) +
         QLatin1Char('.') + QueryValue(method);
}

QString ComposeSetAction(int n, const QString& group, const QString& parameter, const QString& method,
                         const QString& value) {
  return ComposeAction(n, group, parameter, method) + QStringLiteral("&Parameter_%1_0=").arg(n) + QueryValue(value);
}

QString ComposeCommandPath(int count, const QString& actions) {
  return QStringLiteral("/cgi-bin/param_if.cgi?NumActions=") + QString::number(count) + actions;
}

QString ComposeCommandUrl(const QString& address, int port, int count, const QString& actions) {
  const QString host = port == 80 ? address : address + QLatin1Char(':') + QString::number(port);
  return QStringLiteral("http://") + host + ComposeCommandPath(count, actions);
}

}  // namespace ravix
