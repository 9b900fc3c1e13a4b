#pragma once

#include "ui/Motion.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <functional>

class AccentButton;
class PlainButton;
class QTextEdit;
class ThemedLabel;
class UpdateChecker;
struct UpdateState;

// The release notes of the version to download: "What’s New" over the notes as selectable
// plain text that scrolls inside a box at most 110 high.
class ReleaseNotesBox : public QWidget {
    Q_OBJECT
public:
    explicit ReleaseNotesBox(QWidget* parent = nullptr);
    void setNotes(const QString& notes);
    QTextEdit* textView() const { return text_; }
    static constexpr int kMaxTextHeight = 110;
    static constexpr int kPadding = 12;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void changeEvent(QEvent*) override;

private:
    void retranslate();
    void fitHeight();
    ThemedLabel* heading_;
    QTextEdit* text_;
};

// Covers the window while an update is required: a frosted, dimmed backdrop and a centred
// card with the version to download, its notes, "Download Update" (Return) and "Quit". Nothing
// in it dismisses it; it leaves when a later check yields another state.
//
// While it blocks, it takes the focus, keeps it, and refuses every click aimed at its area and
// every key and shortcut aimed at its window outside itself (the application's Quit stays). It
// follows its parent's size; the host disables and blurs the content beneath.
class UpdateRequiredOverlay : public QWidget {
    Q_OBJECT
public:
    explicit UpdateRequiredOverlay(UpdateChecker& checker, QWidget* parent = nullptr);
    ~UpdateRequiredOverlay() override;

    static bool isRequired(const UpdateState& state);
    // Whether the overlay currently blocks (the state is required).
    bool isBlocking() const { return blocking_; }
    // 0 absent … 1 fully shown.
    double progress() const { return progress_.value(); }

    QWidget* card() const { return card_; }
    AccentButton* downloadButton() const { return download_; }
    PlainButton* quitButton() const { return quit_; }
    ReleaseNotesBox* notesBox() const { return notes_; }
    ThemedLabel* messageLabel() const { return message_; }
    // What "Quit" runs (the application's quit by default).
    void setQuitAction(std::function<void()> quit) { quitAction_ = std::move(quit); }

    static constexpr int kCardWidth = 400;
    static constexpr int kCardPadding = 32;
    static constexpr int kCardRadius = 20;
    static constexpr double kDimLight = 0.06;
    static constexpr double kDimDark = 0.25;

signals:
    void blockingChanged(bool blocking);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void changeEvent(QEvent*) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    void retranslate();
    void apply();
    void placeCard();
    void setBlocking(bool blocking);
    bool isOurs(const QWidget* w) const;
    QRect cardRect() const;

    UpdateChecker& checker_;
    QWidget* card_;
    ThemedLabel* title_;
    ThemedLabel* message_;
    ReleaseNotesBox* notes_;
    PlainButton* quit_;
    AccentButton* download_;
    ThemedLabel* footnote_;
    QString version_;
    std::function<void()> quitAction_;
    MotionValue progress_{0};
    bool blocking_ = false;
    QPixmap snapshot_;
    QPixmap shadow_;
    QSize shadowFor_;
    QPointer<QWidget> watchedParent_;
};
