#pragma once

#include "app/AppRouter.h"
#include "inspection/Capability.h"

#include <QList>
#include <QString>

#include <optional>

// What fills the main window's detail pane. Decided from the inspection, the search text
// and the navigation state alone, so the whole order of precedence can be checked in a table.
struct DetailRoute {
    enum class Kind { loading, search, statusList, overview, category, tool };

    Kind kind = Kind::loading;
    QString query;                             // search: the text as typed
    std::optional<CapabilityStatus> status;    // statusList
    QString symbol;                            // category: the section's symbol
    ProFeature feature = ProFeature::reports;  // tool

    static DetailRoute loading() { return {}; }
    static DetailRoute search(QString query) { return {Kind::search, std::move(query), std::nullopt, {}, ProFeature::reports}; }
    static DetailRoute statusList(CapabilityStatus s) { return {Kind::statusList, {}, s, {}, ProFeature::reports}; }
    static DetailRoute overview() { return {Kind::overview, {}, std::nullopt, {}, ProFeature::reports}; }
    static DetailRoute category(QString symbol) { return {Kind::category, {}, std::nullopt, std::move(symbol), ProFeature::reports}; }
    static DetailRoute tool(ProFeature f) { return {Kind::tool, {}, std::nullopt, {}, f}; }

    bool operator==(const DetailRoute& o) const
    {
        return kind == o.kind && query == o.query && status == o.status && symbol == o.symbol &&
               (kind != Kind::tool || feature == o.feature);
    }
    // The same page: a search page stays while only its query changes.
    bool samePage(const DetailRoute& o) const
    {
        if (kind == Kind::search && o.kind == Kind::search) return true;
        return *this == o;
    }
};

namespace MainWindowRoute {

// The text without the horizontal white space at both ends: spaces, tabs and the other
// space separators (no-break, thin, ideographic …). Line breaks stay.
QString trimHorizontalSpace(const QString& text);

// In this order: no inspection yet → loading; a search text that is not blank → search
// results for the text as typed; a status focus → that status's items; then the selection:
// absent or overview → overview, a tool → its page, a section → the first section with that
// exact symbol, or the overview when none has it.
DetailRoute decide(bool hasInspection, const QString& searchText, std::optional<CapabilityStatus> statusFocus,
                   const std::optional<SidebarItem>& selection, const QList<CapabilitySection>& sections);

}  // namespace MainWindowRoute
