#pragma once
// Text rules of the UrlForge window: reading numbers from edit fields, stepping integer
// values, the order of the selection lists, and composing command URLs.

#include <QString>
#include <QStringList>

namespace ravix {

// The leading decimal integer of text (blanks, an optional sign, digits); 0 when there
// is none; values beyond int are held at its limits.
int LeadingInteger(const QString& text);

// Moves value toward zero onto a multiple of inc (nothing for an increment of 0 or
// below), then holds it within min and max.
int StepIntegerValue(int value, int min, int max, int inc);

// Names in the order of a sorted list: letter case ignored, equal names kept in order.
QStringList SortedForList(QStringList names);

// A text as it goes into a command URL: unchanged when plain, else the bytes that would
// change the query percent-encoded.
QString QueryValue(const QString& text);

// "&Action_<n>=G.P.M", with "&Parameter_<n>_0=<value>" when value is given (texts through
// QueryValue).
QString ComposeAction(int n, const QString& group, const QString& parameter, const QString& method);
QString ComposeSetAction(int n, const QString& group, const QString& parameter, const QString& method,
                         const QString& value);

// "/cgi-bin/param_if.cgi?NumActions=<count><actions>" and the URL of that path on the
// camera, with ":port" unless the port is 80.
QString ComposeCommandPath(int count, const QString& actions);
QString ComposeCommandUrl(const QString& address, int port, int count, const QString& actions);

}  // namespace ravix
