#include "reports/ExportMenu.h"

#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/UiLanguage.h"

#include <QEvent>
#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

namespace {

class SymbolIconEngine final : public QIconEngine {
public:
    explicit SymbolIconEngine(QString symbol) : symbol_(std::move(symbol)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        const qreal side = qMin(rect.width(), rect.height());
        const QRectF box(rect.center().x() + 0.5 - side / 2, rect.center().y() + 0.5 - side / 2, side, side);
        Symbols::draw(*painter, symbol_, box, colour(mode));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        QPixmap pixmap(size * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new SymbolIconEngine(symbol_); }
    QString key() const override { return QStringLiteral("QuorlentSymbol"); }

private:
    static QColor colour(QIcon::Mode mode)
    {
        switch (mode) {
        case QIcon::Disabled: return Theme::foreground(Theme::Level::tertiary);
        case QIcon::Selected: return QGuiApplication::palette().color(QPalette::HighlightedText);
        case QIcon::Normal:
        case QIcon::Active: break;
        }
        return Theme::foreground(Theme::Level::primary);
    }

    QString symbol_;
};

}  // namespace

ExportMenu::ExportMenu(std::function<void(ReportFormat)> run, QWidget* parent) : QMenu(parent), run_(std::move(run))
{
    setObjectName(QStringLiteral("exportMenu"));
    setIcon(symbolIcon(QRL_SYMBOL("square.and.arrow.up")));
    for (ReportFormat format : ReportFormats::allCases()) {
        QAction* action = addAction(symbolIcon(symbol(format)), QString());
        action->setData(ReportFormats::rawValue(format));
        connect(action, &QAction::triggered, this, [this, format] {
            if (run_) run_(format);
        });
        actions_.append(action);
    }
    // Texts are read again each time the menu opens, so it always speaks the current language.
    connect(this, &QMenu::aboutToShow, this, &ExportMenu::retranslate);
    retranslate();
}

QAction* ExportMenu::actionFor(ReportFormat format) const
{
    const qsizetype i = ReportFormats::allCases().indexOf(format);
    return i >= 0 && i < actions_.size() ? actions_[i] : nullptr;
}

QString ExportMenu::symbol(ReportFormat format)
{
    switch (format) {
    case ReportFormat::pdf: return QRL_SYMBOL("doc.richtext");
    case ReportFormat::json: return QRL_SYMBOL("curlybraces");
    case ReportFormat::markdown: return QRL_SYMBOL("text.alignleft");
    case ReportFormat::text: return QRL_SYMBOL("doc.plaintext");
    }
    return {};
}

QIcon ExportMenu::symbolIcon(const QString& symbol)
{
    return QIcon(new SymbolIconEngine(symbol));
}

void ExportMenu::retranslate()
{
    const Localization L = UiLanguage::current();
    setTitle(L.tr("Export"));
    const QString help = L.tr("Export a report as PDF, JSON, Markdown or text");
    setToolTip(help);
    menuAction()->setToolTip(help);
    menuAction()->setStatusTip(help);
    for (qsizetype i = 0; i < actions_.size(); ++i) actions_[i]->setText(ReportFormats::title(ReportFormats::allCases()[i], L));
}

void ExportMenu::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) retranslate();
    QMenu::changeEvent(event);
}
