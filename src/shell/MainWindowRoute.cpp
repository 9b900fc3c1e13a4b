#include "shell/MainWindowRoute.h"

namespace MainWindowRoute {

namespace {
bool isHorizontalSpace(QChar c)
{
    if (c == u'\t') return true;
    // Zs: space, no-break space, the en/em/thin/hair spaces, ideographic space …
    return c.category() == QChar::Separator_Space;
}
}  // namespace

QString trimHorizontalSpace(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isHorizontalSpace(text.at(begin))) ++begin;
    while (end > begin && isHorizontalSpace(text.at(end - 1))) --end;
    return text.mid(begin, end - begin);
}

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
