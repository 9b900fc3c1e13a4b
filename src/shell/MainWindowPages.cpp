#include "shell/MainWindowPages.h"

#include "app/LanguageManager.h"
#include "inspection/Quorlent.h"
#include "reports/ReportExporter.h"
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
QString sectionTitle(const Quorlent& model, const QString& symbol)
{
    for (const CapabilitySection& s : model.sections())
        if (s.symbol == symbol) return s.title;
    return symbol;
}
PendingPage::Describe searchTitle(const QString& query)
{
    return [query] { return std::pair(QRL_SYMBOL("magnifyingglass"), MainWindowRoute::trimHorizontalSpace(query)); };
}
}  // namespace

// Each maker below is where the finished page is built; until a page exists its route shows
// the pending page.
PageFactories PageFactories::standard()
{
    PageFactories f;
    f.overview = [](const PageContext&) -> QWidget* {
        auto* page = new PendingPage([] { return std::pair(QRL_SYMBOL("square.grid.2x2"), UiLanguage::current().tr("Overview")); });
        page->setObjectName(QStringLiteral("page.overview"));
        return page;
    };
    f.category = [](const PageContext& c, const QString& symbol) -> QWidget* {
        Quorlent* model = &c.model;
        auto* page = new PendingPage([model, symbol] { return std::pair(symbol, sectionTitle(*model, symbol)); }, model);
        page->setObjectName(QStringLiteral("page.category"));
        return page;
    };
    f.search = [](const PageContext&, const QString& query, std::optional<CapabilityStatus> status) -> QWidget* {
        PendingPage* page;
        if (status) {
            const CapabilityStatus s = *status;
            page = new PendingPage([s] { return std::pair(QRL_SYMBOL("magnifyingglass"), ReportExporter::statusTitle(s, UiLanguage::current())); });
        } else {
            page = new PendingPage(searchTitle(query));
        }
        page->setObjectName(QStringLiteral("page.search"));
        return page;
    };
    f.setSearchQuery = [](QWidget* page, const QString& query) {
        if (auto* pending = qobject_cast<PendingPage*>(page)) pending->setDescribe(searchTitle(query));
    };
    f.tool = [](const PageContext&, ProFeature feature) -> QWidget* {
        auto* page = new PendingPage([feature] { return std::pair(ProFeatures::symbol(feature), ProFeatures::sidebarTitle(feature)); });
        page->setObjectName(QStringLiteral("page.tool.") + ProFeatures::rawValue(feature));
        return page;
    };
    return f;
}
