#include "shell/TrayHost.h"

#include "platform/Preferences.h"
#include "shell/MainWindowIcons.h"
#include "ui/UiLanguage.h"

#include <QMenu>
#include <QSystemTrayIcon>

namespace {
// The tray item until the live monitor's own one takes its place.
class PlainTrayItem : public QObject {
    Q_OBJECT
public:
    explicit PlainTrayItem(QObject* parent) : QObject(parent), icon_(MainWindowIcons::application(), this)
    {
        icon_.setToolTip(UiLanguage::current().tr("Quorlent"));
        connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) emit openMainWindowRequested();
        });
        icon_.show();
    }
    void setContextMenu(QMenu* menu) { icon_.setContextMenu(menu); }

signals:
    void openMainWindowRequested();
    void quitRequested();

private:
    QSystemTrayIcon icon_;
};
}  // namespace

TrayHost::TrayHost(Preferences& preferences, std::function<bool()> trayAvailable, Factory factory, TrayActions actions,
                   QObject* parent)
    : QObject(parent), preferences_(preferences), trayAvailable_(std::move(trayAvailable)), factory_(std::move(factory)),
      actions_(std::move(actions)), menu_(new QMenu)
{
    menu_->setObjectName(QStringLiteral("menu.tray"));
    auto add = [this](const char* name, std::function<void()> TrayActions::*slot) {
        QAction* a = menu_->addAction(QString());
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, [this, slot] {
            if (actions_.*slot) (actions_.*slot)();
        });
    };
    add("tray.open", &TrayActions::openMainWindow);
    add("tray.checkForUpdates", &TrayActions::checkForUpdates);
    add("tray.settings", &TrayActions::openSettings);
    menu_->addSeparator();
    add("tray.quit", &TrayActions::quit);
    retranslate();
    connect(&preferences_, &Preferences::changed, this, [this](const QString& key) {
        if (key == kPreferenceKey) sync();
    });
    sync();
}

TrayHost::~TrayHost()
{
    delete item_.data();
    delete menu_;
}

bool TrayHost::wanted(const QVariant& stored)
{
    if (stored.isValid() && stored.typeId() == QMetaType::Bool) return stored.toBool();
    return true;
}

bool TrayHost::quitsOnLastWindowClosed(const QVariant& stored, bool trayAvailable)
{
    if (!trayAvailable) return true;
    if (!stored.isValid()) return false;
    if (stored.typeId() == QMetaType::Bool) return !stored.toBool();
    return false;
}

void TrayHost::sync()
{
    const bool want = wanted(preferences_.value(kPreferenceKey)) && trayAvailable_ && trayAvailable_();
    if (want == hasItem()) return;
    if (want) {
        if (factory_) item_ = factory_(this, menu_, actions_);
    } else {
        delete item_.data();
        item_ = nullptr;
    }
    emit itemChanged();
}

void TrayHost::retranslate()
{
    const Localization L = UiLanguage::current();
    const QList<QAction*> actions = menu_->actions();
    for (QAction* a : actions) {
        const QString name = a->objectName();
        if (name == QLatin1String("tray.open")) a->setText(L.tr("Open Quorlent"));
        else if (name == QLatin1String("tray.checkForUpdates")) a->setText(L.tr("Check for Updates…"));
        else if (name == QLatin1String("tray.settings")) a->setText(L.tr("Settings…"));
        else if (name == QLatin1String("tray.quit")) a->setText(L.tr("Quit"));
    }
}

void TrayHost::setCheckingForUpdates(bool checking)
{
    for (QAction* a : menu_->actions())
        if (a->objectName() == QLatin1String("tray.checkForUpdates")) a->setEnabled(!checking);
}

TrayHost::Factory TrayHost::plainIcon()
{
    return factoryFor<PlainTrayItem>([](QObject* parent) { return new PlainTrayItem(parent); });
}

#include "TrayHost.moc"
