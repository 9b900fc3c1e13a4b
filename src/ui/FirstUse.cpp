#include "ui/FirstUse.h"

#include "ui/Theme.h"

#include <QFontMetricsF>
#include <QString>

#include <iterator>

namespace FirstUse {

bool prepareNext()
{
    using S = Theme::TextStyle;
    // The overview's faces, in the order its build first measures them (hero, score, tiles,
    // pills, cards, section titles).
    static QFont (*const faces[])() = {
        [] { return Theme::font(S::title, QFont::DemiBold); },
        [] { return Theme::font(S::title3); },
        [] { return Theme::font(S::callout, QFont::Medium); },
        [] { return Theme::font(S::callout); },
        [] { return Theme::systemFont(24, QFont::Bold); },
        [] { return Theme::font(S::caption); },
        [] { return Theme::font(S::callout, QFont::DemiBold); },
        [] { return Theme::font(S::title2, QFont::Bold); },
        [] { return Theme::font(S::headline); },
    };
    static size_t next = 0;
    if (next >= std::size(faces)) return false;
    // Measuring a text loads the face and its shaper.
    QFontMetricsF(faces[next++]()).horizontalAdvance(QStringLiteral("0"));
    return true;
}

}  // namespace FirstUse
