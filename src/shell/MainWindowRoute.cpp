#include "shell/MainWindowRoute.h"

#include "screens/SearchResultsView.h"

namespace MainWindowRoute {

// One rule for "is this a search" and for the search page's own term.
QString trimHorizontalSpace(const QString& text) { return SearchResults::term(text); }

DetailRoute decide(bool hasInspection, const QString& searchText, std::optional<CapabilityStatus> statusFocus,
                   const std::optional<SidebarItem>& selection, const QList<CapabilitySection>& sections)
{
    if (!hasInspection) return DetailRoute::loading();
    if (!trimHorizontalSpace(searchText).isEmpty()) return DetailRoute::search(searchText);
    if (statusFocus) return DetailRoute::statusList(*statusFocus);
    if (!selection) return DetailRoute::overview();
    switch (selection->kind()) {
    case SidebarItem::Kind::overview: return DetailRoute::overview();
    case SidebarItem::Kind::pro: return DetailRoute::tool(selection->feature());
    case SidebarItem::Kind::section:
        for (const CapabilitySection& s : sections)
            if (s.symbol == selection->symbol()) return DetailRoute::category(s.symbol);
        return DetailRoute::overview();
    }
    return DetailRoute::overview();
}

}  // namespace MainWindowRoute
