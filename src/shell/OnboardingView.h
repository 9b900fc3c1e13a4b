#pragma once

#include "ui/Motion.h"

#include <QDialog>
#include <QImage>
#include <QPointer>

#include <functional>

class AccentButton;
class LinkButton;
class PlainButton;
class Preferences;
class QGraphicsOpacityEffect;

// The row of page dots: the current page a wide capsule in the brand gradient, the others
// small faint dots. One accessible element, "Page 1 of 2".
class OnboardingDots : public QWidget {
    Q_OBJECT
public:
    explicit OnboardingDots(int count, QWidget* parent = nullptr);
    void setCurrent(int page);
    int current() const { return current_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    static constexpr int kSpacing = 6;
    static constexpr int kDot = 7;
    static constexpr int kCurrentWidth = 18;
    // The dots' spoken label in the interface language.
    static QString spokenText(int page, int count);

protected:
    void paintEvent(QPaintEvent*) override;
    void changeEvent(QEvent*) override;

private:
    int count_;
    int current_ = 0;
};

// The pages' area: shows one page and slides to the next (the new page moves in from the
// trailing edge as the old one leaves toward the leading edge, both fading), or swaps them at
// once when motion is reduced.
class OnboardingPages : public QWidget {
    Q_OBJECT
public:
    using Factory = std::function<QWidget*(int page, QWidget* parent)>;
    OnboardingPages(Factory factory, QWidget* parent = nullptr);
    void showPage(int page);
    // Rebuilds the current page (after a change of language).
    void rebuild();
    QWidget* currentPage() const { return current_; }
    bool isSliding() const { return leaving_ != nullptr; }
    static constexpr int kPadding = 32;

protected:
    void resizeEvent(QResizeEvent*) override;

private:
    void apply();
    void settle();
    QRect pageRect() const;

    Factory factory_;
    int page_ = -1;
    QPointer<QWidget> current_;
    QPointer<QWidget> leaving_;
    MotionValue progress_{1};
    bool starting_ = false;
};

// The first-run sheet over the main window: a welcome page and a features page with Skip,
// the page dots, Back and Continue / Get Started. Every way of closing it marks the onboarding
// as completed.
class OnboardingView : public QDialog {
    Q_OBJECT
public:
    // Shows the sheet window-modal over `mainWindow` (a sheet already open is raised instead).
    // When it closes, by any way, "onboardingCompleted" is set and then `onClosed` runs.
    static OnboardingView* present(QWidget* mainWindow, Preferences& preferences, std::function<void()> onClosed);
    // The sheet on screen, if any.
    static OnboardingView* current();

    explicit OnboardingView(Preferences& preferences, QWidget* parent = nullptr);
    ~OnboardingView() override;

    int page() const { return page_; }
    int pageCount() const { return kPageCount; }
    bool isLastPage() const { return page_ == kPageCount - 1; }
    // The one way to change the page.
    void go(int page);
    // The window's backdrop at a size: the background with the brand glow from the top edge's
    // centre, computed in floating point and dithered, so the faint gradient shows no steps.
    static QImage backdrop(const QSize& size, const QColor& background, const QColor& glow, qreal radius);

    LinkButton* skipButton() const { return skip_; }
    PlainButton* backButton() const { return back_; }
    AccentButton* primaryButton() const { return primary_; }
    OnboardingDots* dots() const { return dots_; }
    OnboardingPages* pages() const { return pages_; }

    static constexpr int kPageCount = 2;
    static constexpr int kWidth = 600;
    static constexpr int kHeight = 470;
    static inline const QString kCompletedKey = QStringLiteral("onboardingCompleted");

protected:
    void paintEvent(QPaintEvent*) override;
    void changeEvent(QEvent*) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void retranslate();
    void updateBar();
    void complete();
    static QWidget* buildPage(int page, QWidget* parent);

    Preferences& preferences_;
    int page_ = 0;
    bool completed_ = false;
    bool quitting_ = false;
    OnboardingPages* pages_;
    LinkButton* skip_;
    OnboardingDots* dots_;
    PlainButton* back_;
    AccentButton* primary_;
    QImage backdrop_;
    QRgb backdropKey_[2] = {0, 0};
};
