#include "ui/Symbols.h"

#include <QFontDatabase>
#include <QHash>
#include <QMutex>
#include <QPainter>
#include <QPainterPath>
#include <QSet>
#include <QtDebug>

namespace {
// Symbol name → Material Icons ligature name.
const QHash<QString, QString>& table()
{
    static const QHash<QString, QString> t = {
        {"info.circle", "info"},
        {"cpu", "memory"},
        {"square.stack.3d.up", "layers"},
        {"sparkles", "auto_awesome"},
        {"display", "desktop_windows"},
        {"film", "movie"},
        {"camera", "photo_camera"},
        {"internaldrive", "storage"},
        {"battery.100", "battery_full"},
        {"network", "language"},
        {"lock.shield", "security"},
        {"checkmark.circle.fill", "check_circle"},
        {"xmark.circle.fill", "cancel"},
        {"exclamationmark.triangle.fill", "warning"},
        {"info.circle.fill", "info"},
    };
    return t;
}

QString loadFamily()
{
    static QString family;
    static bool loaded = false;
    if (!loaded) {
        loaded = true;
        for (const char* path : {"/usr/share/fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf"}) {
            const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(path));
            if (id >= 0) { family = QFontDatabase::applicationFontFamilies(id).value(0); break; }
        }
        if (family.isEmpty()) family = QStringLiteral("Material Icons");
    }
    return family;
}
}  // namespace

namespace Symbols {

QString glyph(const QString& symbolName)
{
    auto it = table().constFind(symbolName);
    if (it != table().constEnd()) return it.value();
    static QMutex mutex;
    static QSet<QString> logged;
    QMutexLocker lock(&mutex);
    if (!logged.contains(symbolName)) {
        logged.insert(symbolName);
        qWarning().noquote() << "Symbols: no glyph for" << symbolName;
    }
    return {};
}

bool isKnown(const QString& symbolName) { return table().contains(symbolName); }

QStringList names() { return table().keys(); }

QFont font(qreal pixelSize)
{
    QFont f(loadFamily());
    f.setPixelSize(qMax(1, qRound(pixelSize)));
    return f;
}

void draw(QPainter& painter, const QString& symbolName, const QRectF& rect, const QBrush& brush)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QString g = glyph(symbolName);
    if (g.isEmpty()) {
        const qreal d = rect.height() * 0.35;
        painter.setPen(Qt::NoPen);
        painter.setBrush(brush);
        painter.drawEllipse(rect.center(), d / 2, d / 2);
    } else {
        // Ligature text as a path, so a gradient fills the glyph and the PDF gets vectors.
        const QFont f = font(rect.height());
        QPainterPath path;
        path.addText(0, 0, f, g);
        const QRectF b = path.boundingRect();
        path.translate(rect.center() - b.center());
        painter.fillPath(path, brush);
    }
    painter.restore();
}

}  // namespace Symbols
