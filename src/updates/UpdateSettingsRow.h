#pragma once

#include "ui/Buttons.h"
#include "ui/UrlOpener.h"

#include <QWidget>

class LinkButton;
class PlainButton;
class QHBoxLayout;
class QTimer;
class QVariantAnimation;
class ThemedLabel;
class UpdateChecker;

// A small indeterminate progress indicator: an arc that turns while shown.
class UpdateSpinner : public QWidget {
    Q_OBJECT
public:
    explicit UpdateSpinner(QWidget* parent = nullptr);
    QSize sizeHint() const override { return QSize(16, 16); }

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    QVariantAnimation* turn_;
};

// The update part of the About pane: "Check for Updates" (a spinner beside it while a check
// runs), the status of the last check, and when the last successful check was.
class UpdateSettingsRow : public QWidget {
    Q_OBJECT
public:
    enum class Status { none, checking, error, available, upToDate };

    explicit UpdateSettingsRow(UpdateChecker& checker, QWidget* parent = nullptr);
    // Where "Download" goes (the desktop's handler by default).
    void setOpener(UrlOpener::Function opener) { opener_ = std::move(opener); }

    // The row's width in the About pane (540 less its 32-point padding), before it is laid out.
    static constexpr int kLaidOutWidth = 476;
    Status status() const { return status_; }
    QString statusText() const;
    QString lastCheckedText() const;
    PlainButton* checkButton() const { return check_; }
    UpdateSpinner* spinner() const { return spinner_; }
    LinkButton* downloadLink() const { return download_; }

protected:
    void changeEvent(QEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    void refresh();

    UpdateChecker& checker_;
    UrlOpener::Function opener_;
    Status status_ = Status::none;
    PlainButton* check_;
    UpdateSpinner* spinner_;
    QWidget* statusRow_;
    QWidget* statusSymbol_;
    ThemedLabel* statusLabel_;
    LinkButton* download_;
    ThemedLabel* lastChecked_;
};
