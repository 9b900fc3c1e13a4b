#include "ui/UntrustedText.h"

#include "platform/i18n/StringFormat.h"

namespace UntrustedText {

QString forDisplay(const QString& text, qsizetype maxLength)
{
    if (text.size() <= maxLength) return text;
    qsizetype cut = maxLength;
    if (cut > 0 && text.at(cut - 1).isHighSurrogate()) --cut;
    return text.left(cut) + QChar(0x2026);
}

QString inSentence(const QString& text, qsizetype maxLength)
{
    const QString cut = forDisplay(text, maxLength);
    QString balanced;
    balanced.reserve(cut.size());
    int open = 0;
    for (QChar c : cut) {
        const char16_t u = c.unicode();
        if (u == 0x2066 || u == 0x2067 || u == 0x2068) ++open;
        if (u == 0x2069) {
            // A PDI that would close our own isolate early.
            if (open == 0) continue;
            --open;
        }
        balanced += c;
    }
    return isolated(balanced);
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
