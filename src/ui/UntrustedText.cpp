#include "ui/UntrustedText.h"

namespace UntrustedText {

QString forDisplay(const QString& text, qsizetype maxLength)
{
    if (text.size() <= maxLength) return text;
    qsizetype cut = maxLength;
    if (cut > 0 && text.at(cut - 1).isHighSurrogate()) --cut;
    return text.left(cut) + QChar(0x2026);
}

QString toolTip(const QString& text, qsizetype maxLength)
{
    if (text.isEmpty()) return {};
    // Wrapped in <qt> with every character escaped: the tool tip lays it out as rich text
    // (so it wraps) but nothing in it can act as markup.
    QString escaped = forDisplay(text, maxLength).toHtmlEscaped();
    escaped.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    return QStringLiteral("<qt>") + escaped + QStringLiteral("</qt>");
}

}  // namespace UntrustedText
