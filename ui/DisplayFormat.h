#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

namespace ui {

// Display formats of grid columns, in the manner of the classic runtime's FormatDateTime and
// FormatFloat.
//
// Date-time masks: yyyy (four-digit year), yy (two digits), mm / m (month with / without a
// leading zero), dd / d (day), hh / h (hour, 24-hour clock), nn / n (minute), ss / s (second),
// zzz / z (milliseconds); letters in any case. An m or mm whose nearest letter before it (quoted
// text and other characters skipped) belongs to an h or hh is the minute, so "hh:mm" reads as
// hours and minutes. Text in double or single quotes is copied as it is, and so is every other
// character (separators such as - / : and blanks).
//
// Number masks: 0 is a digit that is always shown, # a digit shown only when it is significant,
// "." places the decimal point and a "," among the integer placeholders asks for thousands
// separators. The value is rounded half away from zero to the decimals the mask allows; other
// characters before and after the placeholders are copied, quoted text too.
QString FormatDateTime(const QString& mask, const QDateTime& value);
QString FormatDateTime(const QString& mask, QDate date, QTime time);
QString FormatNumber(const QString& mask, double value);

// The text of a typed value under a mask: numbers (int, double) by FormatNumber, date-times by
// FormatDateTime. A null value, an empty mask or a value of another type gives a null QString,
// meaning: show the query's own display text.
QString FormatValue(const QString& mask, const QVariant& value);

} // namespace ui
