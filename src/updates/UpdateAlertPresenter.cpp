#include "updates/UpdateAlertPresenter.h"
#include "ui/ApplicationIconView.h"
#include "ui/Buttons.h"
#include "ui/ClampedText.h"
#include "ui/UntrustedText.h"
#include "ui/UrlOpener.h"

#include "platform/i18n/StringFormat.h"
#include "ui/ThemedLabel.h"
#include "ui/UiLanguage.h"
#include "updates/UpdateChecker.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

UpdateAlertText UpdateAlertText::make(const UpdateAlert& alert, const Localization& l)
{
    UpdateAlertText t;
    switch (alert.kind) {
    case UpdateAlert::Kind::available:
        t.title = formatString(l.tr("Quorlent %@ is available"), {UntrustedText::inSentence(alert.version, 200)});
        t.message = alert.notes;
        t.buttons = {l.tr("Later"), l.tr("Download")};
        t.defaultButton = 1;
        t.cancelButton = 0;
        break;
    case UpdateAlert::Kind::failed:
        t.title = l.tr("Couldn’t check for updates");
        t.message = alert.message;
        t.buttons = {l.tr("OK")};
        t.defaultButton = -1;
        t.cancelButton = 0;
        break;
    case UpdateAlert::Kind::upToDate:
        t.title = l.tr("You’re up to date");
        t.message = formatString(l.tr("Quorlent %@ is the latest version."), {UntrustedText::inSentence(UpdateChecker::installedVersion(), 200)});
        t.buttons = {l.tr("OK")};
        t.defaultButton = -1;
        t.cancelButton = 0;
        break;
    }
    return t;
}

QObject* UpdateAlert::attach(UpdateChecker& checker, std::function<QWidget*()> mainWindow)
{
    if (UpdateAlertPresenter* existing = UpdateAlertPresenter::of(checker)) return existing;
    return new UpdateAlertPresenter(checker, std::move(mainWindow), &checker);
}

UpdateAlertPresenter::UpdateAlertPresenter(UpdateChecker& checker, std::function<QWidget*()> mainWindow, QObject* parent)
    : QObject(parent), checker_(checker), mainWindow_(std::move(mainWindow)), presenter_(dialogPresenter()),
      opener_(UrlOpener::desktop())
{
    setObjectName(QStringLiteral("updateAlertPresenter"));
    connect(&checker_, &UpdateChecker::alertChanged, this, &UpdateAlertPresenter::present);
    if (checker_.alert()) QMetaObject::invokeMethod(this, &UpdateAlertPresenter::present, Qt::QueuedConnection);
}

UpdateAlertPresenter* UpdateAlertPresenter::of(UpdateChecker& checker)
{
    return checker.findChild<UpdateAlertPresenter*>(QString(), Qt::FindDirectChildrenOnly);
}

void UpdateAlertPresenter::present()
{
    const std::optional<UpdateAlert> alert = checker_.alert();
    if (!alert) return;
    // A newer alert replaces the one on screen; the older one's answer is then ignored.
    const quint64 generation = ++generation_;
    presenting_ = true;
    const UpdateAlert shown = *alert;
    QWidget* parent = mainWindow_ ? mainWindow_() : nullptr;
    presenter_(parent, UpdateAlertText::make(shown, UiLanguage::current()),
               [self = QPointer<UpdateAlertPresenter>(this), generation, shown](int choice) {
                   if (!self || generation != self->generation_) return;
                   self->presenting_ = false;
                   // Only the available alert's "Download" does anything beyond dismissing,
                   // and it opens the address the alert carries.
                   if (shown.kind == UpdateAlert::Kind::available && choice == 1 && self->opener_) self->opener_(shown.url);
                   self->checker_.dismissAlert();
               });
}

UpdateAlertPresenter::Presenter UpdateAlertPresenter::dialogPresenter()
{
    return [](QWidget* parent, const UpdateAlertText& text, std::function<void(int)> answer) {
        // One alert at a time: a newer answer replaces the one still on screen.
        static QPointer<UpdateAlertDialog> onScreen;
        if (onScreen) {
            onScreen->disconnect();
            onScreen->hide();
            onScreen->deleteLater();
        }
        auto* dialog = new UpdateAlertDialog(text, parent ? parent->window() : nullptr);
        onScreen = dialog;
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
        QObject::connect(dialog, &QDialog::finished, dialog, [dialog, answer = std::move(answer)](int) { answer(dialog->choice()); });
        dialog->open();
    };
}

UpdateAlertDialog::UpdateAlertDialog(const UpdateAlertText& text, QWidget* parent) : QDialog(parent), text_(text)
{
    setObjectName(QStringLiteral("updateAlert"));
    setWindowTitle(text.title);
    setFixedWidth(kWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 16);
    column->setSpacing(12);

    auto* top = new QHBoxLayout;
    top->setSpacing(14);
    top->addWidget(new ApplicationIconView(56, this), 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(6);
    auto* title = new ThemedLabel(text.title, Theme::font(Theme::TextStyle::headline, QFont::Bold), Theme::Level::primary, this);
    title->setObjectName(QStringLiteral("alertTitle"));
    title->setWordWrap(true);
    texts->addWidget(title);
    if (!text.message.isEmpty()) {
        auto* message = new ClampedText(Theme::font(Theme::TextStyle::callout), Theme::Level::primary, kMaxMessageLines, this);
        message->setObjectName(QStringLiteral("alertMessage"));
        message->setText(text.message);
        texts->addWidget(message);
    }
    texts->addStretch(1);
    top->addLayout(texts, 1);
    column->addLayout(top);

    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addStretch(1);
    for (int i = 0; i < text.buttons.size(); ++i) {
        QPushButton* b = nullptr;
        if (i == text.defaultButton || (text.defaultButton < 0 && i == text.cancelButton && text.buttons.size() == 1)) {
            b = new AccentButton(text.buttons[i], this);
        } else {
            b = new PlainButton(text.buttons[i], this);
        }
        b->setObjectName(QStringLiteral("alertButton%1").arg(i));
        b->setAutoDefault(false);
        const bool isDefault = i == text.defaultButton || (text.defaultButton < 0 && i == text.cancelButton);
        b->setDefault(isDefault);
        connect(b, &QPushButton::clicked, this, [this, i] {
            choice_ = i;
            done(i == text_.cancelButton ? QDialog::Rejected : QDialog::Accepted);
        });
        buttons_ << b;
        row->addWidget(b);
    }
    column->addLayout(row);
    if (QPushButton* d = buttons_.value(text.defaultButton >= 0 ? text.defaultButton : text.cancelButton)) d->setFocus();
    column->activate();
    resize(kWidth, column->totalHeightForWidth(kWidth));
}

void UpdateAlertDialog::reject()
{
    // Escape and the window's close button answer with the cancel button.
    if (choice_ < 0) choice_ = text_.cancelButton;
    QDialog::reject();
}
