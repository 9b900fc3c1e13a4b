#include "shell/OnboardingView.h"

#include <QApplication>

#include "ui/Accessibility.h"
#include "platform/Preferences.h"
#include "platform/i18n/LocaleFormat.h"
#include "platform/i18n/StringFormat.h"
#include "ui/Blur.h"
#include "ui/Symbols.h"
#include "ui/ThemedLabel.h"
#include "ui/Tiles.h"
#include "ui/UiLanguage.h"
#include "ui/ApplicationIconView.h"
#include "ui/Buttons.h"
#include "ui/Theme.h"
#include "ui/SmoothCorners.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

QPointer<OnboardingView>& presented()
{
    static QPointer<OnboardingView> view;
    return view;
}

ThemedLabel* centredLabel(const QString& text, const QFont& font, Theme::Level level, QWidget* parent)
{
    auto* label = new ThemedLabel(text, font, level, parent);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setWordWrap(true);
    return label;
}

// The welcome page: the application's icon on a soft glow, the title and the description.
class WelcomePage : public QWidget {
public:
    explicit WelcomePage(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("onboardingWelcome"));
        const Localization l = UiLanguage::current();
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(16);
        column->addStretch(1);
        icon_ = new ApplicationIconView(96, this);
        column->addWidget(icon_, 0, Qt::AlignHCenter);
        auto* title = centredLabel(l.tr("Know your Mac inside out"), Theme::font(Theme::TextStyle::largeTitle, QFont::Bold),
                                   Theme::Level::primary, this);
        title->setObjectName(QStringLiteral("welcomeTitle"));
        column->addWidget(title);
        auto* text = centredLabel(l.tr("Quorlent checks what your Mac can really do: its chip, graphics, Apple Intelligence, "
                                       "displays, video codecs, cameras, network and security."),
                                  Theme::font(Theme::TextStyle::title3), Theme::Level::secondary, this);
        text->setObjectName(QStringLiteral("welcomeText"));
        column->addWidget(text);
        column->addStretch(1);
        connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, [this] {
            glow_ = {};
            update();
        });
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        // The icon's shadow in the glow colour, painted here because it spills past the icon.
        constexpr int kRadius = 20, kMargin = 44, kOffsetY = 6;
        if (glow_.isNull()) {
            QImage img(96 + 2 * kMargin, 96 + 2 * kMargin, QImage::Format_ARGB32_Premultiplied);
            img.fill(Qt::transparent);
            {
                QPainter ip(&img);
                ApplicationIconView::paint(ip, QRectF(kMargin, kMargin, 96, 96), layoutDirection());
            }
            blurAlpha(img, kRadius / 2);
            QPainter tint(&img);
            tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
            QColor glow = Theme::brandGlow();
            glow.setAlphaF(std::clamp(glow.alphaF() * 0.5, 0.0, 1.0));
            tint.fillRect(img.rect(), glow);
            tint.end();
            glow_ = QPixmap::fromImage(img);
        }
        QPainter p(this);
        p.drawPixmap(icon_->geometry().topLeft() + QPoint(-kMargin, -kMargin + kOffsetY), glow_);
    }

private:
    ApplicationIconView* icon_;
    QPixmap glow_;
};

// The symbol of one features row, in the brand colour.
class PointSymbol : public QWidget {
public:
    PointSymbol(const QString& symbol, QWidget* parent) : QWidget(parent), symbol_(symbol)
    {
        setFixedSize(24, 18);
        UiAccessibility::markDecorative(this);
        connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setLayoutDirection(layoutDirection());
        const qreal s = 15;
        Symbols::draw(p, symbol_, QRectF((width() - s) / 2, (height() - s) / 2, s, s), Theme::brandPrimary());
    }

private:
    QString symbol_;
};

// One line of the features list: a symbol and its text, read as one element.
QWidget* point(const QString& symbol, const QString& text, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(12);
    h->addWidget(new PointSymbol(symbol, row), 0, Qt::AlignTop);
    auto* label = new ThemedLabel(text, Theme::font(Theme::TextStyle::callout), Theme::Level::primary, row);
    label->setWordWrap(true);
    h->addWidget(label, 1, Qt::AlignTop);
    row->setAccessibleName(text);
    return row;
}

QWidget* featuresPage(QWidget* parent)
{
    const Localization l = UiLanguage::current();
    auto* page = new QWidget(parent);
    page->setObjectName(QStringLiteral("onboardingFeatures"));
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(20);
    column->addStretch(1);
    column->addWidget(new IconTile(QRL_SYMBOL("checklist"), 64, Theme::brandGradient(), page), 0, Qt::AlignHCenter);
    auto* headline = centredLabel(l.tr("Everything at a glance"), Theme::font(Theme::TextStyle::title, QFont::Bold),
                                  Theme::Level::primary, page);
    headline->setObjectName(QStringLiteral("featuresTitle"));
    column->addWidget(headline);
    auto* list = new QWidget(page);
    list->setObjectName(QStringLiteral("featuresList"));
    list->setMaximumWidth(440);
    QSizePolicy listPolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    listPolicy.setHeightForWidth(true);
    list->setSizePolicy(listPolicy);
    auto* rows = new QVBoxLayout(list);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(12);
    rows->addWidget(point(QRL_SYMBOL("square.grid.2x2"),
                          l.tr("Every capability with a clear supported, warning or not supported status"), list));
    rows->addWidget(point(QRL_SYMBOL("magnifyingglass"), l.tr("Search across everything, filter by status"), list));
    rows->addWidget(point(QRL_SYMBOL("doc.on.doc"), l.tr("Copy a plain-text summary in one click"), list));
    rows->addWidget(point(QRL_SYMBOL("person.crop.circle.badge.xmark"),
                          l.tr("No account needed. Your inspection stays on your Mac."), list));
    // As wide as the page allows up to 440, centred; the rows wrap within it.
    auto* centre = new QHBoxLayout;
    centre->addStretch(0);
    centre->addWidget(list, 1);
    centre->addStretch(0);
    column->addLayout(centre);
    column->addStretch(1);
    return page;
}

}  // namespace

// ---- OnboardingDots ----------------------------------------------------------------------------

OnboardingDots::OnboardingDots(int count, QWidget* parent) : QWidget(parent), count_(count)
{
    setObjectName(QStringLiteral("pageDots"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
    setCurrent(0);
}

QString OnboardingDots::spokenText(int page, int count)
{
    const Localization l = UiLanguage::current();
    return formatString(l.tr("Page %lld of %lld"), {LocaleFormat::count(qint64(page) + 1, l), LocaleFormat::count(qint64(count), l)});
}

void OnboardingDots::setCurrent(int page)
{
    current_ = page;
    setAccessibleName(spokenText(current_, count_));
    update();
}

void OnboardingDots::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange) setAccessibleName(spokenText(current_, count_));
    QWidget::changeEvent(e);
}

QSize OnboardingDots::sizeHint() const
{
    return QSize(kCurrentWidth + (count_ - 1) * (kDot + kSpacing), kDot + 2);
}

void OnboardingDots::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setLayoutDirection(layoutDirection());
    p.setRenderHint(QPainter::Antialiasing);
    const QRect all = rect();
    int x = 0;
    const int y = (height() - kDot) / 2;
    for (int i = 0; i < count_; ++i) {
        const int w = i == current_ ? kCurrentWidth : kDot;
        const QRectF r = QStyle::visualRect(layoutDirection(), all, QRect(x, y, w, kDot));
        QPainterPath capsule;
        capsule.addPath(SmoothCorners::path(r, kDot / 2.0));
        if (i == current_) p.fillPath(capsule, Theme::toQGradient(Theme::brandGradient(), r, layoutDirection()));
        else p.fillPath(capsule, Theme::primary(0.15));
        x += w + kSpacing;
    }
}

// ---- OnboardingPages ---------------------------------------------------------------------------

OnboardingPages::OnboardingPages(Factory factory, QWidget* parent) : QWidget(parent), factory_(std::move(factory))
{
    connect(&progress_, &MotionValue::valueChanged, this, &OnboardingPages::apply);
}

QRect OnboardingPages::pageRect() const { return rect().adjusted(kPadding, kPadding, -kPadding, 0); }

void OnboardingPages::showPage(int page)
{
    if (page == page_ && current_) return;
    settle();
    const bool first = !current_;
    page_ = page;
    leaving_ = current_;
    current_ = factory_(page, this);
    current_->setGeometry(pageRect());
    current_->show();
    if (first || Theme::reduceMotion()) {
        // No animation: the change is immediate.
        progress_.setValue(1);
        settle();
        return;
    }
    for (QWidget* w : {current_.data(), leaving_.data()}) {
        auto* fade = new QGraphicsOpacityEffect(w);
        w->setGraphicsEffect(fade);
    }
    starting_ = true;
    progress_.setValue(0);
    starting_ = false;
    progress_.animateTo(1, Theme::spring());
    apply();
}

void OnboardingPages::rebuild()
{
    settle();
    delete current_;
    const int page = page_;
    page_ = -1;
    showPage(page);
}

void OnboardingPages::settle()
{
    if (leaving_) {
        delete leaving_;
        leaving_ = nullptr;
    }
    if (current_) {
        current_->setGraphicsEffect(nullptr);
        current_->setGeometry(pageRect());
    }
}

void OnboardingPages::apply()
{
    if (!leaving_ || starting_) return;
    const double p = progress_.value();
    const QRect r = pageRect();
    // Leading and trailing follow the reading direction; Back slides the same way as Continue.
    const int sign = layoutDirection() == Qt::RightToLeft ? -1 : 1;
    const int shift = int(std::lround(r.width() + kPadding));
    current_->move(r.x() + sign * int(std::lround((1.0 - p) * shift)), r.y());
    leaving_->move(r.x() - sign * int(std::lround(p * shift)), r.y());
    if (auto* f = qobject_cast<QGraphicsOpacityEffect*>(current_->graphicsEffect())) f->setOpacity(std::clamp(p, 0.0, 1.0));
    if (auto* f = qobject_cast<QGraphicsOpacityEffect*>(leaving_->graphicsEffect())) f->setOpacity(std::clamp(1.0 - p, 0.0, 1.0));
    if (p == progress_.target()) settle();
}

void OnboardingPages::resizeEvent(QResizeEvent*)
{
    if (current_ && !leaving_) current_->setGeometry(pageRect());
    if (current_) current_->resize(pageRect().size());
    if (leaving_) leaving_->resize(pageRect().size());
}

// ---- OnboardingView ----------------------------------------------------------------------------

OnboardingView* OnboardingView::current() { return presented(); }

OnboardingView* OnboardingView::present(QWidget* mainWindow, Preferences& preferences, std::function<void()> onClosed)
{
    if (OnboardingView* open = presented()) {
        open->raise();
        open->activateWindow();
        return open;
    }
    auto* view = new OnboardingView(preferences, mainWindow ? mainWindow->window() : nullptr);
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->setWindowModality(mainWindow ? Qt::WindowModal : Qt::ApplicationModal);
    connect(view, &QDialog::finished, view, [onClosed = std::move(onClosed)](int) {
        if (onClosed) onClosed();
    });
    presented() = view;
    view->open();
    return view;
}

OnboardingView::OnboardingView(Preferences& preferences, QWidget* parent) : QDialog(parent), preferences_(preferences)
{
    setObjectName(QStringLiteral("onboarding"));
    setFixedSize(kWidth, kHeight);
    setSizeGripEnabled(false);
    setLayoutDirection(UiLanguage::current().layoutDirection());
    qApp->installEventFilter(this);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    pages_ = new OnboardingPages(&OnboardingView::buildPage, this);
    column->addWidget(pages_, 1);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(20, 20, 20, 20);
    bar->setSpacing(0);
    skip_ = new LinkButton(QString(), this);
    skip_->setObjectName(QStringLiteral("skipButton"));
    skip_->setFont(Theme::font(Theme::TextStyle::body));
    // Kept in its place while hidden on the last page, so the bar does not shift.
    QSizePolicy keep = skip_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    skip_->setSizePolicy(keep);
    bar->addWidget(skip_, 0, Qt::AlignVCenter);
    bar->addStretch(1);
    dots_ = new OnboardingDots(kPageCount, this);
    bar->addWidget(dots_, 0, Qt::AlignVCenter);
    bar->addStretch(1);
    back_ = new PlainButton(QString(), this);
    back_->setObjectName(QStringLiteral("backButton"));
    back_->setAutoDefault(false);
    bar->addWidget(back_, 0, Qt::AlignVCenter);
    bar->addSpacing(8);
    primary_ = new AccentButton(QString(), this);
    primary_->setObjectName(QStringLiteral("primaryButton"));
    primary_->setAutoDefault(false);
    primary_->setDefault(true);
    bar->addWidget(primary_, 0, Qt::AlignVCenter);
    column->addLayout(bar);

    connect(skip_, &QPushButton::clicked, this, [this] {
        complete();
        reject();
    });
    connect(back_, &QPushButton::clicked, this, [this] { go(page_ - 1); });
    connect(primary_, &QPushButton::clicked, this, [this] {
        if (isLastPage()) {
            complete();
            accept();
        } else {
            go(page_ + 1);
        }
    });
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));

    pages_->showPage(0);
    retranslate();
    primary_->setFocus();
}

// Destroyed with its window, never dismissed: the application is ending (the main window lives
// until quit), so the user has not been through it and it shows again at the next start.
OnboardingView::~OnboardingView() = default;

bool OnboardingView::eventFilter(QObject* watched, QEvent* event)
{
    // Quitting closes every window, this one included: that is not the user dismissing it.
    if (watched == qApp && event->type() == QEvent::Quit) quitting_ = true;
    return QDialog::eventFilter(watched, event);
}

QWidget* OnboardingView::buildPage(int page, QWidget* parent)
{
    if (page == 0) return new WelcomePage(parent);
    return featuresPage(parent);
}

void OnboardingView::go(int page)
{
    page = std::clamp(page, 0, kPageCount - 1);
    if (page == page_) return;
    page_ = page;
    pages_->showPage(page_);
    updateBar();
}

void OnboardingView::complete()
{
    completed_ = true;
    preferences_.setValue(kCompletedKey, true);
}

void OnboardingView::done(int result)
{
    // Escape, the window's close button and the buttons all end here; so does quitting, which
    // leaves the onboarding to show again.
    if (!quitting_) complete();
    QDialog::done(result);
}

void OnboardingView::retranslate()
{
    const Localization l = UiLanguage::current();
    setWindowTitle(l.tr("Quorlent"));
    skip_->setText(l.tr("Skip"));
    back_->setText(l.tr("Back"));
    updateBar();
}

void OnboardingView::updateBar()
{
    const Localization l = UiLanguage::current();
    const bool last = isLastPage();
    skip_->setVisible(!last);
    skip_->setEnabled(!last);
    back_->setVisible(page_ >= 1);
    primary_->setText(last ? l.tr("Get Started") : l.tr("Continue"));
    dots_->setCurrent(page_);
}

void OnboardingView::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange) {
        retranslate();
        pages_->rebuild();
    }
    QDialog::changeEvent(e);
}

QImage OnboardingView::backdrop(const QSize& size, const QColor& background, const QColor& glow, qreal radius)
{
    QImage img(size, QImage::Format_RGB32);
    if (img.isNull()) return img;
    // At the glow's faint alpha an 8-bit gradient has a few dozen steps over hundreds of pixels,
    // which read as rings; each pixel is blended exactly and rounded with a little noise.
    const float br = float(background.redF()), bg = float(background.greenF()), bb = float(background.blueF());
    const float gr = float(glow.redF()), gg = float(glow.greenF()), gb = float(glow.blueF());
    const float alpha = float(glow.alphaF());
    const float cx = size.width() / 2.0f, r = float(std::max<qreal>(radius, 1));
    const QRgb flat = qRgb(qRound(br * 255), qRound(bg * 255), qRound(bb * 255));
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        const float dy = y + 0.5f;
        if (dy >= r) {
            std::fill(line, line + size.width(), flat);
            continue;
        }
        for (int x = 0; x < size.width(); ++x) {
            const float dx = x + 0.5f - cx;
            const float t = std::sqrt(dx * dx + dy * dy) / r;
            const float a = t < 1 ? alpha * (1 - t) : 0;
            // A small hash of the position: noise without a visible pattern, the same every paint.
            std::uint32_t h = std::uint32_t(x) * 374761393u + std::uint32_t(y) * 668265263u;
            h = (h ^ (h >> 13)) * 1274126177u;
            const float n1 = float(h & 0xffff) / 65536.0f, n2 = float((h >> 16) & 0xffff) / 65536.0f;
            const float noise = n1 + n2 - 1.0f;  // triangular over -1…1 of a step
            const auto channel = [&](float b, float g) {
                const float v = (b + (g - b) * a) * 255.0f + (a > 0 ? noise : 0.0f);
                return std::clamp(int(std::lround(v)), 0, 255);
            };
            line[x] = qRgb(channel(br, gr), channel(bg, gg), channel(bb, gb));
        }
    }
    return img;
}

void OnboardingView::paintEvent(QPaintEvent*)
{
    const QColor background = Theme::systemColor(Theme::SystemColor::windowBackground, Theme::appearance());
    QColor inner = Theme::brandGlow();
    inner.setAlphaF(std::clamp(inner.alphaF() * 0.22, 0.0, 1.0));
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (backdrop_.size() != pixels || backdropKey_[0] != background.rgba() || backdropKey_[1] != inner.rgba()) {
        // The glow from the top edge's centre, 380 across at its radius.
        backdrop_ = backdrop(pixels, background, inner, 380 * ratio);
        backdrop_.setDevicePixelRatio(ratio);
        backdropKey_[0] = background.rgba();
        backdropKey_[1] = inner.rgba();
    }
    QPainter p(this);
    p.drawImage(QPointF(0, 0), backdrop_);
}
