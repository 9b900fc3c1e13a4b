#pragma once

// What the history screen's parts share in how they look.
#include "ui/SmoothCorners.h"
#include "ui/Theme.h"

#include <QFont>
#include <QPainterPath>
#include <QRectF>

namespace HistoryStyle {
inline QPainterPath roundedPath(const QRectF& r, qreal radius)
{
    QPainterPath p;
    p.addPath(SmoothCorners::path(r, radius));
    return p;
}

// A scan's date and time, in the timeline and on the comparison's badges.
inline QFont dateFont() { return Theme::font(Theme::TextStyle::callout, QFont::DemiBold); }
}  // namespace HistoryStyle
