#pragma once

// A main window on a fake machine, with its own preferences, language, router, update state
// and timers, so no test touches the application's shared objects or files.
#include "app/AppRouter.h"
#include "app/LanguageManager.h"
#include "inspection/Quorlent.h"
#include "platform/Clipboard.h"
#include "platform/Preferences.h"
#include "shell/MainWindow.h"
#include "shell/MainWindowUpdateGate.h"
#include "support/FakePlatform.h"
#include "ui/UiLanguage.h"

#include <QHash>
#include <QMenu>
#include <QMenuBar>

#include <map>
#include <memory>

class FakeUpdateGate : public UpdateGate {
public:
    bool isRequired = false;
    bool isChecking = false;
    int menuChecks = 0;
    bool required() const override { return isRequired; }
    bool checking() const override { return isChecking; }
    void checkFromMenu() override { ++menuChecks; }
    void set(bool required, bool checking)
    {
        isRequired = required;
        isChecking = checking;
        emit changed();
    }
};

class RecordingClipboard : public Clipboard {
public:
    QStringList texts;
    void clear() override {}
    void setText(const QString& t) override { texts << t; }
};

// Timers that run only when the test moves time on.
class ManualClock {
public:
    qint64 now = 0;
    SnapshotScheduler::Deferrer deferrer()
    {
        return [this](int ms, std::function<void()> action) -> SnapshotScheduler::Cancel {
            const int id = ++lastId_;
            pending_[id] = {now + ms, std::move(action)};
            return [this, id] { pending_.erase(id); };
        };
    }
    void advance(qint64 ms)
    {
        const qint64 end = now + ms;
        for (;;) {
            auto next = pending_.end();
            for (auto it = pending_.begin(); it != pending_.end(); ++it)
                if (it->second.due <= end && (next == pending_.end() || it->second.due < next->second.due)) next = it;
            if (next == pending_.end()) break;
            now = next->second.due;
            auto action = std::move(next->second.action);
            pending_.erase(next);
            action();
        }
        now = end;
    }
    size_t pendingCount() const { return pending_.size(); }

private:
    struct Pending {
        qint64 due;
        std::function<void()> action;
    };
    std::map<int, Pending> pending_;
    int lastId_ = 0;
};

struct Record {
    qint64 at;
    QString model;
    qsizetype sections;
};

struct MainWindowFixture {
    FakeMachine machine = FakeMachine::appleSilicon();
    Platform platform = machine.platform();
    RecordingClipboard clipboard;
    Preferences preferences{QString()};
    LanguageManager language{preferences, [] { return QStringList{QStringLiteral("en")}; }};
    // Tables a test puts in place of a language's own (a language whose table is not filled yet).
    QHash<QString, StringTable> tables;
    AppRouter router;
    FakeUpdateGate updates;
    ManualClock clock;
    QList<Record> records;
    int refreshes = 0;
    std::unique_ptr<Quorlent> model;
    std::unique_ptr<MainWindow> window;

    explicit MainWindowFixture(bool onboardingCompleted = true)
    {
        preferences.setValue(QStringLiteral("onboardingCompleted"), onboardingCompleted);
        language.setLauncher([] {});
        UiLanguage::setProvider([this] {
            Localization l = language.localization();
            if (auto it = tables.constFind(l.code); it != tables.constEnd()) l.table = &it.value();
            return l;
        });
        Quorlent::Dependencies deps{platform, {}, nullptr, nullptr, {}, {}};
        deps.clipboard = &clipboard;
        deps.language = [] { return UiLanguage::current(); };
        deps.reportText = [](const QList<CapabilitySection>& s, const std::optional<QDateTime>&, const Localization&) {
            return QStringLiteral("%1 sections").arg(s.size());
        };
        // Each inspection gets a time of its own.
        deps.clock = [this] { return QDateTime(QDate(2026, 12, 10), QTime(9, 0), Qt::UTC).addSecs(++refreshes); };
        model = std::make_unique<Quorlent>(std::move(deps));
    }
    ~MainWindowFixture()
    {
        window.reset();
        UiLanguage::setProvider({});
    }

    MainWindow& open(ShellHooks hooks = {}, bool inspectWhenShown = true)
    {
        MainWindowEnvironment env{*model, language, router, updates, preferences, std::move(hooks)};
        env.inspectWhenShown = inspectWhenShown;
        env.deferrer = clock.deferrer();
        env.record = [this](const DeviceSummary& s, const QList<CapabilitySection>& sections) {
            records << Record{clock.now, s.modelIdentifier, sections.size()};
        };
        env.quit = [] {};
        window = std::make_unique<MainWindow>(std::move(env));
        return *window;
    }
};

// The menus as text: one line per entry, "title [shortcut] (off)", submenus indented,
// separators as "---".
inline QStringList menuTree(const QMenu* menu, const QString& indent = QString())
{
    QStringList lines;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator()) {
            lines << indent + QStringLiteral("---");
            continue;
        }
        QString line = indent + a->text();
        if (!a->shortcut().isEmpty()) line += QStringLiteral(" [%1]").arg(a->shortcut().toString(QKeySequence::PortableText));
        if (!a->isEnabled()) line += QStringLiteral(" (off)");
        lines << line;
        if (a->menu()) lines << menuTree(a->menu(), indent + QStringLiteral("  "));
    }
    return lines;
}

// A menu title as read: the mnemonic marker dropped ("&File" reads "File", "&&" reads "&").
inline QString withoutMnemonic(const QString& title)
{
    QString out;
    for (qsizetype i = 0; i < title.size(); ++i) {
        if (title[i] == u'&' && i + 1 < title.size()) ++i;
        out += title[i];
    }
    return out;
}

inline QStringList menuBarTree(const QMenuBar* bar)
{
    QStringList lines;
    for (QAction* a : bar->actions()) {
        lines << withoutMnemonic(a->text()) + (a->isEnabled() ? QString() : QStringLiteral(" (off)"));
        if (a->menu()) lines << menuTree(a->menu(), QStringLiteral("  "));
    }
    return lines;
}
