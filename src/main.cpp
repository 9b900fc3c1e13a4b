#include "app/LanguageManager.h"
#include "history/ScanHistory.h"
#include "inspection/Quorlent.h"
#include "platform/linux/LinuxNetworkPathMonitor.h"
#include "reports/ReportExporter.h"
#include "ui/Theme.h"
#include "ui/UiLanguage.h"
#include "updates/UpdateChecker.h"

#include <QApplication>
#include <QHeaderView>
#include <QTimer>
#include <QLibraryInfo>
#include <QTranslator>
#include <QTreeWidget>

#include "BuildConfig.h"

namespace {
QString statusWord(CapabilityStatus s, const Localization& L) { return ReportExporter::statusTitle(s, L); }
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorlent"));
    QApplication::setOrganizationName(QStringLiteral("Lumbrel"));
    QApplication::setApplicationVersion(QString::fromLatin1(BuildConfig::version));

    // The update checker restores its state and starts the launch check; it is the
    // language manager's first user.
    UpdateChecker::shared();
    LanguageManager& language = LanguageManager::shared();
    QApplication::setLayoutDirection(language.layoutDirection());
    UiLanguage::setProvider([&language] { return language.localization(); });
    // Qt's own dialogs and context menus follow the language the application was launched in.
    QTranslator qtTranslator;
    const QString qtLocaleName = language.code() == "zh-Hans" ? QStringLiteral("zh_CN") : language.code();
    if (qtTranslator.load(QLocale(qtLocaleName), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    Quorlent::Dependencies deps;
    deps.language = [&language] { return language.localization(); };
    deps.monitor = new LinuxNetworkPathMonitor;
    deps.reportText = &ReportExporter::text;
    Quorlent model(std::move(deps));

    // Until the main window exists: the current inspection as a plain list.
    QTreeWidget window;
    window.setWindowTitle(QStringLiteral("Quorlent"));
    window.setPalette(Theme::palette(Theme::appearance()));
    window.resize(1180, 800);
    window.setColumnCount(3);
    window.setRootIsDecorated(true);
    auto fill = [&] {
        const Localization L = language.localization();
        window.clear();
        window.setHeaderLabels({L.tr("Capability"), L.tr("Value"), L.tr("Status")});
        for (const CapabilitySection& s : model.sections()) {
            auto* top = new QTreeWidgetItem(&window, {s.title});
            for (const CapabilityItem& i : s.items) new QTreeWidgetItem(top, {i.label, i.value, statusWord(i.status, L)});
            top->setExpanded(true);
        }
        window.header()->resizeSections(QHeaderView::ResizeToContents);
    };
    QObject::connect(&model, &Quorlent::lastUpdatedChanged, &window, fill);
    // Three seconds after each inspection the scan goes into the history; a newer
    // inspection restarts the wait, so the refreshes of a launch end in one record.
    QTimer recordDelay;
    recordDelay.setSingleShot(true);
    recordDelay.setInterval(3000);
    QObject::connect(&model, &Quorlent::lastUpdatedChanged, &recordDelay, qOverload<>(&QTimer::start));
    QObject::connect(&recordDelay, &QTimer::timeout, &model, [&model] {
        if (model.summary()) ScanHistory::shared().record(*model.summary(), model.sections());
    });
    QObject::connect(&language, &LanguageManager::codeChanged, &model, &Quorlent::refresh);
    model.refresh();
    window.show();
    return app.exec();
}
