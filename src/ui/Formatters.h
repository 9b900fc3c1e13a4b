#pragma once

#include "platform/i18n/Localization.h"

#include <QDateTime>
#include <QString>

// Percentages, data rates and dates in the interface language's locale (never the
// system's). The overloads without a Localization read UiLanguage::current() at every
// call, so a language switch shows on the next call.
namespace Formatters {

// A fraction as a whole percentage (0.5 → "50%"), rounded half to even, not clamped.
// A non-finite fraction reads as 0.
QString percent(double fraction, const Localization& l);
QString percent(double fraction);

// Bytes per second: truncated toward zero to whole bytes, written as a file-style byte
// count (multiples of 1000, zero in digits) followed by "/s" through the "%@/s" text.
// A rate that is not finite or outside the 64-bit range shows "—".
QString throughput(double bytesPerSecond, const Localization& l);
QString throughput(double bytesPerSecond);

// The abbreviated date (abbreviated month name, day and year in the locale's order), with
// hours and minutes in the locale's clock when `time` is set, in the user's current time
// zone and calendar.
QString date(const QDateTime& when, bool time, const Localization& l);
QString date(const QDateTime& when, bool time);

// "3 supported · 1 warning · 0 not supported": each count takes its own plural form and
// the interface language's digits.
QString statusCounts(qint64 supported, qint64 warnings, qint64 unsupported, const Localization& l);

}  // namespace Formatters
