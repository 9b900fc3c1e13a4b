#pragma once

#include <QString>

// How text from outside the program (release notes, server messages, names the machine
// reports) is shown in hover help and long views: always as plain text, and
// cut to a length no real release note reaches, so a hostile answer cannot stall layout or
// blow a window up.
namespace UntrustedText {
inline constexpr qsizetype kMaxShownLength = 10'000;
// `text` cut after kMaxShownLength characters (never inside a surrogate pair) with "…" added.
QString forDisplay(const QString& text, qsizetype maxLength = kMaxShownLength);
// A datum from outside put into one of our sentences ("Quorlent %@ is available"): cut as
// forDisplay does, with its own pop-directional-isolate marks that close nothing it opened
// dropped, and wrapped in a first-strong isolate, so no direction control or script in it can
// reorder the words around it.
QString inSentence(const QString& text, qsizetype maxLength = kMaxShownLength);
// Hover help showing `text` verbatim: escaped so a tool tip never renders it as rich text,
// line breaks kept, cut to `maxLength`.
QString toolTip(const QString& text, qsizetype maxLength = 1500);
}  // namespace UntrustedText
