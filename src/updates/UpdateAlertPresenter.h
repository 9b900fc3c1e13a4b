#pragma once

#include "platform/i18n/Localization.h"
#include "ui/UrlOpener.h"
#include "updates/VersionDocument.h"

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

class UpdateChecker;

// What an alert says and offers, in the interface language.
struct UpdateAlertText {
    QString title;
    QString message;        // plain text; notes and messages are shown as they came
    QStringList buttons;    // in order, leading to trailing
    int defaultButton = -1; // Return
    int cancelButton = 0;   // Escape and closing the alert

    static UpdateAlertText make(const UpdateAlert& alert, const Localization& l);
    bool operator==(const UpdateAlertText&) const = default;
};

// Shows the checker's alerts (the answer to "Check for Updates…") one at a time, window-modal
// over the main window, and clears them from the checker when they are dismissed. "Download"
// opens the address the alert carries; "Later" and "OK" only dismiss.
class UpdateAlertPresenter : public QObject {
    Q_OBJECT
public:
    // Shows `text` over `parent` (no parent: application-modal) without blocking, and calls
    // `answer` with the index of the chosen button once.
    using Presenter = std::function<void(QWidget* parent, const UpdateAlertText& text, std::function<void(int)> answer)>;

    UpdateAlertPresenter(UpdateChecker& checker, std::function<QWidget*()> mainWindow, QObject* parent = nullptr);

    // The presenter attached to `checker`, if any.
    static UpdateAlertPresenter* of(UpdateChecker& checker);
    void setPresenter(Presenter presenter) { presenter_ = std::move(presenter); }
    void setOpener(UrlOpener::Function opener) { opener_ = std::move(opener); }
    // The default presenter: our alert dialog, opened with QDialog::open().
    static Presenter dialogPresenter();
    bool isPresenting() const { return presenting_; }

private:
    void present();

    UpdateChecker& checker_;
    std::function<QWidget*()> mainWindow_;
    Presenter presenter_;
    UrlOpener::Function opener_;
    bool presenting_ = false;
    quint64 generation_ = 0;
};

// The alert window itself: the application's icon, a bold title, the message as plain text
// (long texts are cut after a dozen lines) and the buttons at the trailing edge.
class UpdateAlertDialog : public QDialog {
    Q_OBJECT
public:
    UpdateAlertDialog(const UpdateAlertText& text, QWidget* parent = nullptr);
    // The chosen button's index once finished (the cancel button's when closed otherwise).
    int choice() const { return choice_; }
    QPushButton* button(int index) const { return buttons_.value(index); }
    static constexpr int kWidth = 420;
    static constexpr int kMaxMessageLines = 12;

protected:
    void reject() override;

private:
    UpdateAlertText text_;
    QList<QPushButton*> buttons_;
    int choice_ = -1;
};
