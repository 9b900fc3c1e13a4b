#include "shell/SettingsWindow.h"
#include "ui/ApplicationIconView.h"
#include "ui/Buttons.h"
#include "ui/CentredFlow.h"
#include "ui/Divider.h"
#include "ui/SettingsSection.h"
#include "ui/SettingsSwitch.h"
#include "ui/Theme.h"
#include "ui/UrlOpener.h"

#include "updates/UpdateChecker.h"

#include "BuildConfig.h"
#include "app/AppRouter.h"
#include "app/LanguageManager.h"
#include "app/LanguagePicker.h"
#include "platform/Preferences.h"
#include "platform/i18n/StringFormat.h"
#include "ui/AppLinks.h"
#include "ui/Card.h"
#include "ui/Symbols.h"
#include "ui/ThemedLabel.h"
#include "ui/UiLanguage.h"
#include "updates/UpdateSettingsRow.h"
#include "ui/SmoothCorners.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <algorithm>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLayout>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QVBoxLayout>

#include <cmath>

namespace {

QPointer<SettingsWindow>& openWindow()
{
    static QPointer<SettingsWindow> window;
    return window;
}

void watchAppearance(QWidget* w)
{
    QObject::connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, w, qOverload<>(&QWidget::update));
}

// A tab of the window's top bar: the symbol over the title, tinted while selected.
class SettingsTabButton : public QAbstractButton {
public:
    SettingsTabButton(const QString& symbol, QWidget* parent) : QAbstractButton(parent), symbol_(symbol)
    {
        setCheckable(true);
        setAutoExclusive(true);
        setFocusPolicy(Qt::TabFocus);
        setFont(Theme::font(Theme::TextStyle::callout));
        watchAppearance(this);
    }
    QSize sizeHint() const override
    {
        const QFontMetricsF m(font());
        return QSize(std::max(int(std::ceil(m.horizontalAdvance(text()))) + 20, 64), 48);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setLayoutDirection(layoutDirection());
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addPath(SmoothCorners::path(QRectF(rect()).adjusted(1, 1, -1, -1), 6));
        if (isChecked()) p.fillPath(path, Theme::primary(0.08));
        if (hasFocus() && keyboardFocus_) {
            QColor ring = Theme::brandPrimary();
            ring.setAlphaF(0.45);
            p.setPen(QPen(ring, 1.5));
            p.drawPath(path);
        }
        const QColor c = isChecked() ? Theme::brandPrimary() : Theme::foreground(Theme::Level::secondary);
        const qreal s = 20;
        Symbols::draw(p, symbol_, QRectF((width() - s) / 2, 5, s, s), c);
        p.setPen(c);
        p.setFont(font());
        p.drawText(QRectF(0, 28, width(), height() - 30), Qt::AlignHCenter | Qt::AlignTop,
                   QFontMetricsF(font()).elidedText(text(), Qt::ElideRight, width()));
    }

    void focusInEvent(QFocusEvent* e) override
    {
        keyboardFocus_ = e->reason() == Qt::TabFocusReason || e->reason() == Qt::BacktabFocusReason;
        QAbstractButton::focusInEvent(e);
    }

private:
    QString symbol_;
    bool keyboardFocus_ = false;
};

}  // namespace

// ---- GeneralSettingsPane -----------------------------------------------------------------------

GeneralSettingsPane::GeneralSettingsPane(const SettingsEnvironment& environment, QWidget* parent)
    : QWidget(parent), env_(environment)
{
    setObjectName(QStringLiteral("generalSettings"));
    setMinimumHeight(kMinimumHeight);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(14);
    const QFont body = Theme::font(Theme::TextStyle::body);

    // Language, with the relaunch offer below while a relaunch is pending.
    auto* language = new SettingsSection(this);
    auto* languageColumn = new QVBoxLayout(language);
    languageColumn->setContentsMargins(12, 8, 12, 8);
    languageColumn->setSpacing(8);
    auto* languageRow = new QHBoxLayout;
    languageRow->setSpacing(12);
    languageLabel_ = new ThemedLabel(QString(), body, Theme::Level::primary, language);
    languageRow->addWidget(languageLabel_, 1, Qt::AlignVCenter);
    picker_ = new LanguagePickerBox(*env_.language, language);
    picker_->setObjectName(QStringLiteral("languagePicker"));
    languageRow->addWidget(picker_, 0, Qt::AlignVCenter);
    languageColumn->addLayout(languageRow);
    relaunch_ = new RelaunchBanner(*env_.language, language);
    relaunch_->setObjectName(QStringLiteral("relaunchBanner"));
    relaunch_->setVisible(env_.language->systemUIOutOfDate());
    languageColumn->addWidget(relaunch_);
    column->addWidget(language);

    // The live monitor in the tray.
    auto* menuBar = new SettingsSection(this);
    auto* menuBarColumn = new QVBoxLayout(menuBar);
    menuBarColumn->setContentsMargins(12, 8, 12, 8);
    menuBarColumn->setSpacing(4);
    auto* menuBarRow = new QHBoxLayout;
    menuBarRow->setSpacing(12);
    menuBarLabel_ = new ThemedLabel(QString(), body, Theme::Level::primary, menuBar);
    menuBarLabel_->setWordWrap(true);
    menuBarRow->addWidget(menuBarLabel_, 1, Qt::AlignVCenter);
    menuBar_ = new SettingsSwitch(menuBar);
    menuBar_->setObjectName(QStringLiteral("menuBarSwitch"));
    menuBarRow->addWidget(menuBar_, 0, Qt::AlignVCenter);
    menuBarColumn->addLayout(menuBarRow);
    trayNote_ = new ThemedLabel(QString(), Theme::font(Theme::TextStyle::caption), Theme::Level::secondary, menuBar);
    trayNote_->setObjectName(QStringLiteral("trayNote"));
    trayNote_->setWordWrap(true);
    menuBarColumn->addWidget(trayNote_);
    column->addWidget(menuBar);

    // The welcome sheet again.
    auto* onboarding = new SettingsSection(this);
    auto* onboardingRow = new QHBoxLayout(onboarding);
    onboardingRow->setContentsMargins(12, 8, 12, 8);
    showWelcome_ = new PlainButton(QString(), onboarding);
    showWelcome_->setObjectName(QStringLiteral("showWelcomeAgain"));
    showWelcome_->setAutoDefault(false);
    onboardingRow->addWidget(showWelcome_, 0, Qt::AlignVCenter);
    onboardingRow->addStretch(1);
    column->addWidget(onboarding);
    column->addStretch(1);

    connect(env_.language, &LanguageManager::systemUIOutOfDateChanged, this, [this] {
        relaunch_->setVisible(env_.language->systemUIOutOfDate());
        emit contentHeightChanged();
    });
    connect(menuBar_, &QAbstractButton::toggled, this, [this](bool on) {
        // Written at once; the application adds or removes the tray item as it changes.
        if (menuBarEnabled() != on) env_.preferences->setValue(kMenuBarKey, on);
    });
    connect(env_.preferences, &Preferences::changed, this, [this](const QString& key) {
        if (key == kMenuBarKey) refreshTray();
    });
    connect(showWelcome_, &QPushButton::clicked, this, [this] {
        // The main window first (opened or raised, brought forward), then the sheet on it.
        // The preference stays as it is.
        if (env_.openMainWindow) env_.openMainWindow();
        if (env_.router) env_.router->setShowOnboarding(true);
    });
    retranslate();
    refreshTray();
}

bool GeneralSettingsPane::menuBarEnabled() const { return env_.preferences->boolValue(kMenuBarKey).value_or(true); }

void GeneralSettingsPane::refreshTray()
{
    const bool tray = env_.trayAvailable ? env_.trayAvailable() : false;
    const QSignalBlocker block(menuBar_);
    // Without a tray the application behaves as if the setting were off, and says why.
    menuBar_->setEnabled(tray);
    menuBar_->setChecked(tray && menuBarEnabled());
    menuBarLabel_->setLevel(tray ? Theme::Level::primary : Theme::Level::tertiary);
    if (trayNote_->isVisibleTo(this) != !tray) {
        trayNote_->setVisible(!tray);
        emit contentHeightChanged();
    }
    menuBar_->update();
}

void GeneralSettingsPane::retranslate()
{
    const Localization l = UiLanguage::current();
    languageLabel_->setText(l.tr("Language"));
    menuBarLabel_->setText(l.tr("Show live monitor in the menu bar"));
    menuBar_->setAccessibleName(menuBarLabel_->text());
    trayNote_->setText(l.tr("This desktop has no system tray, so the live monitor can’t be shown there."));
    showWelcome_->setText(l.tr("Show Welcome Again"));
    emit contentHeightChanged();
}

void GeneralSettingsPane::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange) retranslate();
    QWidget::changeEvent(e);
}

// ---- AboutSettingsPane -------------------------------------------------------------------------

QString AboutSettingsPane::versionText(const std::optional<QString>& shortVersion, const std::optional<QString>& build)
{
    return shortVersion.value_or(QStringLiteral("1.0")) + QStringLiteral(" (") + build.value_or(QStringLiteral("1")) +
           QStringLiteral(")");
}

QString AboutSettingsPane::versionText()
{
    auto configured = [](const char* value) -> std::optional<QString> {
        const QString s = QString::fromUtf8(value);
        if (s.isEmpty()) return std::nullopt;
        return s;
    };
    return versionText(configured(BuildConfig::version), configured(BuildConfig::build));
}

AboutSettingsPane::AboutSettingsPane(const SettingsEnvironment& environment, QWidget* parent)
    : QWidget(parent), opener_(UrlOpener::desktop())
{
    setObjectName(QStringLiteral("aboutSettings"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(32, 32, 32, 32);
    column->setSpacing(16);
    column->addWidget(new ApplicationIconView(88, this), 0, Qt::AlignHCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    auto centred = [this](const QFont& font, Theme::Level level) {
        auto* label = new ThemedLabel(QString(), font, level, this);
        label->setAlignment(Qt::AlignHCenter);
        label->setWordWrap(true);
        return label;
    };
    name_ = centred(Theme::font(Theme::TextStyle::title2, QFont::DemiBold), Theme::Level::primary);
    name_->setObjectName(QStringLiteral("appName"));
    version_ = centred(Theme::font(Theme::TextStyle::callout), Theme::Level::secondary);
    version_->setObjectName(QStringLiteral("versionLine"));
    // The one line that can be selected and copied.
    version_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    version_->setCursor(Qt::IBeamCursor);
    maker_ = centred(Theme::font(Theme::TextStyle::callout), Theme::Level::secondary);
    maker_->setObjectName(QStringLiteral("makerLine"));
    for (ThemedLabel* l : {name_, version_, maker_}) texts->addWidget(l);
    column->addLayout(texts);

    auto* links = new CentredFlow(16, this);
    links->setObjectName(QStringLiteral("links"));
    const QList<std::pair<const char*, const QUrl*>> targets = {
        {"website", &AppLinks::website()},
        {"terms", &AppLinks::terms()},
        {"privacy", &AppLinks::privacy()},
        {"contact", &AppLinks::contact()},
    };
    for (const auto& [name, url] : targets) {
        auto* link = new LinkButton(QString(), links);
        link->setObjectName(QString::fromLatin1(name) + QStringLiteral("Link"));
        link->setFont(Theme::font(Theme::TextStyle::callout));
        connect(link, &QPushButton::clicked, this, [this, url] {
            if (opener_) opener_(*url);
        });
        links->addWidget(link);
        links_ << link;
    }
    column->addWidget(links);

    auto* dividerRow = new QHBoxLayout;
    dividerRow->setContentsMargins(32, 0, 32, 0);
    dividerRow->addWidget(new Divider(this));
    column->addLayout(dividerRow);

    if (environment.updates) {
        updateRow_ = new UpdateSettingsRow(*environment.updates, this);
        column->addWidget(updateRow_);
    }
    retranslate();
}

void AboutSettingsPane::retranslate()
{
    const Localization l = UiLanguage::current();
    name_->setText(l.tr("Quorlent"));
    version_->setText(formatString(l.tr("Version %@"), {versionText()}));
    maker_->setText(l.tr("Made by Lumbrel"));
    const char* titles[] = {QRL_KEY("Website"), QRL_KEY("Terms of Use"), QRL_KEY("Privacy Policy"), QRL_KEY("Contact Support")};
    for (qsizetype i = 0; i < links_.size(); ++i) {
        links_[i]->setText(l.tr(titles[i]));
        links_[i]->updateGeometry();
    }
    if (auto* flow = findChild<CentredFlow*>()) flow->updateGeometry();
}

void AboutSettingsPane::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange) retranslate();
    QWidget::changeEvent(e);
}

// ---- SettingsWindow ----------------------------------------------------------------------------

SettingsWindow* SettingsWindow::instance() { return openWindow(); }

SettingsWindow* SettingsWindow::open(const SettingsEnvironment& environment)
{
    SettingsWindow* window = openWindow();
    if (!window) {
        window = new SettingsWindow(environment);
        window->setAttribute(Qt::WA_DeleteOnClose);
        // Gone with the application, not left for the operating system to reclaim.
        connect(qApp, &QCoreApplication::aboutToQuit, window, &QObject::deleteLater);
        openWindow() = window;
    }
    if (!window->isVisible()) window->placeOver(mainWindowOnScreen());
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

QWidget* SettingsWindow::mainWindowOnScreen()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("main") && w->isVisible() && !w->isMinimized()) return w;
    return nullptr;
}

void SettingsWindow::placeOver(const QWidget* mainWindow)
{
    fitHeight();
    if (!mainWindow) return;
    // Over the main window, in the upper part of it, as a desktop places an application's
    // settings; kept on the main window's screen.
    const QRect over = mainWindow->frameGeometry();
    QPoint origin(over.center().x() - width() / 2, over.top() + std::max(40, (over.height() - height()) / 4));
    if (const QScreen* screen = mainWindow->screen()) {
        const QRect area = screen->availableGeometry();
        origin.setX(std::clamp(origin.x(), area.left(), std::max(area.left(), area.right() + 1 - width())));
        origin.setY(std::clamp(origin.y(), area.top(), std::max(area.top(), area.bottom() + 1 - height())));
    }
    move(origin);
}

SettingsWindow::SettingsWindow(const SettingsEnvironment& environment, QWidget* parent)
    : QWidget(parent, Qt::Window), env_(environment)
{
    setObjectName(QStringLiteral("settingsWindow"));
    setFixedWidth(kWidth);
    if (env_.language) setLayoutDirection(env_.language->layoutDirection());

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* tabs = new QHBoxLayout;
    tabs->setContentsMargins(12, 8, 12, 8);
    tabs->setSpacing(4);
    tabs->addStretch(1);
    generalTab_ = new SettingsTabButton(QRL_SYMBOL("gearshape"), this);
    generalTab_->setObjectName(QStringLiteral("generalTab"));
    aboutTab_ = new SettingsTabButton(QRL_SYMBOL("info.circle"), this);
    aboutTab_->setObjectName(QStringLiteral("aboutTab"));
    tabs->addWidget(generalTab_);
    tabs->addWidget(aboutTab_);
    tabs->addStretch(1);
    column->addLayout(tabs);
    column->addWidget(new Divider(this));

    general_ = new GeneralSettingsPane(env_, this);
    about_ = new AboutSettingsPane(env_, this);
    column->addWidget(general_);
    column->addWidget(about_);

    connect(generalTab_, &QAbstractButton::clicked, this, [this] { showTab(Tab::general); });
    connect(aboutTab_, &QAbstractButton::clicked, this, [this] { showTab(Tab::about); });
    connect(general_, &GeneralSettingsPane::contentHeightChanged, this, &SettingsWindow::fitHeight);
    // The About pane's update status grows and shrinks with each check: the window follows.
    if (env_.updates)
        for (auto signal : {&UpdateChecker::stateChanged, &UpdateChecker::isCheckingChanged, &UpdateChecker::lastErrorChanged,
                            &UpdateChecker::lastCheckedChanged})
            connect(env_.updates, signal, this, &SettingsWindow::fitHeight, Qt::QueuedConnection);
    if (env_.language) {
        connect(env_.language, &LanguageManager::codeChanged, this, [this] {
            // The whole window follows the interface language at once, right to left included.
            setLayoutDirection(env_.language->layoutDirection());
            QEvent change(QEvent::LanguageChange);
            QCoreApplication::sendEvent(this, &change);
        });
    }
    retranslate();
    showTab(Tab::general);
}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::showTab(Tab tab)
{
    tab_ = tab;
    generalTab_->setChecked(tab == Tab::general);
    aboutTab_->setChecked(tab == Tab::about);
    general_->setVisible(tab == Tab::general);
    about_->setVisible(tab == Tab::about);
    retranslate();
}

void SettingsWindow::retranslate()
{
    const Localization l = UiLanguage::current();
    generalTab_->setText(l.tr("General"));
    aboutTab_->setText(l.tr("About"));
    generalTab_->updateGeometry();
    aboutTab_->updateGeometry();
    // Titled by the pane shown and the application, so the desktop's window list tells whose
    // settings these are.
    setWindowTitle(windowTitleFor(tab_ == Tab::general ? generalTab_->text() : aboutTab_->text(), l.tr("Quorlent")));
    fitHeight();
}

QString SettingsWindow::windowTitleFor(const QString& pane, const QString& application)
{
    return pane + QStringLiteral(" \u2014 ") + application;
}

void SettingsWindow::fitHeight()
{
    if (!layout()) return;
    // A row shown or hidden deep inside: every cached height is stale.
    for (QLayout* l : findChildren<QLayout*>()) l->invalidate();
    layout()->invalidate();
    layout()->activate();
    const int h = layout()->totalHeightForWidth(kWidth);
    if (h > 0) setFixedHeight(h);
}

void SettingsWindow::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange) {
        // Children hear it too; the window's own texts and height follow.
        for (QWidget* pane : {static_cast<QWidget*>(general_), static_cast<QWidget*>(about_)}) {
            QEvent change(QEvent::LanguageChange);
            QCoreApplication::sendEvent(pane, &change);
            for (QWidget* w : pane->findChildren<QWidget*>()) QCoreApplication::sendEvent(w, &change);
        }
        retranslate();
    }
    QWidget::changeEvent(e);
}
