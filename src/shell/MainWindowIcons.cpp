#include "shell/MainWindowIcons.h"

#include "ui/Symbols.h"

#include <QPainter>
#include <QPixmap>

namespace MainWindowIcons {

namespace {
void addSymbol(QIcon& icon, const QString& name, const QColor& color, int size, QIcon::Mode mode)
{
    for (qreal ratio : {1.0, 2.0}) {
        QPixmap pm(QSize(size, size) * ratio);
        pm.setDevicePixelRatio(ratio);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        Symbols::draw(p, name, QRectF(0, 0, size, size), color);
        p.end();
        icon.addPixmap(pm, mode);
    }
}
}  // namespace

QIcon symbol(const QString& name, const QColor& color, int size)
{
    QIcon icon;
    addSymbol(icon, name, color, size, QIcon::Normal);
    return icon;
}

QIcon symbol(const QString& name, const QColor& color, const QColor& selected, int size)
{
    QIcon icon;
    addSymbol(icon, name, color, size, QIcon::Normal);
    addSymbol(icon, name, selected, size, QIcon::Selected);
    return icon;
}

QIcon application()
{
    static const QIcon icon = [] {
        QIcon i(QStringLiteral(":/icons/quorlent.svg"));
        for (int s : {16, 32, 48, 64, 128, 256}) i.addFile(QStringLiteral(":/icons/quorlent.svg"), QSize(s, s));
        return i;
    }();
    return icon;
}

}  // namespace MainWindowIcons
