#include "ui/CapabilityRowView.h"

#include "ui/Accessibility.h"
#include "ui/Card.h"
#include "ui/StatusIcon.h"
#include "ui/ThemedLabel.h"
#include "ui/UiLanguage.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QVBoxLayout>

CapabilityRowView::CapabilityRowView(const CapabilityItem& item, std::optional<QString> sectionTitle, QWidget* parent)
    : CapabilityRowView(item, std::move(sectionTitle), UiLanguage::current(), parent)
{
}

CapabilityRowView::CapabilityRowView(const CapabilityItem& item, std::optional<QString> sectionTitle,
                                     const Localization& l, QWidget* parent)
    : QWidget(parent), item_(item), l_(l), clipboard_(&Clipboard::system())
{
    // Before any child exists: Qt may look the row up as its labels are filled in.
    UiAccessibility::install();
    setObjectName(QStringLiteral("capabilityRow"));
    const QFont callout = Theme::font(Theme::TextStyle::callout);
    setFont(callout);
    hover_ = new HoverHighlight(this, 6);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 7, 12, 7);
    row->setSpacing(8);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* label = new ThemedLabel(item.label, callout, Theme::Level::secondary);
    label->setObjectName(QStringLiteral("label"));
    texts->addWidget(label);
    if (sectionTitle) {
        auto* title = new ThemedLabel(*sectionTitle, Theme::font(Theme::TextStyle::caption2), Theme::Level::tertiary);
        title->setObjectName(QStringLiteral("sectionTitle"));
        texts->addWidget(title);
    }
    row->addLayout(texts);
    row->setAlignment(texts, Qt::AlignTop);
    // The flexible gap between label and value: at least 12, with the stack's spacing on
    // both of its sides. Qt puts no spacing next to a spacer item, so both are added here.
    row->addSpacing(12 + 8);

    auto* value = new ThemedLabel(item.value, Theme::font(Theme::TextStyle::callout, QFont::Medium), Theme::Level::primary);
    value->setObjectName(QStringLiteral("value"));
    value->setWordWrap(true);
    value->setEdgeAlignment(true);  // lines at the trailing edge: right, or left in right-to-left layouts
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value->setContextMenuPolicy(Qt::NoContextMenu);  // the row's own menu serves the value too
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);  // a wrapping value makes the row taller
    value->setSizePolicy(policy);
    value_ = value;
    row->addWidget(value, 1, Qt::AlignTop);

    auto* icon = new StatusIcon(item.status);
    icon->setFont(callout);
    icon->setAccessibleName(StatusStyle::accessibilityName(item.status, l_));
    row->addWidget(icon, 0, Qt::AlignTop);

    // One element for assistive technology: label, section, value and status read together.
    QStringList spoken{item.label};
    if (sectionTitle) spoken << *sectionTitle;
    spoken << item.value << StatusStyle::accessibilityName(item.status, l_);
    setAccessibleName(spoken.join(QStringLiteral(", ")));
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
}

QString CapabilityRowView::rowText(const CapabilityItem& item) { return item.label + QStringLiteral(": ") + item.value; }

void CapabilityRowView::copyValue()
{
    clipboard_->clear();
    clipboard_->setText(item_.value);
}

void CapabilityRowView::copyRow()
{
    clipboard_->clear();
    clipboard_->setText(rowText(item_));
}

QMenu* CapabilityRowView::makeContextMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setLayoutDirection(l_.layoutDirection());
    QAction* value = menu->addAction(l_.tr("Copy Value"));
    value->setObjectName(QStringLiteral("copyValue"));
    connect(value, &QAction::triggered, this, &CapabilityRowView::copyValue);
    QAction* row = menu->addAction(l_.tr("Copy Row"));
    row->setObjectName(QStringLiteral("copyRow"));
    connect(row, &QAction::triggered, this, &CapabilityRowView::copyRow);
    return menu;
}

void CapabilityRowView::contextMenuEvent(QContextMenuEvent* e)
{
    QMenu* menu = makeContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(e->globalPos());
}

void CapabilityRowView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    hover_->paint(p, QRectF(rect()));
}
