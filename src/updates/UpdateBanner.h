#pragma once

#include "ui/Motion.h"

#include <QWidget>

class AccentButton;
class ClampedText;
class IconTile;
class LinkButton;
class PlainButton;
class QGraphicsOpacityEffect;
class ThemedLabel;
class UpdateChecker;

// The tinted strip that offers an available version: icon and texts, then "Skip This
// Version", "Later" and "Download". One row where the width allows the row's ideal width,
// otherwise texts above and the buttons below (Skip at the leading edge, the other two at the
// trailing edge).
class UpdateBannerContent : public QWidget {
    Q_OBJECT
public:
    explicit UpdateBannerContent(QWidget* parent = nullptr);
    void setContent(const QString& version, const QString& notes);
    QString version() const { return version_; }
    QString notes() const { return notes_; }

    // The width of the one-row layout with every part at its ideal size.
    int wideIdealWidth() const;
    bool isWide() const { return width() >= wideIdealWidth(); }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    LinkButton* skipButton() const { return skip_; }
    PlainButton* laterButton() const { return later_; }
    AccentButton* downloadButton() const { return download_; }
    ThemedLabel* titleLabel() const { return title_; }
    ClampedText* notesText() const { return notesText_; }

    static constexpr int kPaddingH = 16;
    static constexpr int kPaddingV = 10;
    static constexpr int kIconSize = 30;
    static constexpr int kSpacing = 12;
    static constexpr int kMinSpacer = 8;
    static constexpr int kMinTextWidth = 220;

signals:
    void skipClicked();
    void laterClicked();
    void downloadClicked();

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void changeEvent(QEvent*) override;

private:
    void retranslate();
    void place();
    int textIdealWidth() const;
    int textHeight(int width) const;
    int buttonsHeight() const;

    QString version_;
    QString notes_;
    IconTile* icon_;
    ThemedLabel* title_;
    ClampedText* notesText_;
    LinkButton* skip_;
    PlainButton* later_;
    AccentButton* download_;
};

// Shows the banner while the checker offers an available build that was neither skipped nor
// put off; slides in from the top with a fade and animates its height, or changes at once when
// motion is reduced. Its height is zero while it shows nothing.
class UpdateBanner : public QWidget {
    Q_OBJECT
public:
    explicit UpdateBanner(UpdateChecker& checker, QWidget* parent = nullptr);

    // Whether the banner is (or is becoming) shown.
    bool isOffering() const { return offering_; }
    // 0 hidden … 1 fully shown.
    double progress() const { return progress_.value(); }
    UpdateBannerContent* content() const { return content_; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr int kInsetH = 24;
    static constexpr int kInsetTop = 12;
    static constexpr int kInsetBottom = 4;

protected:
    void resizeEvent(QResizeEvent*) override;

private:
    void refresh();
    void apply();
    int fullHeight(int width) const;

    UpdateChecker& checker_;
    UpdateBannerContent* content_;
    QGraphicsOpacityEffect* fade_ = nullptr;
    MotionValue progress_{0};
    bool offering_ = false;
};
