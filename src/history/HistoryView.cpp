#include "history/HistoryView.h"

#include "platform/i18n/LocaleFormat.h"
#include "platform/i18n/StringFormat.h"
#include "ui/Card.h"
#include "ui/SymbolView.h"
#include "ui/Symbols.h"
#include "ui/ThemedLabel.h"
#include "ui/Tiles.h"
#include "ui/UiLanguage.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedLayout>
#include <QVBoxLayout>

// ---- HistoryView --------------------------------------------------------------------------------

namespace {
void confirmWithMessageBox(QWidget* parent, std::function<void()> clear)
{
    const Localization l = UiLanguage::current();
    auto* box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Warning);
    box->setText(l.tr("Clear all saved scans?"));
    box->setInformativeText(l.tr("This removes every saved scan from this Mac. It can't be undone."));
    QPushButton* destroy = box->addButton(l.tr("Clear History"), QMessageBox::DestructiveRole);
    box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(QMessageBox::Cancel);
    box->setWindowModality(Qt::WindowModal);
    QObject::connect(box, &QMessageBox::finished, box, [box, destroy, clear = std::move(clear)] {
        if (box->clickedButton() == destroy) clear();
    });
    box->open();
}
}  // namespace

HistoryView::HistoryView(ScanHistory& history, QWidget* parent)
    : QWidget(parent), history_(history), confirmClear_(confirmWithMessageBox)
{
    setObjectName(QStringLiteral("history"));
    const Localization l = UiLanguage::current();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    clearButton_ = new QPushButton(l.tr("Clear History…"));
    clearButton_->setObjectName(QStringLiteral("clearHistory"));
    connect(clearButton_, &QPushButton::clicked, this, &HistoryView::requestClear);
    header_ = new ScreenHeader(QRL_SYMBOL("clock.arrow.circlepath"), l.tr("History"), QString(), Theme::brandGradient(), clearButton_);
    auto* headerBox = new QWidget;
    auto* headerLayout = new QVBoxLayout(headerBox);
    headerLayout->setContentsMargins(24, 24, 24, 24);
    headerLayout->setSpacing(12);
    headerLayout->addWidget(header_);
    // While scans cannot be saved, the page says so: what it lists would be gone at the next start.
    saveErrorRow_ = new QWidget;
    saveErrorRow_->setObjectName(QStringLiteral("saveErrorRow"));
    auto* errorLayout = new QHBoxLayout(saveErrorRow_);
    errorLayout->setContentsMargins(0, 0, 0, 0);
    errorLayout->setSpacing(6);
    auto* errorSymbol = new SymbolView(QRL_SYMBOL("exclamationmark.triangle.fill"), Theme::pixelSize(Theme::TextStyle::callout),
                                       [] { return QBrush(Theme::color(Theme::Color::statusWarning)); });
    errorLayout->addWidget(errorSymbol, 0, Qt::AlignTop);
    saveError_ = new ThemedLabel(QString(), Theme::font(Theme::TextStyle::callout), Theme::Level::primary);
    saveError_->setObjectName(QStringLiteral("saveError"));
    saveError_->setTextFormat(Qt::PlainText);
    saveError_->setWordWrap(true);
    errorLayout->addWidget(saveError_, 1);
    headerLayout->addWidget(saveErrorRow_);
    column->addWidget(headerBox);
    connect(&history_, &ScanHistory::saveErrorChanged, this, &HistoryView::showSaveError);
    showSaveError();

    auto* stackHost = new QWidget;
    stack_ = new QStackedLayout(stackHost);
    stack_->setContentsMargins(0, 0, 0, 0);
    empty_ = new EmptyStateView(QRL_SYMBOL("clock.arrow.circlepath"), l.tr("No scans yet"),
                                l.tr("Each time the app inspects your Mac, a snapshot is saved here so you can compare later."));
    stack_->addWidget(empty_);

    body_ = new QWidget;
    body_->setObjectName(QStringLiteral("body"));
    auto* row = new QHBoxLayout(body_);
    row->setContentsMargins(24, 0, 24, 24);
    row->setSpacing(16);

    // The timeline: a card 300 wide around a scroll view of the rows.
    auto* card = new CardFrame(0, 14);
    card->setObjectName(QStringLiteral("timelineCard"));
    card->setFixedWidth(kTimelineWidth);
    auto* timelineScroll = new QScrollArea;
    timelineScroll->setObjectName(QStringLiteral("timelineScroll"));
    timelineScroll->setFrameShape(QFrame::NoFrame);
    timelineScroll->setWidgetResizable(true);
    timelineScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    timelineScroll->setAutoFillBackground(false);
    timelineScroll->viewport()->setAutoFillBackground(false);
    // Keeps the scroll bar clear of the card's rounded corners and border.
    timelineScroll->setContentsMargins(2, 6, 2, 6);
    timeline_ = new HistoryTimeline;
    timelineScroll->setWidget(timeline_);
    timeline_->setAutoFillBackground(false);  // the card shows through
    card->setContent(timelineScroll);
    row->addWidget(card);
    connect(timeline_, &HistoryTimeline::toggled, this, &HistoryView::toggle);
    connect(timeline_, &HistoryTimeline::contextMenuRequested, this, [this](const QUuid& id, const QPoint& at) {
        QMenu* menu = rowMenu(id, this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(at);
    });

    comparisonScroll_ = new QScrollArea;
    comparisonScroll_->setObjectName(QStringLiteral("comparisonScroll"));
    comparisonScroll_->setFrameShape(QFrame::NoFrame);
    comparisonScroll_->setWidgetResizable(true);
    comparisonScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    comparisonScroll_->setAutoFillBackground(false);
    comparisonScroll_->viewport()->setAutoFillBackground(false);
    comparison_ = new HistoryComparisonPane;
    comparisonScroll_->setWidget(comparison_);
    comparison_->setAutoFillBackground(false);
    row->addWidget(comparisonScroll_, 1);
    stack_->addWidget(body_);
    column->addWidget(stackHost, 1);

    connect(&history_, &ScanHistory::snapshotsChanged, this, &HistoryView::reload);
    reload();
    // Shown for the first time: with two scans or more the two newest are compared at once.
    selection_.repair(ids_);
    selectionChanged();
}

HistoryView::~HistoryView() = default;

QString HistoryView::saveErrorText() const
{
    const AtomicWrite::Reason reason = history_.saveFailure();
    if (reason == AtomicWrite::Reason::none) return {};
    const Localization l = UiLanguage::current();
    return formatString(l.tr(QRL_KEY("New scans aren’t being saved: %@")), {AtomicWrite::describe(reason, l)});
}

void HistoryView::showSaveError()
{
    const QString text = saveErrorText();
    saveError_->setText(text);
    saveErrorRow_->setVisible(!text.isEmpty());
}

QString HistoryView::subtitle() const
{
    const Localization l = UiLanguage::current();
    const qint64 count = rows_.size();
    return formatString(l.trPlural(QRL_KEY("%lld saved scans · pick two to compare"), double(count)), {LocaleFormat::count(count, l)});
}

void HistoryView::reload()
{
    const QList<ScanSnapshot>& snapshots = history_.snapshots();
    QList<HistoryRow> rows;
    QList<QUuid> ids;
    rows.reserve(snapshots.size());
    ids.reserve(snapshots.size());
    for (const ScanSnapshot& s : snapshots) {
        rows << HistoryRow::make(s);
        ids << s.id;
    }
    rows_ = std::move(rows);
    header_->setSubtitle(subtitle());
    clearButton_->setVisible(!rows_.isEmpty());
    stack_->setCurrentWidget(rows_.isEmpty() ? empty_ : body_);
    timeline_->setRows(rows_);
    // Any change of the list (not only of its length) may have taken a picked scan away.
    if (ids != ids_) {
        ids_ = std::move(ids);
        selection_.repair(ids_);
    }
    selectionChanged();
}

void HistoryView::selectionChanged()
{
    timeline_->setSelection(selection_);
    const QList<ScanSnapshot>& snapshots = history_.snapshots();
    const std::optional<HistorySelection::Pair> pair = selection_.pair(snapshots);
    std::optional<std::pair<QUuid, QUuid>> ids;
    if (pair) ids = std::make_pair(snapshots[pair->older].id, snapshots[pair->newer].id);
    // Snapshots never change once made: the same two identifiers give the same comparison.
    if (pairShown_ && ids == pairIds_) return;
    pairIds_ = ids;
    pairShown_ = true;
    if (pair) {
        const ScanSnapshot& older = snapshots[pair->older];
        const ScanSnapshot& newer = snapshots[pair->newer];
        changes_ = HistoryComparison::compare(older, newer);
        comparison_->show(std::make_pair(older.date, newer.date), changes_);
    } else {
        changes_.reset();
        comparison_->show(std::nullopt, std::nullopt);
    }
}

void HistoryView::toggle(const QUuid& id)
{
    selection_.toggle(id);
    selectionChanged();
}

void HistoryView::deleteScan(const QUuid& id)
{
    if (!ids_.contains(id)) return;
    selection_.remove(id);
    history_.deleteSnapshot(id);  // announces the new list, which repairs the selection
}

void HistoryView::requestClear()
{
    if (!confirmClear_) return;
    QPointer<HistoryView> self(this);
    confirmClear_(this, [self] {
        if (!self) return;
        self->selection_.clear();
        self->history_.clear();
    });
}

QMenu* HistoryView::rowMenu(const QUuid& id, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("rowMenu"));
    const Localization l = UiLanguage::current();
    QAction* remove = menu->addAction(l.tr("Delete Scan"));
    remove->setObjectName(QStringLiteral("deleteScan"));
    QPointer<HistoryView> self(this);
    connect(remove, &QAction::triggered, this, [self, id] {
        if (self) self->deleteScan(id);
    });
    return menu;
}

void HistoryView::retranslate()
{
    const Localization l = UiLanguage::current();
    if (auto* title = header_->findChild<QLabel*>(QStringLiteral("title"))) title->setText(l.tr("History"));
    header_->setSubtitle(subtitle());
    clearButton_->setText(l.tr("Clear History…"));
    showSaveError();
    auto* empty = new EmptyStateView(QRL_SYMBOL("clock.arrow.circlepath"), l.tr("No scans yet"),
                                     l.tr("Each time the app inspects your Mac, a snapshot is saved here so you can compare later."));
    const bool showingEmpty = stack_->currentWidget() == empty_;
    delete stack_->replaceWidget(empty_, empty);  // the item that held the old page is ours to delete
    delete empty_;
    empty_ = empty;
    if (showingEmpty) stack_->setCurrentWidget(empty_);
    pairShown_ = false;
    selectionChanged();
}

void HistoryView::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::LanguageChange) retranslate();
}

