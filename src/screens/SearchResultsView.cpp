#include "screens/SearchResultsView.h"

#include "ui/PaintedText.h"

#include "app/AppRouter.h"
#include "inspection/Quorlent.h"
#include "platform/i18n/LocaleFormat.h"
#include "platform/i18n/StringFormat.h"
#include "screens/PageFrame.h"
#include "screens/RowList.h"
#include "ui/Card.h"
#include "ui/Symbols.h"
#include "ui/Tiles.h"
#include "ui/UiLanguage.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace SearchResults {

namespace {
bool isHorizontalSpace(QChar c)
{
    if (c == u'\t') return true;
    // Zs: space, no-break space, the en/em/thin/hair spaces, the ideographic space an input
    // method leaves behind …
    return c.category() == QChar::Separator_Space;
}
}  // namespace

QString term(const QString& query)
{
    qsizetype start = 0, end = query.size();
    while (start < end && isHorizontalSpace(query[start])) ++start;
    while (end > start && isHorizontalSpace(query[end - 1])) --end;
    return query.mid(start, end - start);
}

namespace {
// Letter case folded the way the interface language folds it (Turkish pairs İ with i and I
// with ı), then compared without case, so nothing but letter case is ignored.
QString canonical(const QString& s, const QLocale& locale) { return locale.toLower(s.normalized(QString::NormalizationForm_C)); }
}  // namespace

QList<SearchGroup> groups(const QList<CapabilitySection>& sections, const QString& query, std::optional<CapabilityStatus> status)
{
    return groups(sections, query, status, UiLanguage::current().qlocale());
}

QList<SearchGroup> groups(const QList<CapabilitySection>& sections, const QString& query, std::optional<CapabilityStatus> status,
                          const QLocale& locale)
{
    const QString t = canonical(term(query), locale);
    auto contains = [&locale](const QString& text, const QString& canonicalTerm) {
        return canonical(text, locale).contains(canonicalTerm, Qt::CaseInsensitive);
    };
    QList<SearchGroup> out;
    for (const CapabilitySection& section : sections) {
        const bool sectionMatches = !t.isEmpty() && contains(section.title, t);
        SearchGroup group{section, {}};
        for (const CapabilityItem& item : section.items) {
            if (status && item.status != *status) continue;
            if (t.isEmpty() || sectionMatches || contains(item.label, t) || contains(item.value, t)) group.items.append(item);
        }
        if (!group.items.isEmpty()) out.append(std::move(group));
    }
    return out;
}

QString title(std::optional<CapabilityStatus> status)
{
    const Localization l = UiLanguage::current();
    if (status) {
        switch (*status) {
        case CapabilityStatus::supported: return l.tr("Supported");
        case CapabilityStatus::unsupported: return l.tr("Not supported");
        case CapabilityStatus::warning: return l.tr("Warnings");
        case CapabilityStatus::info: break;
        }
    }
    return l.tr("Search Results");
}

QString symbol(std::optional<CapabilityStatus> status)
{
    if (!status) return QRL_SYMBOL("magnifyingglass");
    switch (*status) {
    case CapabilityStatus::supported: return QRL_SYMBOL("checkmark.circle.fill");
    case CapabilityStatus::unsupported: return QRL_SYMBOL("xmark.circle.fill");
    case CapabilityStatus::warning: return QRL_SYMBOL("exclamationmark.triangle.fill");
    case CapabilityStatus::info: return QRL_SYMBOL("circle.fill");
    }
    return QRL_SYMBOL("magnifyingglass");
}

QString resultsText(qint64 count)
{
    const Localization l = UiLanguage::current();
    return formatString(l.trPlural("%lld results", double(count)), {LocaleFormat::count(count, l)});
}

QString emptyTitle(const QString& query)
{
    const Localization l = UiLanguage::current();
    // The query is a value: filled in once, never read as a pattern itself.
    if (!query.isEmpty()) return formatString(l.tr("No results for “%@”"), {query});
    return l.tr("Nothing to show");
}

}  // namespace SearchResults

// ---- SymbolTextButton -----------------------------------------------------------------------

SymbolTextButton::SymbolTextButton(const QString& symbol, const QString& text, Style style, QWidget* parent)
    : QAbstractButton(parent), symbol_(symbol), style_(style)
{
    setText(text);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

void SymbolTextButton::setSymbol(const QString& symbol)
{
    symbol_ = symbol;
    update();
}

QFont SymbolTextButton::textFont() const
{
    return style_ == Style::link ? Theme::font(Theme::TextStyle::body) : Theme::font(Theme::TextStyle::headline);
}

QSize SymbolTextButton::sizeHint() const
{
    const QFontMetrics fm(textFont());
    const int s = int(std::ceil(textFont().pixelSize() * 1.15));
    return QSize(s + 6 + fm.horizontalAdvance(text()) + 2, qMax(s, fm.height()) + 2);
}

void SymbolTextButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setLayoutDirection(layoutDirection());
    p.setRenderHint(QPainter::Antialiasing);
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    const QFont f = textFont();
    QColor c = style_ == Style::link ? Theme::brandPrimary() : Theme::foreground(Theme::Level::secondary);
    if (isDown()) c.setAlphaF(c.alphaF() * 0.6f);
    const qreal s = f.pixelSize() * 1.15;
    const QRectF r(rect());
    QRectF symbolBox(0, (r.height() - s) / 2, s, s);
    QRectF textBox(s + 6, 0, r.width() - s - 6, r.height());
    if (rtl) {
        symbolBox.moveRight(r.right());
        textBox.moveLeft(0);
    }
    Symbols::draw(p, symbol_, symbolBox, c);
    p.setFont(f);
    p.setPen(c);
    const int align = int((rtl ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignAbsolute | Qt::AlignVCenter);
    PaintedText::draw(p, textBox, Qt::Alignment(align), text());
    if (hasFocus()) {
        p.setPen(QPen(Theme::brandPrimary(), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    }
}

// ---- SearchGroupBlock -----------------------------------------------------------------------

SearchGroupBlock::SearchGroupBlock(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("searchGroup"));
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(8);
    button_ = new SymbolTextButton(QString(), QString(), SymbolTextButton::Style::sectionTitle);
    button_->setObjectName(QStringLiteral("sectionButton"));
    stack->addWidget(button_, 0, Qt::AlignLeading);
    auto* card = new CardFrame(8, 14);
    rows_ = new RowList;
    card->setContent(rows_);
    stack->addWidget(card);
    connect(button_, &QAbstractButton::clicked, this, [this] { emit sectionRequested(section_.symbol); });
}

void SearchGroupBlock::setSection(const CapabilitySection& section)
{
    section_ = section;
    if (button_->text() != section.title) {
        button_->setText(section.title);
        button_->setAccessibleName(section.title);
        button_->updateGeometry();
    }
    if (button_->symbol() != section.symbol) button_->setSymbol(section.symbol);
}

void SearchGroupBlock::setItems(const QList<CapabilityItem>& items) { rows_->setItems(items); }

// ---- SearchResultsView ----------------------------------------------------------------------

SearchResultsView::SearchResultsView(Quorlent& inspector, AppRouter& router, const QString& query,
                                     std::optional<CapabilityStatus> status, QWidget* parent)
    : QWidget(parent), inspector_(inspector), router_(router), query_(query), status_(status)
{
    setObjectName(QStringLiteral("searchResults"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    page_ = new PageFrame(kMaxWidth);
    outer->addWidget(page_);
    QVBoxLayout* column = page_->column();

    backRow_ = new QWidget;
    auto* backLayout = new QHBoxLayout(backRow_);
    backLayout->setContentsMargins(0, 0, 0, 0);
    back_ = new SymbolTextButton(QRL_SYMBOL("chevron.backward"), QString(), SymbolTextButton::Style::link);
    back_->setObjectName(QStringLiteral("backButton"));
    backLayout->addWidget(back_);
    backLayout->addStretch(1);
    // Back to whatever the selection shows (normally the overview): only the focus goes.
    connect(back_, &QAbstractButton::clicked, this, [this] { router_.setStatusFocus(std::nullopt); });
    // The row stays (empty, with the page's spacing below it) when there is no way back.
    back_->setVisible(status_.has_value());
    column->addWidget(backRow_);

    header_ = new ScreenHeader(SearchResults::symbol(status_), SearchResults::title(status_), QString(), Theme::brandGradient());
    column->addWidget(header_);

    blocksHost_ = new QWidget;
    blocksHost_->setObjectName(QStringLiteral("searchGroups"));
    blocksLayout_ = new QVBoxLayout(blocksHost_);
    blocksLayout_->setContentsMargins(0, 0, 0, 0);
    blocksLayout_->setSpacing(20);
    column->addWidget(blocksHost_);

    emptyCard_ = new CardFrame(16, 14);
    emptyCard_->setObjectName(QStringLiteral("emptyCard"));
    column->addWidget(emptyCard_);
    column->addStretch(1);

    retranslate();
    sectionsChanged();
    connect(&inspector_, &Quorlent::sectionsChanged, this, &SearchResultsView::sectionsChanged);
}

qint64 SearchResultsView::resultCount() const
{
    qint64 n = 0;
    for (const SearchGroup& g : groups_) n += g.items.size();
    return n;
}

QList<SearchGroupBlock*> SearchResultsView::visibleBlocks() const
{
    QList<SearchGroupBlock*> out;
    for (SearchGroupBlock* b : blocks_)
        if (!b->isHidden()) out.append(b);
    return out;
}

void SearchResultsView::setQuery(const QString& query)
{
    if (query == query_) return;
    query_ = query;
    refresh();
}

void SearchResultsView::sectionsChanged()
{
    const QList<CapabilitySection>& sections = inspector_.sections();
    while (blocks_.size() > sections.size()) delete blocks_.takeLast();
    while (blocks_.size() < sections.size()) {
        auto* block = new SearchGroupBlock;
        block->hide();
        connect(block, &SearchGroupBlock::sectionRequested, this, [this](const QString& symbol) {
            router_.setStatusFocus(std::nullopt);
            router_.setSelection(SidebarItem::section(symbol));
        });
        blocksLayout_->addWidget(block);
        blocks_.append(block);
    }
    for (int i = 0; i < sections.size(); ++i) blocks_[i]->setSection(sections[i]);
    refresh();
    // Rows kept for an earlier inspection would never come back.
    for (SearchGroupBlock* b : std::as_const(blocks_)) b->rows()->dropHidden();
}

void SearchResultsView::refresh()
{
    const QList<CapabilitySection>& sections = inspector_.sections();
    groups_ = SearchResults::groups(sections, query_, status_);
    // Groups come in section order, so one pass pairs each with its section's block. The
    // blocks change while their host is hidden, so the page is laid out once, not per block.
    blocksHost_->setVisible(false);
    int g = 0;
    for (int i = 0; i < blocks_.size(); ++i) {
        SearchGroupBlock* block = blocks_[i];
        const bool shown = g < groups_.size() && groups_[g].section.id == sections[i].id;
        if (shown) block->setItems(groups_[g++].items);
        block->setVisible(shown);
    }
    blocksHost_->setVisible(!groups_.isEmpty());
    header_->setSubtitle(SearchResults::resultsText(resultCount()));
    updateEmptyState();
}

void SearchResultsView::updateEmptyState()
{
    emptyCard_->setVisible(groups_.isEmpty());
    if (!groups_.isEmpty()) return;
    const QString title = SearchResults::emptyTitle(query_);
    if (empty_ && title == emptyTitle_) return;
    emptyTitle_ = title;
    delete empty_;
    empty_ = new EmptyStateView(QRL_SYMBOL("magnifyingglass"), title,
                                UiLanguage::current().tr("Try a different word, such as a codec, a chip or a feature."));
    emptyCard_->setContent(empty_);
}

void SearchResultsView::retranslate()
{
    const Localization l = UiLanguage::current();
    back_->setText(l.tr("Overview"));
    back_->setAccessibleName(l.tr("Overview"));
    back_->updateGeometry();
    if (auto* title = header_->findChild<QLabel*>(QStringLiteral("title"))) title->setText(SearchResults::title(status_));
    header_->setSubtitle(SearchResults::resultsText(resultCount()));
    emptyTitle_.clear();
    delete empty_;
    empty_ = nullptr;
    updateEmptyState();
}

void SearchResultsView::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange) retranslate();
    QWidget::changeEvent(e);
}
