#include "shell/MainWindowIcons.h"

#include "ui/Symbols.h"

#include <QApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>

#include <optional>

namespace MainWindowIcons {

namespace {
// Draws the symbol when a size, mode and pixel ratio is first asked for, and keeps it: the
// window builds many icons at start and shows each at one size only.
class SymbolEngine : public QIconEngine {
public:
    SymbolEngine(QString name, QColor color, std::optional<QColor> selected, int size, qreal inset = 0)
        : name_(std::move(name)), color_(std::move(color)), selected_(std::move(selected)), size_(size), inset_(inset)
    {
    }

    QIconEngine* clone() const override { return new SymbolEngine(name_, color_, selected_, size_, inset_); }
    QString key() const override { return QStringLiteral("QuorlentSymbol"); }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const int side = qMin(size_, qMin(size.width(), size.height()));
        return QSize(side, side);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return {QSize(size_, size_)}; }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override { return scaledPixmap(size, mode, state, 1.0); }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        const QSize logical = actualSize(size, mode, state);
        if (logical.isEmpty()) return {};
        const bool selected = mode == QIcon::Selected && selected_;
        // Other modes are the style's rendering of the normal one, as for an icon of pixmaps.
        const bool generated = mode != QIcon::Normal && !selected;
        const QString key = QStringLiteral("%1x%2@%3m%4").arg(logical.width()).arg(logical.height()).arg(scale).arg(selected ? -1 : int(mode));
        if (auto it = cache_.constFind(key); it != cache_.cend()) return *it;
        QPixmap pm(logical * scale);
        pm.setDevicePixelRatio(scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        Symbols::draw(p, name_, QRectF(QPointF(0, 0), QSizeF(logical)).adjusted(inset_, inset_, -inset_, -inset_),
                      selected ? *selected_ : color_);
        p.end();
        if (generated && QApplication::style()) {
            QStyleOption option;
            option.palette = QGuiApplication::palette();
            pm = QApplication::style()->generatedIconPixmap(mode, pm, &option);
        }
        cache_.insert(key, pm);
        return pm;
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const QPixmap pm = scaledPixmap(rect.size(), mode, state, scale);
        const QSizeF logical = pm.deviceIndependentSize();
        painter->drawPixmap(QPointF(rect.x() + (rect.width() - logical.width()) / 2, rect.y() + (rect.height() - logical.height()) / 2), pm);
    }

private:
    QString name_;
    QColor color_;
    std::optional<QColor> selected_;
    int size_;
    qreal inset_;
    QHash<QString, QPixmap> cache_;
};
}  // namespace

QIcon symbol(const QString& name, const QColor& color, int size) { return QIcon(new SymbolEngine(name, color, std::nullopt, size)); }

QIcon symbol(const QString& name, const QColor& color, const QColor& selected, int size)
{
    return QIcon(new SymbolEngine(name, color, selected, size));
}

QIcon insetSymbol(const QString& name, const QColor& color, qreal inset, int size)
{
    return QIcon(new SymbolEngine(name, color, std::nullopt, size, inset));
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
