#include "reports/ReportsView.h"

#include "ui/PaintedText.h"

#include "inspection/Quorlent.h"
#include "platform/Clipboard.h"
#include "reports/ExportMenu.h"
#include "reports/ReportExporter.h"
#include "ui/Symbols.h"
#include "ui/ThemedLabel.h"
#include "ui/Tiles.h"
#include "ui/UiLanguage.h"
#include "ui/AdaptiveGridLayout.h"
#include "ui/SmoothCorners.h"

#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

QFont monospaced(qreal pixelSize)
{
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    // The desktop's fixed font first; where it names none that is installed, ours.
    f.setFamilies({f.family(), QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Noto Sans Mono")});
    f.setStyleHint(QFont::Monospace);
    f.setFixedPitch(true);
    f.setPixelSize(qRound(pixelSize));
    return f;
}

// Holds the page's column: as wide as the pane up to a maximum, centred, as high as the
// column needs at that width.
class CentredColumn : public QWidget {
public:
    CentredColumn(QWidget* column, int maximumWidth) : column_(column), maximumWidth_(maximumWidth)
    {
        column_->setParent(this);
        QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
    }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return column_->heightForWidth(columnWidth(width)); }
    QSize sizeHint() const override
    {
        const int w = maximumWidth_;
        return {w, heightForWidth(w)};
    }
    QSize minimumSizeHint() const override { return {column_->minimumSizeHint().width(), 0}; }

protected:
    void resizeEvent(QResizeEvent*) override { place(); }
    bool event(QEvent* e) override
    {
        // The column's content changed its height: let the scroll area size this page anew.
        if (e->type() == QEvent::LayoutRequest) {
            updateGeometry();
            place();
        }
        return QWidget::event(e);
    }

private:
    int columnWidth(int width) const { return std::min(width, maximumWidth_); }
    void place()
    {
        const int w = columnWidth(width());
        const QRect r((width() - w) / 2, 0, w, std::max(height(), column_->heightForWidth(w)));
        column_->setGeometry(QStyle::visualRect(layoutDirection(), rect(), r));
    }
    QWidget* column_;
    int maximumWidth_;
};

}  // namespace

// ---- ReportPreviewBox --------------------------------------------------------------------------

ReportPreviewBox::ReportPreviewBox(QWidget* parent) : QWidget(parent), view_(new QTextEdit(this))
{
    setObjectName(QStringLiteral("previewBox"));
    view_->setObjectName(QStringLiteral("previewText"));
    view_->setReadOnly(true);
    view_->setAcceptRichText(false);
    view_->setUndoRedoEnabled(false);
    view_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    view_->setFrameShape(QFrame::NoFrame);
    view_->setLineWrapMode(QTextEdit::WidgetWidth);
    view_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view_->viewport()->setAutoFillBackground(false);
    view_->setAutoFillBackground(false);
    view_->setFont(monospaced(Theme::pixelSize(Theme::TextStyle::callout)));
    view_->document()->setDocumentMargin(kPadding);
    alignLines();
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    QSizePolicy policy = sizePolicy();
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, [this] {
        changeEvent(nullptr);
        update();
    });
    changeEvent(nullptr);
}

void ReportPreviewBox::setText(const QString& text)
{
    if (text == text_) return;
    text_ = text;
    measured_.clear();
    view_->setPlainText(text);
    updateGeometry();
}

QString ReportPreviewBox::text() const
{
    return text_;
}

int ReportPreviewBox::heightForWidth(int width) const
{
    // Layouts ask often and for few widths: measure each width once per text and font.
    const auto key = std::make_pair(width, view_->font().key());
    if (const auto it = measured_.constFind(key); it != measured_.constEnd()) return *it;
    std::unique_ptr<QTextDocument> doc(view_->document()->clone());
    doc->setDefaultFont(view_->font());
    doc->setDocumentMargin(kPadding);
    doc->setTextWidth(std::max(1, width));
    const int height = std::clamp(int(std::ceil(doc->size().height())), kMinimumHeight, kMaximumHeight);
    if (measured_.size() > 16) measured_.clear();
    measured_.insert(key, height);
    return height;
}

QSize ReportPreviewBox::sizeHint() const
{
    return {400, heightForWidth(400)};
}

QSize ReportPreviewBox::minimumSizeHint() const
{
    return {100, kMinimumHeight};
}

void ReportPreviewBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addPath(SmoothCorners::path(QRectF(rect()), 10));
    p.fillPath(path, Theme::surfaceSunken());
}

void ReportPreviewBox::resizeEvent(QResizeEvent*)
{
    fit();
}

void ReportPreviewBox::fit()
{
    view_->setGeometry(rect());
}

void ReportPreviewBox::alignLines()
{
    // Every line at the leading edge of the page's direction, whatever script it starts with
    // (each line keeps its own reading order; a line that begins with a Latin name would
    // otherwise sit at the left in a right-to-left page).
    QTextOption option = view_->document()->defaultTextOption();
    const Qt::Alignment leading = layoutDirection() == Qt::RightToLeft ? Qt::AlignRight : Qt::AlignLeft;
    if (option.alignment() == (leading | Qt::AlignAbsolute)) return;
    option.setAlignment(leading | Qt::AlignAbsolute);
    view_->document()->setDefaultTextOption(option);
}

void ReportPreviewBox::changeEvent(QEvent* event)
{
    if (event && event->type() == QEvent::LayoutDirectionChange) alignLines();
    // Also called without an event when the appearance changes.
    if (!event || event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        QPalette pal = view_->palette();
        const QColor text = Theme::foreground(Theme::Level::primary);
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            pal.setColor(group, QPalette::Base, Qt::transparent);
            pal.setColor(group, QPalette::Window, Qt::transparent);
            pal.setColor(group, QPalette::Text, text);
            pal.setColor(group, QPalette::Highlight, Theme::brandPrimary());
            pal.setColor(group, QPalette::HighlightedText, Qt::white);
        }
        view_->setPalette(pal);
        // The scroll bar keeps the theme's own colours: on the transparent palette above its
        // handle and groove would be drawn from a clear window colour (black in light mode).
        view_->verticalScrollBar()->setPalette(Theme::palette(Theme::appearance()));
    }
    if (event) QWidget::changeEvent(event);
}

// ---- FormatCard --------------------------------------------------------------------------------

FormatCard::FormatCard(ReportFormat format, bool highlighted, std::function<void()> action, QWidget* parent)
    : CardFrame(16, 14, parent), format_(format), highlighted_(highlighted)
{
    setObjectName(QStringLiteral("formatCard-") + ReportFormats::rawValue(format));
    setMinimumHeight(kMinimumHeight);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);

    QVBoxLayout* column = contentLayout();
    column->setSpacing(12);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(8);
    auto* tile = new IconTile(ExportMenu::symbol(format), 36, highlighted ? Theme::goldGradient() : Theme::brandGradient());
    top->addWidget(tile, 0, Qt::AlignVCenter);
    top->addStretch(1);
    auto* chip = new ThemedLabel(QStringLiteral(".") + ReportFormats::fileExtension(format),
                                 monospaced(Theme::pixelSize(Theme::TextStyle::caption)), Theme::Level::secondary);
    chip->setObjectName(QStringLiteral("extension"));
    top->addWidget(chip, 0, Qt::AlignVCenter);
    column->addLayout(top);

    title_ = new ThemedLabel(QString(), Theme::font(Theme::TextStyle::headline), Theme::Level::primary);
    title_->setObjectName(QStringLiteral("title"));
    title_->setWordWrap(true);
    column->addWidget(title_);

    useCase_ = new ThemedLabel(QString(), Theme::font(Theme::TextStyle::callout), Theme::Level::secondary);
    useCase_->setObjectName(QStringLiteral("useCase"));
    useCase_->setWordWrap(true);
    column->addWidget(useCase_);

    button_ = new ProminentButton(QString(), [highlighted] { return buttonTint(highlighted); });
    button_->setObjectName(QStringLiteral("exportButton"));
    connect(button_, &QAbstractButton::clicked, this, [action] {
        if (action) action();
    });
    column->addWidget(button_);
    column->addStretch(1);
    retranslate();
}

QColor FormatCard::buttonTint(bool highlighted)
{
    if (highlighted) return Theme::brandPrimary();
    // The secondary colour; in dark appearance its lighter grey would leave the white label
    // unreadable, so the next level down.
    return Theme::foreground(Theme::isDark() ? Theme::Level::tertiary : Theme::Level::secondary);
}

QString FormatCard::useCase(ReportFormat format)
{
    const Localization L = UiLanguage::current();
    switch (format) {
    case ReportFormat::pdf:
        return L.tr("A designed report with a cover, summary and colour-coded sections. Ready to share or print.");
    case ReportFormat::json: return L.tr("Structured data for scripts, inventories and support tools.");
    case ReportFormat::markdown: return L.tr("Paste into tickets, wikis and documentation.");
    case ReportFormat::text: return L.tr("The plain summary as a text file.");
    }
    return {};
}

void FormatCard::retranslate()
{
    const Localization L = UiLanguage::current();
    title_->setText(ReportFormats::title(format_, L));
    useCase_->setText(useCase(format_));
    button_->setText(L.tr("Export…"));
    button_->setAccessibleName(ReportFormats::title(format_, L) + QStringLiteral(": ") + L.tr("Export…"));
}

// ---- ReportsContent ----------------------------------------------------------------------------

ReportsContent::ReportsContent(std::function<void(ReportFormat)> exportFormat, QWidget* parent)
    : QWidget(parent), export_(std::move(exportFormat))
{
    setObjectName(QStringLiteral("reportsContent"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    scroll_ = new QScrollArea;
    scroll_->setObjectName(QStringLiteral("reportsScroll"));
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll_->viewport()->setAutoFillBackground(false);
    outer->addWidget(scroll_);

    // The column: at most 1000 wide with its padding, centred in the pane.
    auto* columnWidget = new QWidget;
    columnWidget->setObjectName(QStringLiteral("reportsColumn"));
    auto* page = new CentredColumn(columnWidget, kMaximumColumnWidth);
    page->setObjectName(QStringLiteral("reportsPage"));
    page->setAutoFillBackground(false);

    auto* column = new QVBoxLayout(columnWidget);
    column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    column->setSpacing(20);

    const Localization L = UiLanguage::current();
    header_ = new ScreenHeader(QRL_SYMBOL("doc.richtext"), L.tr("Reports"), L.tr("Export this inspection in the format you need"),
                               Theme::brandGradient());
    column->addWidget(header_);

    auto* grid = new QWidget;
    grid->setObjectName(QStringLiteral("formatGrid"));
    QSizePolicy gridPolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    gridPolicy.setHeightForWidth(true);
    grid->setSizePolicy(gridPolicy);
    auto* gridLayout = new AdaptiveGridLayout(220, 12, 12, grid);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    for (ReportFormat format : ReportFormats::allCases()) {
        auto* card = new FormatCard(format, format == ReportFormat::pdf, [this, format] {
            if (export_) export_(format);
        });
        gridLayout->addWidget(card);
        cards_.append(card);
    }
    column->addWidget(grid);

    auto* previewCard = new CardFrame(16, 14);
    previewCard->setObjectName(QStringLiteral("previewCard"));
    QVBoxLayout* previewColumn = previewCard->contentLayout();
    previewColumn->setSpacing(12);
    auto* previewRow = new QHBoxLayout;
    previewRow->setContentsMargins(0, 0, 0, 0);
    previewTitle_ = new ThemedLabel(QString(), Theme::font(Theme::TextStyle::headline), Theme::Level::primary);
    previewTitle_->setObjectName(QStringLiteral("previewTitle"));
    previewRow->addWidget(previewTitle_, 0, Qt::AlignVCenter);
    previewRow->addStretch(1);
    copy_ = new QPushButton;
    copy_->setObjectName(QStringLiteral("copyReport"));
    copy_->setIcon(ExportMenu::symbolIcon(QRL_SYMBOL("doc.on.doc")));
    copy_->setIconSize(QSize(13, 13));
    copy_->setFont(Theme::font(Theme::TextStyle::subheadline));
    copy_->setAutoDefault(false);
    connect(copy_, &QPushButton::clicked, this, &ReportsContent::copy);
    previewRow->addWidget(copy_, 0, Qt::AlignVCenter);
    previewColumn->addLayout(previewRow);
    preview_ = new ReportPreviewBox;
    previewColumn->addWidget(preview_);
    column->addWidget(previewCard);
    column->addStretch(1);

    scroll_->setWidget(page);
    retranslate();
}

FormatCard* ReportsContent::card(ReportFormat format) const
{
    for (FormatCard* c : cards_)
        if (c->format() == format) return c;
    return nullptr;
}

void ReportsContent::setPreviewText(const QString& text)
{
    previewText_ = text;
    preview_->setText(text);
}

void ReportsContent::copy()
{
    Clipboard& clipboard = clipboard_ ? *clipboard_ : Clipboard::system();
    clipboard.clear();
    clipboard.setText(previewText_);
}

void ReportsContent::retranslate()
{
    const Localization L = UiLanguage::current();
    if (auto* title = header_->findChild<QLabel*>(QStringLiteral("title"))) title->setText(L.tr("Reports"));
    header_->setSubtitle(L.tr("Export this inspection in the format you need"));
    for (FormatCard* c : cards_) c->retranslate();
    previewTitle_->setText(L.tr("Preview"));
    copy_->setText(L.tr("Copy Report"));
}

void ReportsContent::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) retranslate();
    QWidget::changeEvent(event);
}

// ---- ReportsView -------------------------------------------------------------------------------

ReportsView::ReportsView(Quorlent& inspector, QWidget* parent)
    : QWidget(parent), inspector_(&inspector), exportAction_([](ReportFormat f, Quorlent& q) { ReportExporter::save(f, q); })
{
    setObjectName(QStringLiteral("reportsView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    content_ = new ReportsContent([this](ReportFormat format) {
        // The inspection of the moment of the click: the save flow reads the model itself.
        if (inspector_ && exportAction_) exportAction_(format, *inspector_);
    });
    layout->addWidget(content_);
    connect(&inspector, &Quorlent::sectionsChanged, this, &ReportsView::updatePreview);
    connect(&inspector, &Quorlent::lastUpdatedChanged, this, &ReportsView::updatePreview);
    updatePreview();
}

void ReportsView::updatePreview()
{
    if (!inspector_) return;
    content_->setPreviewText(ReportExporter::text(inspector_->sections(), inspector_->lastUpdated(), UiLanguage::current()));
}

void ReportsView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) updatePreview();
    QWidget::changeEvent(event);
}
