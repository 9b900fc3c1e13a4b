#include "updates/UpdateSettingsRow.h"
#include "ui/Buttons.h"
#include "ui/UntrustedText.h"
#include "ui/UrlOpener.h"
#include "ui/WindowLanguage.h"

#include "platform/i18n/StringFormat.h"
#include "ui/Formatters.h"
#include "ui/Symbols.h"
#include "ui/ThemedLabel.h"
#include "ui/UiLanguage.h"
#include "updates/UpdateChecker.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QResizeEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace {
// The status line's symbol, tinted on its own.
class TintedSymbol : public QWidget {
public:
    TintedSymbol(const QString& symbol, QWidget* parent) : QWidget(parent), symbol_(symbol)
    {
        setFixedSize(13, 13);
        connect(&Theme::Notifier::shared(), &Theme::Notifier::appearanceChanged, this, qOverload<>(&QWidget::update));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setLayoutDirection(layoutDirection());
        Symbols::draw(p, symbol_, QRectF(rect()), Theme::statusSupported());
    }

private:
    QString symbol_;
};
}  // namespace

// ---- UpdateSpinner -----------------------------------------------------------------------------

UpdateSpinner::UpdateSpinner(QWidget* parent) : QWidget(parent)
{
    setFixedSize(16, 16);
    setAccessibleName(QString());
    turn_ = new QVariantAnimation(this);
    turn_->setStartValue(0.0);
    turn_->setEndValue(360.0);
    turn_->setDuration(900);
    turn_->setLoopCount(-1);
    connect(turn_, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
}

void UpdateSpinner::showEvent(QShowEvent*) { turn_->start(); }
void UpdateSpinner::hideEvent(QHideEvent*) { turn_->stop(); }

void UpdateSpinner::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(2, 2, -2, -2);
    p.setPen(QPen(Theme::primary(0.12), 2));
    p.drawEllipse(r);
    p.setPen(QPen(Theme::foreground(Theme::Level::secondary), 2, Qt::SolidLine, Qt::RoundCap));
    const int start = int(-turn_->currentValue().toDouble() * 16);
    p.drawArc(r, start, 100 * 16);
}

// ---- UpdateSettingsRow -------------------------------------------------------------------------

UpdateSettingsRow::UpdateSettingsRow(UpdateChecker& checker, QWidget* parent)
    : QWidget(parent), checker_(checker), opener_(UrlOpener::desktop())
{
    setObjectName(QStringLiteral("updateSettingsRow"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->setSpacing(8);
    buttonRow->addStretch(1);
    check_ = new PlainButton(QString(), this);
    check_->setObjectName(QStringLiteral("checkForUpdatesButton"));
    check_->setAutoDefault(false);
    buttonRow->addWidget(check_);
    spinner_ = new UpdateSpinner(this);
    buttonRow->addWidget(spinner_, 0, Qt::AlignVCenter);
    buttonRow->addStretch(1);
    column->addLayout(buttonRow);

    statusRow_ = new QWidget(this);
    auto* status = new QHBoxLayout(statusRow_);
    status->setContentsMargins(0, 0, 0, 0);
    status->setSpacing(4);
    status->addStretch(1);
    statusSymbol_ = new TintedSymbol(QRL_SYMBOL("checkmark.circle.fill"), statusRow_);
    status->addWidget(statusSymbol_, 0, Qt::AlignVCenter);
    statusLabel_ = new ThemedLabel(QString(), Theme::font(Theme::TextStyle::callout), Theme::Level::secondary, statusRow_);
    statusLabel_->setObjectName(QStringLiteral("updateStatus"));
    statusLabel_->setWordWrap(true);
    statusLabel_->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    status->addWidget(statusLabel_, 0, Qt::AlignVCenter);
    status->addSpacing(4);
    download_ = new LinkButton(QString(), statusRow_);
    download_->setObjectName(QStringLiteral("downloadLink"));
    status->addWidget(download_, 0, Qt::AlignVCenter);
    status->addStretch(1);
    column->addWidget(statusRow_);

    lastChecked_ = new ThemedLabel(QString(), Theme::font(Theme::TextStyle::caption), Theme::Level::tertiary, this);
    lastChecked_->setObjectName(QStringLiteral("lastChecked"));
    lastChecked_->setAlignment(Qt::AlignHCenter);
    lastChecked_->setWordWrap(true);
    column->addWidget(lastChecked_);

    connect(check_, &QPushButton::clicked, this, [this] { checker_.checkNow(true); });
    connect(download_, &QPushButton::clicked, this, [this] {
        const UpdateState s = checker_.state();
        if (s.hasUpdate() && opener_) opener_(s.url);
    });
    for (auto signal : {&UpdateChecker::stateChanged, &UpdateChecker::isCheckingChanged, &UpdateChecker::lastErrorChanged,
                        &UpdateChecker::lastCheckedChanged})
        connect(&checker_, signal, this, &UpdateSettingsRow::refresh);
    followWindowLanguage(this, [this] { refresh(); });
    refresh();
}

void UpdateSettingsRow::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange) refresh();
    QWidget::changeEvent(e);
}

void UpdateSettingsRow::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    if (e->oldSize().width() != width() && status_ == Status::available) refresh();
}

QString UpdateSettingsRow::statusText() const { return status_ == Status::none ? QString() : statusLabel_->text(); }

QString UpdateSettingsRow::lastCheckedText() const { return lastChecked_->text(); }

void UpdateSettingsRow::refresh()
{
    const Localization l = UiLanguage::current();
    check_->setText(l.tr("Check for Updates"));
    check_->setEnabled(!checker_.isChecking());
    spinner_->setVisible(checker_.isChecking());
    download_->setText(l.tr("Download"));

    const UpdateState s = checker_.state();
    // The first rule that applies decides.
    if (checker_.isChecking()) status_ = Status::checking;
    else if (checker_.lastError()) status_ = Status::error;
    else if (s.hasUpdate()) status_ = Status::available;
    else if (s.kind == UpdateState::Kind::upToDate) status_ = Status::upToDate;
    else status_ = Status::none;

    // Short statuses keep to one line between the stretches; a message wraps across the row.
    const bool wraps = status_ == Status::error;
    statusLabel_->setWordWrap(wraps);
    statusLabel_->setSizePolicy(wraps ? QSizePolicy::Expanding : QSizePolicy::Preferred, QSizePolicy::Preferred);
    if (auto* row = qobject_cast<QHBoxLayout*>(statusRow_->layout())) {
        // A wrapping message takes the whole row (not a third of it beside two stretches).
        row->setStretchFactor(statusLabel_, wraps ? 1 : 0);
        row->setStretch(0, wraps ? 0 : 1);
        row->setStretch(row->count() - 1, wraps ? 0 : 1);
    }
    statusSymbol_->setVisible(status_ == Status::upToDate);
    download_->setVisible(status_ == Status::available);
    statusRow_->setVisible(status_ != Status::none);
    switch (status_) {
    case Status::checking:
        statusLabel_->setText(l.tr("Checking for updates…"));
        statusLabel_->setLevel(Theme::Level::secondary);
        break;
    case Status::error:
        statusLabel_->setText(UntrustedText::forDisplay(*checker_.lastError(), 1000));
        statusLabel_->setColor(Theme::statusWarning());
        break;
    case Status::available:
    {
        // A version too long for the row keeps the sentence readable: its middle gives way.
        const QString sentence = l.tr("Quorlent %@ is available");
        const QFontMetrics fm(statusLabel_->font());
        const int row = width() > 0 ? width() : kLaidOutWidth;
        const int room = std::max(60, row - fm.horizontalAdvance(formatString(sentence, {QString()})) -
                                          download_->sizeHint().width() - 16);
        const QString version = fm.elidedText(UntrustedText::forDisplay(s.version, 200), Qt::ElideMiddle, room);
        statusLabel_->setText(formatString(sentence, {UntrustedText::inSentence(version, 200)}));
    }
        statusLabel_->setLevel(Theme::Level::primary);
        break;
    case Status::upToDate:
        statusLabel_->setText(l.tr("Quorlent is up to date."));
        statusLabel_->setLevel(Theme::Level::secondary);
        break;
    case Status::none: statusLabel_->clear(); break;
    }

    if (const auto when = checker_.lastChecked())
        lastChecked_->setText(formatString(l.tr("Last checked: %@"), {isolated(Formatters::date(*when, true, l))}));
    else
        lastChecked_->setText(l.tr("Not checked yet"));
}
