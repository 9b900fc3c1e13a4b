#include "updates/UpdateBanner.h"

#include "platform/i18n/StringFormat.h"
#include "ui/Symbols.h"
#include "ui/ThemedLabel.h"
#include "ui/Tiles.h"
#include "ui/UiLanguage.h"
#include "ui/Buttons.h"
#include "ui/ClampedText.h"
#include "ui/Theme.h"
#include "ui/UntrustedText.h"
#include "ui/WindowLanguage.h"
#include "updates/UpdateChecker.h"
#include "ui/SmoothCorners.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

#include <cmath>

// ---- UpdateBannerContent -----------------------------------------------------------------------

UpdateBannerContent::UpdateBannerContent(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("updateBannerContent"));
    icon_ = new IconTile(QRL_SYMBOL("arrow.down"), kIconSize, Theme::brandGradient(), this);
    title_ = new ThemedLabel(QString(), Theme::font(Theme::TextStyle::callout, QFont::DemiBold), Theme::Level::primary, this);
    title_->setWordWrap(true);
    notesText_ = new ClampedText(Theme::font(Theme::TextStyle::caption), Theme::Level::secondary, 2, this);
    skip_ = new LinkButton(QString(), this);
    skip_->setObjectName(QStringLiteral("skipButton"));
    skip_->setFont(Theme::font(Theme::TextStyle::caption));
    later_ = new PlainButton(QString(), this);
    later_->setObjectName(QStringLiteral("laterButton"));
    later_->setAutoDefault(false);
    download_ = new AccentButton(QString(), this);
    download_->setObjectName(QStringLiteral("downloadButton"));
    download_->setAutoDefault(false);
    connect(skip_, &QPushButton::clicked, this, &UpdateBannerContent::skipClicked);
    connect(later_, &QPushButton::clicked, this, &UpdateBannerContent::laterClicked);
    connect(download_, &QPushButton::clicked, this, &UpdateBannerContent::downloadClicked);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));

    QSizePolicy sp(QSizePolicy::Expanding, QSizePolicy::Preferred);
    sp.setHeightForWidth(true);
    setSizePolicy(sp);
    followWindowLanguage(this, [this] { retranslate(); });
    retranslate();
}

void UpdateBannerContent::setContent(const QString& version, const QString& notes)
{
    version_ = version;
    notes_ = notes;
    notesText_->setText(notes);
    notesText_->setVisible(!notes.isEmpty());
    notesText_->setToolTip(UntrustedText::toolTip(notes));
    retranslate();
}

void UpdateBannerContent::retranslate()
{
    const Localization l = UiLanguage::current();
    title_->setText(formatString(l.tr("Quorlent %@ is available"), {UntrustedText::inSentence(version_, 200)}));
    skip_->setText(l.tr("Skip This Version"));
    later_->setText(l.tr("Later"));
    download_->setText(l.tr("Download"));
    // One element for assistive technologies: the title and the notes together.
    setAccessibleName(notes_.isEmpty() ? title_->text() : title_->text() + QStringLiteral(", ") + notesText_->text());
    updateGeometry();
    place();
}

void UpdateBannerContent::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange) retranslate();
    if (e->type() == QEvent::LayoutDirectionChange) place();
    QWidget::changeEvent(e);
}

int UpdateBannerContent::textIdealWidth() const
{
    const QFontMetricsF m(title_->font());
    int w = int(std::ceil(m.horizontalAdvance(title_->text()))) + 2;
    if (!notes_.isEmpty()) w = std::max(w, notesText_->idealWidth());
    return std::max(w, kMinTextWidth);
}

int UpdateBannerContent::buttonsHeight() const
{
    return std::max({skip_->sizeHint().height(), later_->sizeHint().height(), download_->sizeHint().height()});
}

int UpdateBannerContent::textHeight(int width) const
{
    int h = title_->heightForWidth(width);
    if (h < 0) h = title_->sizeHint().height();
    if (!notes_.isEmpty()) h += 1 + notesText_->heightForWidth(width);
    return h;
}

int UpdateBannerContent::wideIdealWidth() const
{
    return 2 * kPaddingH + kIconSize + kSpacing + textIdealWidth() + kSpacing + kMinSpacer + kSpacing +
           skip_->sizeHint().width() + kSpacing + later_->sizeHint().width() + kSpacing + download_->sizeHint().width();
}

int UpdateBannerContent::heightForWidth(int width) const
{
    const int inner = width - 2 * kPaddingH;
    if (width >= wideIdealWidth()) {
        const int text = textHeight(textIdealWidth());
        return 2 * kPaddingV + std::max({kIconSize, text, buttonsHeight()});
    }
    const int textWidth = std::max(inner - kIconSize - kSpacing, 40);
    return 2 * kPaddingV + std::max(kIconSize, textHeight(textWidth)) + 8 + buttonsHeight();
}

QSize UpdateBannerContent::sizeHint() const
{
    const int w = wideIdealWidth();
    return QSize(w, heightForWidth(w));
}

QSize UpdateBannerContent::minimumSizeHint() const
{
    const int w = 2 * kPaddingH + skip_->sizeHint().width() + kMinSpacer + later_->sizeHint().width() + kSpacing +
                  download_->sizeHint().width();
    return QSize(w, heightForWidth(w));
}

void UpdateBannerContent::resizeEvent(QResizeEvent*) { place(); }

void UpdateBannerContent::place()
{
    const QRect all = rect();
    auto put = [&](QWidget* w, QRect r) { w->setGeometry(QStyle::visualRect(layoutDirection(), all, r)); };
    const int inner = width() - 2 * kPaddingH;
    const QSize skip = skip_->sizeHint(), later = later_->sizeHint(), download = download_->sizeHint();
    auto placeTexts = [&](int x, int top, int textWidth, int rowHeight) {
        const int th = textHeight(textWidth);
        int y = top + (rowHeight - th) / 2;
        int titleH = title_->heightForWidth(textWidth);
        if (titleH < 0) titleH = title_->sizeHint().height();
        put(title_, QRect(x, y, textWidth, titleH));
        if (!notes_.isEmpty()) put(notesText_, QRect(x, y + titleH + 1, textWidth, notesText_->heightForWidth(textWidth)));
    };
    auto placeButtonsAtTrailing = [&](int right, int centreY) {
        int x = right - download.width();
        put(download_, QRect(x, centreY - download.height() / 2, download.width(), download.height()));
        x -= kSpacing + later.width();
        put(later_, QRect(x, centreY - later.height() / 2, later.width(), later.height()));
        return x;
    };

    if (isWide()) {
        const int textWidth = textIdealWidth();
        const int rowHeight = height() - 2 * kPaddingV;
        const int centreY = kPaddingV + rowHeight / 2;
        put(icon_, QRect(kPaddingH, centreY - kIconSize / 2, kIconSize, kIconSize));
        placeTexts(kPaddingH + kIconSize + kSpacing, kPaddingV, textWidth, rowHeight);
        int x = placeButtonsAtTrailing(width() - kPaddingH, centreY);
        x -= kSpacing + skip.width();
        put(skip_, QRect(x, centreY - skip.height() / 2, skip.width(), skip.height()));
        return;
    }
    const int textWidth = std::max(inner - kIconSize - kSpacing, 40);
    const int messageHeight = std::max(kIconSize, textHeight(textWidth));
    put(icon_, QRect(kPaddingH, kPaddingV + (messageHeight - kIconSize) / 2, kIconSize, kIconSize));
    placeTexts(kPaddingH + kIconSize + kSpacing, kPaddingV, textWidth, messageHeight);
    const int centreY = kPaddingV + messageHeight + 8 + buttonsHeight() / 2;
    put(skip_, QRect(kPaddingH, centreY - skip.height() / 2, skip.width(), skip.height()));
    placeButtonsAtTrailing(width() - kPaddingH, centreY);
}

void UpdateBannerContent::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setLayoutDirection(layoutDirection());
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = Theme::brandPrimary();
    fill.setAlphaF(0.10);
    QColor border = Theme::brandPrimary();
    border.setAlphaF(0.18);
    QPainterPath path;
    path.addPath(SmoothCorners::path(QRectF(rect()), 10));
    p.fillPath(path, fill);
    QPainterPath inside;
    inside.addPath(SmoothCorners::path(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 9.5));
    p.setPen(QPen(border, 1));
    p.drawPath(inside);
}

// ---- UpdateBanner ------------------------------------------------------------------------------

UpdateBanner::UpdateBanner(UpdateChecker& checker, QWidget* parent) : QWidget(parent), checker_(checker)
{
    setObjectName(QStringLiteral("updateBanner"));
    content_ = new UpdateBannerContent(this);
    QSizePolicy sp(QSizePolicy::Preferred, QSizePolicy::Fixed);
    sp.setHeightForWidth(true);
    setSizePolicy(sp);

    connect(content_, &UpdateBannerContent::skipClicked, &checker_, &UpdateChecker::skip);
    connect(content_, &UpdateBannerContent::laterClicked, &checker_, &UpdateChecker::later);
    connect(content_, &UpdateBannerContent::downloadClicked, &checker_, &UpdateChecker::download);
    connect(&checker_, &UpdateChecker::stateChanged, this, &UpdateBanner::refresh);
    connect(&checker_, &UpdateChecker::showsBannerChanged, this, &UpdateBanner::refresh);
    connect(&checker_, &UpdateChecker::latestBuildChanged, this, &UpdateBanner::refresh);
    connect(&progress_, &MotionValue::valueChanged, this, &UpdateBanner::apply);
    setVisible(false);
    refresh();
}

void UpdateBanner::refresh()
{
    const UpdateState s = checker_.state();
    const bool offer = checker_.showsBanner() && s.isAvailable();
    // While leaving, the banner keeps the texts it had.
    if (offer) content_->setContent(s.version, s.notes);
    if (offer == offering_) return;
    offering_ = offer;
    if (offer) setVisible(true);
    progress_.animateTo(offer ? 1.0 : 0.0, Theme::spring());
    apply();
}

int UpdateBanner::fullHeight(int width) const
{
    return kInsetTop + kInsetBottom + content_->heightForWidth(std::max(width - 2 * kInsetH, 1));
}

int UpdateBanner::heightForWidth(int width) const
{
    const double p = std::clamp(progress_.value(), 0.0, 1.0);
    return int(std::lround(p * fullHeight(width)));
}

QSize UpdateBanner::sizeHint() const
{
    const int w = content_->wideIdealWidth() + 2 * kInsetH;
    return QSize(w, heightForWidth(std::max(width(), 1)));
}

QSize UpdateBanner::minimumSizeHint() const { return QSize(0, heightForWidth(std::max(width(), 1))); }

void UpdateBanner::resizeEvent(QResizeEvent*) { apply(); }

void UpdateBanner::apply()
{
    const double p = progress_.value();
    const int full = fullHeight(width());
    const int contentHeight = full - kInsetTop - kInsetBottom;
    // Moves in from the top edge while it fades in.
    const int offset = int(std::lround((1.0 - p) * full));
    content_->setGeometry(kInsetH, kInsetTop - offset, std::max(width() - 2 * kInsetH, 0), contentHeight);
    const double opacity = std::clamp(p, 0.0, 1.0);
    // Settled once the value has reached its target (the animation's last step lands on it).
    const bool settled = p == progress_.target();
    if (!settled && opacity < 1.0) {
        if (!fade_) {
            fade_ = new QGraphicsOpacityEffect(content_);
            content_->setGraphicsEffect(fade_);
        }
        fade_->setOpacity(opacity);
    } else if (fade_) {
        content_->setGraphicsEffect(nullptr);  // deletes it
        fade_ = nullptr;
    }
    updateGeometry();
    if (!offering_ && settled && p <= 0.0) setVisible(false);
}
