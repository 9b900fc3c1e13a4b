#include "app/LanguagePicker.h"

#include "ui/UiLanguage.h"

#include "app/LanguageManager.h"
#include "ui/SmoothCorners.h"
#include "ui/SymbolView.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/ThemedLabel.h"

#include <algorithm>

#include <QActionGroup>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

namespace LanguagePicker {

QString selection(const LanguageManager& language) { return language.selection().value_or(QString()); }

void setSelection(LanguageManager& language, const QString& value)
{
    if (value.isEmpty())
        language.select(std::nullopt);
    else
        language.select(value);
}

void fill(QMenu* menu, LanguageManager& language)
{
    auto* group = new QActionGroup(menu);
    group->setExclusive(true);
    auto add = [&](const QString& text, const QString& value) {
        QAction* action = menu->addAction(text);
        action->setCheckable(true);
        action->setData(value);
        group->addAction(action);
        QObject::connect(action, &QAction::triggered, menu, [&language, value] { setSelection(language, value); });
        return action;
    };
    QAction* systemDefault = add(UiLanguage::current().tr("System Default"), QString());
    menu->addSeparator();
    for (const AppLanguage& l : AppLanguage::all()) add(l.nativeName, l.code);

    auto sync = [group, systemDefault, &language] {
        systemDefault->setText(UiLanguage::current().tr("System Default"));
        const QString current = selection(language);
        for (QAction* a : group->actions()) a->setChecked(a->data().toString() == current);
    };
    sync();
    QObject::connect(&language, &LanguageManager::selectionChanged, menu, sync);
    QObject::connect(&language, &LanguageManager::codeChanged, menu, sync);
}

}  // namespace LanguagePicker

LanguagePickerBox::LanguagePickerBox(LanguageManager& language, QWidget* parent) : QComboBox(parent), language_(language)
{
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    rebuild();
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (!rebuilding_) LanguagePicker::setSelection(language_, itemData(index).toString());
    });
    connect(&language_, &LanguageManager::selectionChanged, this, &LanguagePickerBox::rebuild);
    connect(&language_, &LanguageManager::codeChanged, this, &LanguagePickerBox::rebuild);
}

void LanguagePickerBox::rebuild()
{
    rebuilding_ = true;
    clear();
    addItem(UiLanguage::current().tr("System Default"), QString());
    insertSeparator(count());
    for (const AppLanguage& l : AppLanguage::all()) addItem(l.nativeName, l.code);
    setCurrentIndex(findData(LanguagePicker::selection(language_)));
    rebuilding_ = false;
}


RelaunchBanner::RelaunchBanner(LanguageManager& language, QWidget* parent) : QWidget(parent), language_(language)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 10, 16, 10);
    row->setSpacing(12);
    // The globe in the brand colour, resolved at paint time.
    row->addWidget(new SymbolView(QRL_SYMBOL("globe"), 18, [] { return QBrush(Theme::brandPrimary()); }, 18, this), 0,
                   Qt::AlignVCenter);
    text_ = new ThemedLabel(QString(), Theme::font(Theme::TextStyle::callout), Theme::Level::primary, this);
    text_->setWordWrap(true);
    row->addWidget(text_, 1, Qt::AlignVCenter);
    row->addSpacing(8 - row->spacing() > 0 ? 8 - row->spacing() : 0);
    button_ = new QPushButton(this);
    row->addWidget(button_, 0, Qt::AlignVCenter);
    connect(button_, &QPushButton::clicked, this, [this] { language_.relaunch(); });
    connect(&language_, &LanguageManager::codeChanged, this, &RelaunchBanner::retranslate);
    connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
    retranslate();
}

void RelaunchBanner::retranslate()
{
    const Localization l = UiLanguage::current();
    text_->setText(l.tr("Menus and system dialogs will switch to this language the next time the app opens."));
    button_->setText(l.tr("Relaunch Now"));
    // Scripts drawn from a taller fallback font (Arabic, Devanagari) keep clear of the frame:
    // the button is sized by the text as shaped, not by its own font's line alone.
    const QRect shaped = QFontMetrics(button_->font()).boundingRect(button_->text());
    button_->setMinimumSize(shaped.width() + 2 * kButtonPaddingX, std::max(button_->sizeHint().height(), shaped.height() + 2 * kButtonPaddingY));
}

void RelaunchBanner::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = Theme::brandPrimary();
    fill.setAlphaF(0.10);
    p.fillPath(SmoothCorners::path(QRectF(rect()), 10), fill);
}
