#include "updates/UpdateRequiredOverlay.h"

#include "ui/Accessibility.h"
#include "platform/i18n/StringFormat.h"
#include "ui/Blur.h"
#include "ui/Card.h"
#include "ui/Symbols.h"
#include "ui/ThemedLabel.h"
#include "ui/UiLanguage.h"
#include "ui/ApplicationIconView.h"
#include "ui/Buttons.h"
#include "ui/Theme.h"
#include "ui/UntrustedText.h"
#include "ui/WindowLanguage.h"
#include "updates/UpdateChecker.h"
#include "ui/SmoothCorners.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QStyle>
#include <QTextEdit>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int kShadowBlur = 30;
constexpr int kShadowOffsetY = 10;
constexpr double kShadowOpacity = 0.18;

// The card's surface; its contents are laid out by the overlay.
class RequiredCard : public QWidget {
public:
    explicit RequiredCard(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("updateRequiredCard"));
        // It blocks the window and asks for an answer: a dialog to the reader.
        UiAccessibility::setRole(this, QAccessible::Dialog);
        connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        Card::paint(p, QRectF(rect()), UpdateRequiredOverlay::kCardRadius, Theme::appearance());
    }
};

// The application's icon with a download badge overhanging its bottom trailing corner.
class BadgedIcon : public QWidget {
public:
    explicit BadgedIcon(QWidget* parent) : QWidget(parent)
    {
        setFixedSize(kIcon + 2, kIcon + 2);
        UiAccessibility::markDecorative(this);
        connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setLayoutDirection(layoutDirection());
        p.setRenderHint(QPainter::Antialiasing);
        const QRect all = rect();
        const QRectF icon = QStyle::visualRect(layoutDirection(), all, QRect(0, 0, kIcon, kIcon));
        ApplicationIconView::paint(p, icon, layoutDirection());
        const QRectF badge = QStyle::visualRect(layoutDirection(), all, QRect(kIcon - kBadge + 2, kIcon - kBadge + 2, kBadge, kBadge));
        QPainterPath circle;
        circle.addEllipse(badge);
        p.fillPath(circle, Theme::toQGradient(Theme::brandGradient(), badge, layoutDirection()));
        // The ring inside the circle's edge, in the card's colour, so the badge stands off the icon.
        p.setPen(QPen(Theme::surfaceElevated(), 2.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(badge.adjusted(1.25, 1.25, -1.25, -1.25));
        const qreal s = 13;
        Symbols::draw(p, QRL_SYMBOL("arrow.down"), QRectF(badge.center().x() - s / 2, badge.center().y() - s / 2, s, s),
                      QColor(Qt::white));
    }

private:
    static constexpr int kIcon = 88;
    static constexpr int kBadge = 28;
};

// A symbol in a text's colour, as the leading part of a label.
class InlineSymbol : public QWidget {
public:
    InlineSymbol(const QString& symbol, int size, Theme::Level level, QWidget* parent)
        : QWidget(parent), symbol_(symbol), level_(level)
    {
        setFixedSize(size, size);
        UiAccessibility::markDecorative(this);
        connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setLayoutDirection(layoutDirection());
        Symbols::draw(p, symbol_, QRectF(rect()), Theme::foreground(level_));
    }

private:
    QString symbol_;
    Theme::Level level_;
};

QColor withAlpha(QColor c, double alpha)
{
    c.setAlphaF(std::clamp(alpha, 0.0, 1.0));
    return c;
}

}  // namespace

// ---- ReleaseNotesBox ---------------------------------------------------------------------------

ReleaseNotesBox::ReleaseNotesBox(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("releaseNotesBox"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    column->setSpacing(4);
    auto* header = new QHBoxLayout;
    header->setSpacing(4);
    header->addWidget(new InlineSymbol(QRL_SYMBOL("sparkles"), 11, Theme::Level::secondary, this), 0, Qt::AlignVCenter);
    heading_ = new ThemedLabel(QString(), Theme::font(Theme::TextStyle::caption, QFont::DemiBold), Theme::Level::secondary, this);
    header->addWidget(heading_, 1, Qt::AlignVCenter);
    column->addLayout(header);

    text_ = new QTextEdit(this);
    text_->setObjectName(QStringLiteral("releaseNotesText"));
    text_->setReadOnly(true);
    text_->setAcceptRichText(false);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text_->setFrameShape(QFrame::NoFrame);
    text_->setTabChangesFocus(true);
    text_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    text_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text_->setFont(Theme::font(Theme::TextStyle::callout));
    text_->document()->setDocumentMargin(0);
    text_->viewport()->setAutoFillBackground(false);
    text_->setAutoFillBackground(false);
    text_->setStyleSheet(QStringLiteral("QTextEdit { background: transparent; }"));
    column->addWidget(text_);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
    retranslate();
}

void ReleaseNotesBox::setNotes(const QString& notes)
{
    // Plain text only, never markup or links; a hostile size is cut first.
    text_->setPlainText(UntrustedText::forDisplay(notes));
    fitHeight();
}

void ReleaseNotesBox::retranslate() { heading_->setText(UiLanguage::current().tr("What’s New")); }

void ReleaseNotesBox::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange) retranslate();
    if (e->type() == QEvent::PaletteChange || e->type() == QEvent::FontChange) fitHeight();
    QWidget::changeEvent(e);
}

void ReleaseNotesBox::resizeEvent(QResizeEvent*) { fitHeight(); }

void ReleaseNotesBox::fitHeight()
{
    // Short notes take their own height; longer ones scroll within the limit.
    QPalette pal = text_->palette();
    pal.setColor(QPalette::Text, Theme::foreground(Theme::Level::primary));
    pal.setColor(QPalette::Base, Qt::transparent);
    text_->setPalette(pal);
    const int available = std::max(width() - 2 * kPadding, 40);
    text_->document()->setTextWidth(available);
    const int content = int(std::ceil(text_->document()->size().height()));
    const int h = std::min(content, kMaxTextHeight);
    if (text_->height() != h || text_->minimumHeight() != h) text_->setFixedHeight(h);
}

void ReleaseNotesBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addPath(SmoothCorners::path(QRectF(rect()), 10));
    p.fillPath(path, Theme::surfaceSunken());
}

// ---- UpdateRequiredOverlay ---------------------------------------------------------------------

UpdateRequiredOverlay::UpdateRequiredOverlay(UpdateChecker& checker, QWidget* parent)
    : QWidget(parent), checker_(checker), quitAction_([] { QCoreApplication::quit(); })
{
    setObjectName(QStringLiteral("updateRequiredOverlay"));
    setFocusPolicy(Qt::StrongFocus);

    card_ = new RequiredCard(this);
    card_->setFixedWidth(kCardWidth);
    auto* column = new QVBoxLayout(card_);
    column->setContentsMargins(kCardPadding, kCardPadding, kCardPadding, kCardPadding);
    column->setSpacing(16);

    column->addWidget(new BadgedIcon(card_), 0, Qt::AlignHCenter);

    auto* heading = new QVBoxLayout;
    heading->setSpacing(8);
    title_ = new ThemedLabel(QString(), Theme::font(Theme::TextStyle::title2, QFont::DemiBold), Theme::Level::primary, card_);
    title_->setAlignment(Qt::AlignHCenter);
    title_->setWordWrap(true);
    heading->addWidget(title_);
    message_ = new ThemedLabel(QString(), Theme::font(Theme::TextStyle::callout), Theme::Level::secondary, card_);
    message_->setAlignment(Qt::AlignHCenter);
    message_->setWordWrap(true);
    heading->addWidget(message_);
    column->addLayout(heading);

    notes_ = new ReleaseNotesBox(card_);
    column->addWidget(notes_);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(12);
    buttons->setContentsMargins(0, 4, 0, 0);
    buttons->addStretch(1);
    quit_ = new PlainButton(QString(), card_);
    quit_->setObjectName(QStringLiteral("quitButton"));
    quit_->setMinimumLabelWidth(80);
    quit_->setLarge(true);
    quit_->setAutoDefault(false);
    buttons->addWidget(quit_);
    download_ = new AccentButton(QString(), card_);
    download_->setObjectName(QStringLiteral("downloadUpdateButton"));
    download_->setSymbol(QRL_SYMBOL("arrow.down.circle"));
    download_->setMinimumLabelWidth(150);
    download_->setLarge(true);
    download_->setAutoDefault(false);
    buttons->addWidget(download_);
    buttons->addStretch(1);
    column->addLayout(buttons);

    footnote_ = new ThemedLabel(QString(), Theme::font(Theme::TextStyle::caption), Theme::Level::tertiary, card_);
    footnote_->setAlignment(Qt::AlignHCenter);
    footnote_->setWordWrap(true);
    column->addWidget(footnote_);

    connect(quit_, &QPushButton::clicked, this, [this] {
        if (quitAction_) quitAction_();
    });
    connect(download_, &QPushButton::clicked, &checker_, &UpdateChecker::download);
    connect(&checker_, &UpdateChecker::stateChanged, this, &UpdateRequiredOverlay::refresh);
    connect(&progress_, &MotionValue::valueChanged, this, &UpdateRequiredOverlay::apply);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, [this] {
        shadow_ = {};
        update();
    });

    if (parent) {
        watchedParent_ = parent;
        parent->installEventFilter(this);
        setGeometry(parent->rect());
    }
    setVisible(false);
    followWindowLanguage(this, [this] {
        retranslate();
        QEvent change(QEvent::LanguageChange);
        QCoreApplication::sendEvent(notes_, &change);
    });
    retranslate();
    refresh();
}

UpdateRequiredOverlay::~UpdateRequiredOverlay()
{
    if (blocking_) qApp->removeEventFilter(this);
}

bool UpdateRequiredOverlay::isRequired(const UpdateState& state) { return state.isRequired(); }

void UpdateRequiredOverlay::retranslate()
{
    const Localization l = UiLanguage::current();
    title_->setText(l.tr("Update Required"));
    message_->setText(formatString(
        l.tr("This version of Quorlent is no longer supported. Download version %@ to keep using the app."),
        {UntrustedText::inSentence(version_, 200)}));
    quit_->setText(l.tr("Quit"));
    download_->setText(l.tr("Download Update"));
    footnote_->setText(l.tr("Open the downloaded disk image and drag Quorlent to Applications to replace this version."));
    card_->setAccessibleName(title_->text());
    placeCard();
}

void UpdateRequiredOverlay::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange) retranslate();
    if (e->type() == QEvent::LayoutDirectionChange) placeCard();
    QWidget::changeEvent(e);
}

void UpdateRequiredOverlay::refresh()
{
    const UpdateState s = checker_.state();
    const bool required = isRequired(s);
    if (required) {
        // A new required answer keeps the card and redraws its texts.
        version_ = s.version;
        notes_->setNotes(s.notes);
        notes_->setVisible(!s.notes.isEmpty());
        retranslate();
    }
    if (required == blocking_) return;
    setBlocking(required);
    if (card_->isVisible() || required) {
        // The card scales and fades as a picture; the live card returns when it settles.
        placeCard();
        card_->ensurePolished();
        if (card_->layout()) card_->layout()->activate();
        snapshot_ = card_->grab();
    }
    if (required) {
        setVisible(true);
        raise();
    }
    progress_.animateTo(required ? 1.0 : 0.0, Theme::spring());
    apply();
}

void UpdateRequiredOverlay::setBlocking(bool blocking)
{
    blocking_ = blocking;
    setAttribute(Qt::WA_TransparentForMouseEvents, !blocking);
    if (blocking) {
        qApp->installEventFilter(this);
    } else {
        qApp->removeEventFilter(this);
    }
    emit blockingChanged(blocking);
}

void UpdateRequiredOverlay::apply()
{
    const double p = progress_.value();
    const bool settled = p == progress_.target();
    const bool showCard = settled && blocking_;
    if (card_->isVisible() != showCard) card_->setVisible(showCard);
    if (showCard) {
        snapshot_ = {};
        if (isVisible() && !download_->hasFocus() && !(QApplication::focusWidget() && isOurs(QApplication::focusWidget())))
            download_->setFocus(Qt::OtherFocusReason);
    }
    if (settled && !blocking_ && p <= 0.0) {
        snapshot_ = {};
        setVisible(false);
    }
    update();
}

QRect UpdateRequiredOverlay::cardRect() const
{
    const int h = card_->layout() ? card_->layout()->totalHeightForWidth(kCardWidth) : card_->sizeHint().height();
    return QRect((width() - kCardWidth) / 2, std::max((height() - h) / 2, 0), kCardWidth, h);
}

void UpdateRequiredOverlay::placeCard()
{
    card_->setGeometry(cardRect());
    shadow_ = {};
    update();
}

void UpdateRequiredOverlay::resizeEvent(QResizeEvent*) { placeCard(); }

void UpdateRequiredOverlay::paintEvent(QPaintEvent*)
{
    const double p = progress_.value();
    const double opacity = std::clamp(p, 0.0, 1.0);
    if (opacity <= 0) return;
    QPainter painter(this);
    painter.setLayoutDirection(layoutDirection());
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = Theme::isDark();

    // The frosted backdrop: the window's colour, thin enough to let the blurred content show,
    // then the dimming of the appearance.
    painter.fillRect(rect(), withAlpha(Theme::systemColor(Theme::SystemColor::windowBackground, Theme::appearance()),
                                       0.45 * opacity));
    painter.fillRect(rect(), withAlpha(Qt::black, (dark ? kDimDark : kDimLight) * opacity));

    const QRect card = card_->isVisible() ? card_->geometry() : cardRect();
    const double scale = 0.96 + 0.04 * p;
    painter.save();
    painter.translate(QPointF(card.center()) + QPointF(0.5, 0.5));
    painter.scale(scale, scale);
    painter.translate(-(QPointF(card.center()) + QPointF(0.5, 0.5)));
    painter.setOpacity(opacity);

    // The card's soft shadow, blurred once per size and appearance.
    if (shadow_.isNull() || shadowFor_ != card.size()) {
        const int m = kShadowBlur * 2;
        QImage img(card.width() + 2 * m, card.height() + 2 * m, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        {
            QPainter ip(&img);
            ip.setRenderHint(QPainter::Antialiasing);
            QPainterPath path;
            path.addPath(SmoothCorners::path(QRectF(m, m, card.width(), card.height()), kCardRadius));
            ip.fillPath(path, Qt::black);
        }
        blurAlpha(img, kShadowBlur / 2);
        shadow_ = QPixmap::fromImage(img);
        shadowFor_ = card.size();
    }
    painter.save();
    painter.setOpacity(opacity * kShadowOpacity);
    const int m = kShadowBlur * 2;
    painter.drawPixmap(card.topLeft() + QPoint(-m, -m + kShadowOffsetY), shadow_);
    painter.restore();

    if (!card_->isVisible() && !snapshot_.isNull()) painter.drawPixmap(card.topLeft(), snapshot_);
    painter.restore();
}

bool UpdateRequiredOverlay::isOurs(const QWidget* w) const { return w == this || isAncestorOf(w); }

// Clicks on the backdrop stop here: nothing beneath receives them.
void UpdateRequiredOverlay::mousePressEvent(QMouseEvent* e) { e->accept(); }
void UpdateRequiredOverlay::mouseReleaseEvent(QMouseEvent* e) { e->accept(); }
void UpdateRequiredOverlay::mouseDoubleClickEvent(QMouseEvent* e) { e->accept(); }
void UpdateRequiredOverlay::wheelEvent(QWheelEvent* e) { e->accept(); }

void UpdateRequiredOverlay::keyPressEvent(QKeyEvent* e)
{
    if (!blocking_) return QWidget::keyPressEvent(e);
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && e->modifiers() == Qt::NoModifier) {
        download_->click();
    }
    // Everything else (Escape included) ends here.
    e->accept();
}

bool UpdateRequiredOverlay::focusNextPrevChild(bool next)
{
    if (!blocking_) return QWidget::focusNextPrevChild(next);
    // Tab cycles within the card.
    QList<QWidget*> chain;
    for (QWidget* w : {static_cast<QWidget*>(notes_->textView()), static_cast<QWidget*>(quit_), static_cast<QWidget*>(download_)})
        if (w->isVisibleTo(this) && w->isEnabled()) chain << w;
    if (chain.isEmpty()) return true;
    const qsizetype at = chain.indexOf(QApplication::focusWidget());
    const qsizetype n = chain.size();
    const qsizetype to = at < 0 ? (next ? 0 : n - 1) : (at + (next ? 1 : n - 1)) % n;
    chain[to]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

bool UpdateRequiredOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == watchedParent_ && event->type() == QEvent::Resize) {
        setGeometry(watchedParent_->rect());
        return false;
    }
    if (!blocking_ || !watched->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(watched);
    if (w->window() != window()) return false;
    const bool ours = isOurs(w);

    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        auto* key = static_cast<QKeyEvent*>(event);
        // The application's Quit stays reachable; every other shortcut of this window is
        // turned into a plain key press that the focused widget (ours) handles or drops.
        if (key->matches(QKeySequence::Quit)) return false;
        key->accept();
        return true;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (ours) return false;
        // A key aimed at the content beneath goes nowhere; the focus comes back to the card.
        QMetaObject::invokeMethod(download_, [this] { download_->setFocus(Qt::OtherFocusReason); }, Qt::QueuedConnection);
        return true;
    case QEvent::FocusIn:
        if (!ours && card_->isVisible())
            QMetaObject::invokeMethod(download_, [this] { if (blocking_) download_->setFocus(Qt::OtherFocusReason); },
                                      Qt::QueuedConnection);
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu: {
        if (ours) return false;
        // Only what lies within the overlay's own area is refused.
        QPoint global;
        if (event->type() == QEvent::Wheel) global = static_cast<QWheelEvent*>(event)->globalPosition().toPoint();
        else if (event->type() == QEvent::ContextMenu) global = static_cast<QContextMenuEvent*>(event)->globalPos();
        else global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        return rect().contains(mapFromGlobal(global));
    }
    default: return false;
    }
}
