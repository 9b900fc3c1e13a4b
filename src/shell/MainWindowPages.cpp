#include "shell/MainWindowPages.h"

#include "app/LanguageManager.h"
#include "inspection/Quorlent.h"
#include "history/HistoryView.h"
#include "monitor/LiveMonitor.h"
#include "monitor/LiveMonitorView.h"
#include "history/ScanHistory.h"
#include "reports/ReportExporter.h"
#include "reports/ReportsView.h"
#include "screens/BatteryHealthView.h"
#include "screens/CategoryDetailView.h"
#include "screens/OverviewView.h"
#include "screens/SearchResultsView.h"
#include "shell/MainWindowRoute.h"
#include "ui/Symbols.h"
#include "ui/Tiles.h"
#include "ui/UiLanguage.h"

#include <QEvent>
#include <QVBoxLayout>

PendingPage::PendingPage(Describe describe, QObject* retitleOn, QWidget* parent)
    : QWidget(parent), describe_(std::move(describe))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    rebuild();
    if (auto* model = qobject_cast<Quorlent*>(retitleOn))
        connect(model, &Quorlent::sectionsChanged, this, &PendingPage::rebuild);
}

void PendingPage::rebuild()
{
    const auto [symbol, title] = describe_();
    if (content_ && title == title_) return;
    title_ = title;
    delete content_;
    content_ = new EmptyStateView(symbol, title, std::nullopt, this);
    layout()->addWidget(content_);
}

void PendingPage::setDescribe(Describe describe)
{
    describe_ = std::move(describe);
    rebuild();
}

void PendingPage::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange) rebuild();
    QWidget::changeEvent(e);
}

namespace {
PendingPage::Describe searchTitle(const QString& query)
{
    return [query] { return std::pair(QRL_SYMBOL("magnifyingglass"), MainWindowRoute::trimHorizontalSpace(query)); };
}
}  // namespace

// Each maker names its page, so the window and its tests can tell which one is showing.
PageFactories PageFactories::standard()
{
    PageFactories f;
    auto named = [](QWidget* page, const QString& name) {
        page->setObjectName(name);
        return page;
    };
    f.overview = [named](const PageContext& c) -> QWidget* {
        return named(new OverviewView(c.model, c.language, c.router), QStringLiteral("page.overview"));
    };
    f.category = [named](const PageContext& c, const QString& symbol) -> QWidget* {
        return named(new CategoryDetailView(c.model, c.router, symbol), QStringLiteral("page.category"));
    };
    f.search = [named](const PageContext& c, const QString& query, std::optional<CapabilityStatus> status) -> QWidget* {
        return named(new SearchResultsView(c.model, c.router, query, status), QStringLiteral("page.search"));
    };
    f.setSearchQuery = [](QWidget* page, const QString& query) {
        if (auto* search = qobject_cast<SearchResultsView*>(page)) search->setQuery(query);
        else if (auto* pending = qobject_cast<PendingPage*>(page)) pending->setDescribe(searchTitle(query));
    };
    f.tool = [named](const PageContext& c, ProFeature feature) -> QWidget* {
        QWidget* page = nullptr;
        switch (feature) {
        case ProFeature::reports: page = new ReportsView(c.model); break;
        case ProFeature::liveMonitor: page = new LiveMonitorView(LiveMonitor::shared()); break;
        case ProFeature::batteryHealth: page = new BatteryHealthView; break;
        case ProFeature::history: page = new HistoryView(ScanHistory::shared()); break;
        }
        return named(page, QStringLiteral("page.tool.") + ProFeatures::rawValue(feature));
    };
    return f;
}
