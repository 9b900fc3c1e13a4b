#include "monitor/ChartCard.h"

#include "ui/PaintedText.h"
#include "ui/UntrustedText.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QEvent>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

// ---------------------------------------------------------------- ElidedText

ElidedText::ElidedText(const QString& text, const QFont& font, Theme::Tint tint, QWidget* parent)
    : QWidget(parent), text_(text), tint_(tint)
{
    setFont(font);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setToolTip(UntrustedText::toolTip(text));
    hint_ = measure();
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

void ElidedText::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::FontChange) {
        hint_ = measure();
        updateGeometry();
    }
}

void ElidedText::setText(const QString& text)
{
    if (text == text_) return;
    const QSize before = hint_;
    text_ = text;
    hint_ = measure();
    setToolTip(UntrustedText::toolTip(text));
    // A figure that changes every second mostly keeps its width (the size hint goes in steps):
    // the page is laid out again only when it needs another width.
    if (sizeHint() != before) updateGeometry();
    update();
}

void ElidedText::setTrailing(bool trailing)
{
    trailing_ = trailing;
    update();
}

void ElidedText::setSurface(Theme::Color surface)
{
    surface_ = surface;
    setAttribute(Qt::WA_OpaquePaintEvent);
    update();
}

void ElidedText::setTint(Theme::Tint tint)
{
    if (tint == tint_) return;
    tint_ = tint;
    update();
}

QString ElidedText::shownText() const { return PaintedText::elided(font(), text_, width()); }

QSize ElidedText::sizeHint() const { return hint_; }

QSize ElidedText::measure() const
{
    // Measured as the text is shaped (a fallback face's taller line, its real width), so
    // it is neither cut nor elided while it fits.
    const PaintedText::LineMetrics line = PaintedText::measure(font(), text_);
    constexpr int kStep = 12;
    const int wide = int(std::ceil(line.width)) + 1;
    return QSize((wide + kStep - 1) / kStep * kStep, int(std::ceil(line.height())));
}

QSize ElidedText::minimumSizeHint() const
{
    const int ellipsis = int(std::ceil(PaintedText::width(font(), QStringLiteral("…"))));
    return QSize(std::min(ellipsis * 3, sizeHint().width()), sizeHint().height());
}

void ElidedText::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    if (surface_) p.fillRect(e->rect(), Theme::color(*surface_));
    p.setLayoutDirection(layoutDirection());
    p.setFont(font());
    p.setPen(tint_.resolve());
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    const Qt::Alignment edge = (rtl != trailing_) ? Qt::AlignRight : Qt::AlignLeft;
    PaintedText::draw(p, QRectF(rect()), edge | Qt::AlignVCenter | Qt::AlignAbsolute, text_);
}

// ---------------------------------------------------------------- ChartCard

ChartCard::ChartCard(const QString& title, const QString& value, std::optional<QString> footnote, QWidget* chart,
                     QWidget* parent)
    : CardFrame(16, 14, parent), chart_(chart)
{
    setObjectName(QStringLiteral("chartCard"));
    auto* column = contentLayout();
    column->setSpacing(12);
    top_ = new QGridLayout;
    top_->setHorizontalSpacing(8);
    top_->setVerticalSpacing(2);
    title_ = new QLabel(title);
    title_->setTextFormat(Qt::PlainText);
    title_->setObjectName(QStringLiteral("title"));
    title_->setFont(Theme::font(Theme::TextStyle::headline));
    value_ = new ElidedText(value, Theme::font(Theme::TextStyle::callout), Theme::Tint(Theme::Level::secondary));
    value_->setObjectName(QStringLiteral("value"));
    value_->setTrailing(true);
    value_->setSurface(Theme::Color::surfaceElevated);
    top_->addWidget(title_, 0, 0, Qt::AlignBottom | Qt::AlignLeading);
    top_->setColumnStretch(1, 1);
    placeValue(false);
    column->addLayout(top_);
    chart_->setParent(this);
    chart_->setFixedHeight(kChartHeight);
    column->addWidget(chart_);
    footnote_ = new ElidedText(footnote.value_or(QString()), Theme::font(Theme::TextStyle::caption), Theme::Tint(Theme::Level::secondary));
    footnote_->setObjectName(QStringLiteral("footnote"));
    footnote_->setSurface(Theme::Color::surfaceElevated);
    footnote_->setVisible(footnote.has_value());
    column->addWidget(footnote_);
    auto recolour = [this] {
        QPalette pal = title_->palette();
        pal.setColor(QPalette::WindowText, Theme::foreground(Theme::Level::primary));
        title_->setPalette(pal);
    };
    recolour();
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, recolour);
    updateAccessibility();
}

void ChartCard::setTitle(const QString& title)
{
    title_->setText(title);
    updateAccessibility();
    fitValue();
}

void ChartCard::setValue(const QString& value)
{
    value_->setText(value);
    updateAccessibility();
    fitValue();
}

void ChartCard::placeValue(bool ownLine)
{
    top_->removeWidget(value_);
    if (ownLine) {
        // Under the title, from the leading edge: the whole width for the value.
        value_->setTrailing(false);
        top_->addWidget(value_, 1, 0, 1, 2, Qt::AlignTop);
    } else {
        value_->setTrailing(true);
        top_->addWidget(value_, 0, 1, Qt::AlignBottom);
    }
    valueOnOwnLine_ = ownLine;
}

void ChartCard::fitValue()
{
    // Beside the title while both fit on the row (long German and Russian values at the
    // window's minimum width do not); else on a line of its own, and elided only if even
    // that is too short.
    const int room = chart_->width();
    if (room <= 0) return;
    const bool ownLine = title_->sizeHint().width() + top_->horizontalSpacing() + value_->sizeHint().width() > room;
    if (ownLine != valueOnOwnLine_) placeValue(ownLine);
}

void ChartCard::resizeEvent(QResizeEvent* e)
{
    CardFrame::resizeEvent(e);
    fitValue();
}

void ChartCard::setFootnote(std::optional<QString> footnote)
{
    footnote_->setText(footnote.value_or(QString()));
    footnote_->setVisible(footnote.has_value());
}

QString ChartCard::title() const { return title_->text(); }
QString ChartCard::value() const { return value_->text(); }
std::optional<QString> ChartCard::footnote() const
{
    if (footnote_->isHidden()) return std::nullopt;
    return footnote_->text();
}

void ChartCard::updateAccessibility()
{
    chart_->setAccessibleName(title_->text());
    chart_->setAccessibleDescription(value_->text());
}
