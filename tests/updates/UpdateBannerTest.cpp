#include "support/AnimationClock.h"
#include "support/Input.h"
#include "updates/UpdateBanner.h"
#include "ui/Theme.h"
#include "updates/UpdateViewsFixture.h"
#include "ui/ThemedLabel.h"

#include <QPushButton>
#include <QVariantAnimation>
#include <QVBoxLayout>

using namespace updateviews;

namespace {

class BannerTest : public UpdateViewsTest {
protected:
    // The banner at the top of a pane, as the main window hosts it.
    struct Host {
        explicit Host(UpdateChecker& c, int width = 860)
        {
            pane = std::make_unique<QWidget>();
            auto* column = new QVBoxLayout(pane.get());
            column->setContentsMargins(0, 0, 0, 0);
            column->setSpacing(0);
            banner = new UpdateBanner(c, pane.get());
            column->addWidget(banner);
            column->addStretch(1);
            pane->resize(width, 600);
            pane->show();
            QCoreApplication::processEvents();
        }
        std::unique_ptr<QWidget> pane;
        UpdateBanner* banner;
    };

    static bool offers(const UpdateBanner& b) { return b.isOffering() && b.isVisibleTo(b.parentWidget()) && b.height() > 0; }
};

TEST_F(BannerTest, AvailableVersionShowsTheBannerWithItsTexts)
{
    UpdateChecker& c = start();
    Host host(c);
    EXPECT_FALSE(host.banner->isOffering());
    EXPECT_FALSE(host.banner->isVisibleTo(host.pane.get()));
    drain();
    QCoreApplication::processEvents();
    ASSERT_TRUE(offers(*host.banner));
    EXPECT_EQ(host.banner->progress(), 1.0);
    UpdateBannerContent* content = host.banner->content();
    EXPECT_EQ(content->titleLabel()->text(), "Quorlent \u20682.0\u2069 is available");
    EXPECT_EQ(content->titleLabel()->textFormat(), Qt::PlainText);
    EXPECT_TRUE(content->notesText()->isVisibleTo(content));
    EXPECT_EQ(content->notesText()->text(), "New things");
    EXPECT_EQ(content->skipButton()->text(), "Skip This Version");
    EXPECT_EQ(content->laterButton()->text(), "Later");
    EXPECT_EQ(content->downloadButton()->text(), "Download");
    // Inset 24 at the sides and 12 at the top; the content moves the pane's content down.
    EXPECT_EQ(content->geometry().left(), 24);
    EXPECT_EQ(content->geometry().top(), 12);
    EXPECT_EQ(host.banner->height(), content->height() + 16);
}

TEST_F(BannerTest, DownloadOpensTheOfferAndTheBannerStays)
{
    UpdateChecker& c = start();
    Host host(c);
    drain();
    click(host.banner->content()->downloadButton());
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.front(), QUrl("https://example.com/q-7"));
    EXPECT_TRUE(offers(*host.banner));
}

TEST_F(BannerTest, SkipLastsAcrossRestartsUntilANewerBuild)
{
    {
        UpdateChecker& c = start();
        Host host(c);
        drain();
        ASSERT_TRUE(offers(*host.banner));
        click(host.banner->content()->skipButton());
        EXPECT_FALSE(host.banner->isOffering());
        EXPECT_FALSE(host.banner->isVisibleTo(host.pane.get()));
        EXPECT_EQ(host.banner->heightForWidth(860), 0);
    }
    {
        // Same preferences, same answer: nothing to offer.
        UpdateChecker& c = restart();
        Host host(c);
        drain();
        EXPECT_TRUE(c.state().isAvailable());
        EXPECT_FALSE(host.banner->isOffering());
    }
    {
        answer(HttpAnswer::json(versionDocument(8)));
        UpdateChecker& c = restart();
        Host host(c);
        drain();
        EXPECT_TRUE(offers(*host.banner));
    }
    EXPECT_EQ(requests(), 3);
}

TEST_F(BannerTest, LaterLastsOnlyForThisRun)
{
    {
        UpdateChecker& c = start();
        Host host(c);
        drain();
        click(host.banner->content()->laterButton());
        EXPECT_FALSE(host.banner->isOffering());
        // Another check of this run with the same answer keeps it away.
        c.checkNow(false);
        drain();
        EXPECT_FALSE(host.banner->isOffering());
    }
    UpdateChecker& c = restart();
    Host host(c);
    drain();
    EXPECT_TRUE(offers(*host.banner));
}

TEST_F(BannerTest, OnlyAnAvailableStateShowsIt)
{
    struct Case {
        const char* name;
        qint64 installed;
        bool shows;
    };
    for (const Case& k : {Case{"required", 2, false}, Case{"available", 5, true}, Case{"upToDate", 7, false}}) {
        SCOPED_TRACE(k.name);
        UpdateChecker& c = restart(k.installed);
        Host host(c);
        drain();
        EXPECT_EQ(host.banner->isOffering(), k.shows);
    }
}

TEST_F(BannerTest, ALaterStateRemovesIt)
{
    UpdateChecker& c = start();
    Host host(c);
    drain();
    ASSERT_TRUE(offers(*host.banner));
    answer(HttpAnswer::json(versionDocument(5, 1)));
    c.checkNow(false);
    drain();
    EXPECT_TRUE(c.state() == UpdateState::upToDate());
    EXPECT_FALSE(host.banner->isOffering());
    EXPECT_FALSE(host.banner->isVisibleTo(host.pane.get()));
}

// The one-row layout while the row's ideal width fits, two lines below it.
TEST_F(BannerTest, WideAndNarrowLayouts)
{
    UpdateChecker& c = start();
    drain();
    for (auto direction : {Qt::LeftToRight, Qt::RightToLeft}) {
        SCOPED_TRACE(direction == Qt::LeftToRight ? "ltr" : "rtl");
        for (int width : {1180, 860, 560}) {
            SCOPED_TRACE(width);
            Host host(c, width);
            host.pane->setLayoutDirection(direction);
            QCoreApplication::processEvents();
            UpdateBannerContent* content = host.banner->content();
            const bool wide = content->width() >= content->wideIdealWidth();
            EXPECT_EQ(content->isWide(), width >= 860) << content->wideIdealWidth();
            const QRect skip = content->skipButton()->geometry();
            const QRect later = content->laterButton()->geometry();
            const QRect download = content->downloadButton()->geometry();
            const QRect title = content->titleLabel()->geometry();
            const bool rtl = direction == Qt::RightToLeft;
            auto leadingGap = [&](const QRect& r) { return rtl ? content->width() - 1 - r.right() : r.left(); };
            auto trailingGap = [&](const QRect& r) { return rtl ? r.left() : content->width() - 1 - r.right(); };
            // Download sits at the trailing edge, Later just before it.
            EXPECT_EQ(trailingGap(download), UpdateBannerContent::kPaddingH);
            EXPECT_EQ(trailingGap(later), trailingGap(download) + download.width() + UpdateBannerContent::kSpacing);
            if (wide) {
                EXPECT_EQ(skip.center().y(), download.center().y());
                EXPECT_EQ(trailingGap(skip), trailingGap(later) + later.width() + UpdateBannerContent::kSpacing);
                EXPECT_LT(title.bottom(), content->height());
            } else {
                // Skip at the leading edge on the second line, under the texts.
                EXPECT_EQ(leadingGap(skip), UpdateBannerContent::kPaddingH);
                EXPECT_GT(skip.top(), title.bottom());
                EXPECT_EQ(skip.center().y(), download.center().y());
            }
            // Nothing overlaps and nothing leaves the strip.
            for (const QRect& r : {skip, later, download, title}) EXPECT_TRUE(content->rect().contains(r)) << width;
            EXPECT_FALSE(skip.intersects(later));
            EXPECT_FALSE(title.intersects(skip) && !wide);
        }
    }
}

TEST_F(BannerTest, EmptyNotesLeaveOneLineOfText)
{
    answer(HttpAnswer::json(versionDocument(7, 3, QString())));
    UpdateChecker& c = start();
    Host host(c, 1180);
    drain();
    UpdateBannerContent* content = host.banner->content();
    EXPECT_FALSE(content->notesText()->isVisibleTo(content));
    EXPECT_TRUE(content->notesText()->toolTip().isEmpty());
    EXPECT_EQ(content->heightForWidth(1132), 2 * UpdateBannerContent::kPaddingV + std::max(30, content->downloadButton()->sizeHint().height()));
}

// Notes come from the network: plain text, two lines at most, whatever they hold.
TEST_F(BannerTest, HostileNotesStayPlainTwoLinesAndBounded)
{
    const QString html = QStringLiteral("<b>bold</b> <a href=\"https://evil.example\">link</a> <img src=x>");
    const QString huge = QString(1000000, QLatin1Char('A'));
    const QString rtl = QString::fromUtf8("\u202Eتحديث مهم للأمان\u202C مع تحسينات");
    const QString paragraphs = QStringLiteral("First paragraph of news.\n\nSecond paragraph.\nThird.\nFourth.");
    for (const QString& notes : {html, huge, rtl, paragraphs}) {
        SCOPED_TRACE(notes.left(30).toStdString());
        answer(HttpAnswer::json(versionDocument(7, 3, notes)));
        UpdateChecker& c = restart();
        Host host(c, 860);
        drain();
        ASSERT_TRUE(host.banner->isOffering());
        UpdateBannerContent* content = host.banner->content();
        const QStringList lines = content->notesText()->shownLines(content->notesText()->width());
        EXPECT_GE(lines.size(), 1);
        EXPECT_LE(lines.size(), 2);
        if (notes == html) {
            EXPECT_TRUE(lines.join(' ').contains("<b>bold</b>"));
        }
        if (notes == paragraphs) {
            EXPECT_TRUE(lines.last().endsWith(QChar(0x2026)));
        }
        // The hover help holds the text escaped, so it can never act as markup.
        const QString tip = content->notesText()->toolTip();
        EXPECT_TRUE(tip.startsWith("<qt>"));
        EXPECT_FALSE(tip.contains("<b>"));
        EXPECT_FALSE(tip.contains("<a "));
        EXPECT_LE(tip.size(), 1600 * 6);
        // Title, two caption lines, paddings: the strip stays a strip.
        EXPECT_LE(host.banner->height(), 140);
        EXPECT_LE(content->width(), 860 - 48);
    }
}

TEST_F(BannerTest, SlidesInWithASpringOrAppearsAtOnceWithReducedMotion)
{
    Theme::setReduceMotion(false);
    UpdateChecker& c = start();
    Host host(c);
    auto clock = std::make_unique<FakeAnimationClock>();
    // Keeps the test clock's driver running between the two animations.
    QVariantAnimation keepAlive;
    keepAlive.setStartValue(0.0);
    keepAlive.setEndValue(1.0);
    keepAlive.setDuration(1000);
    keepAlive.setLoopCount(-1);
    keepAlive.start();
    drain();
    ASSERT_TRUE(host.banner->isOffering());
    const int full = host.banner->content()->heightForWidth(860 - 48) + 16;
    clock->advance(60);
    QCoreApplication::processEvents();
    const double midway = host.banner->progress();
    EXPECT_GT(midway, 0.0);
    EXPECT_LT(midway, 1.0);
    EXPECT_LT(host.banner->height(), full);
    // Coming in from the top edge: the content starts above its resting place.
    EXPECT_LT(host.banner->content()->y(), UpdateBanner::kInsetTop);
    EXPECT_NE(host.banner->content()->graphicsEffect(), nullptr);
    clock->advance(1000);
    QCoreApplication::processEvents();
    EXPECT_EQ(host.banner->progress(), 1.0);
    EXPECT_EQ(host.banner->height(), full);
    EXPECT_EQ(host.banner->content()->y(), UpdateBanner::kInsetTop);
    EXPECT_EQ(host.banner->content()->graphicsEffect(), nullptr);

    click(host.banner->content()->laterButton());
    clock->advance(60);
    QCoreApplication::processEvents();
    EXPECT_GT(host.banner->height(), 0);
    EXPECT_TRUE(host.banner->isVisibleTo(host.pane.get()));
    clock->advance(1000);
    QCoreApplication::processEvents();
    EXPECT_EQ(host.banner->height(), 0);
    EXPECT_FALSE(host.banner->isVisibleTo(host.pane.get()));

    // With reduced motion the change is immediate.
    Theme::setReduceMotion(true);
    answer(HttpAnswer::json(versionDocument(9)));
    c.checkNow(false);
    drain();
    EXPECT_EQ(host.banner->progress(), 1.0);
    EXPECT_EQ(host.banner->height(), full);
}

TEST_F(BannerTest, FollowsTheInterfaceLanguage)
{
    UpdateChecker& c = start();
    Host host(c);
    drain();
    language->select(QStringLiteral("ar"));
    drain();
    // The state is rebuilt with the Arabic notes; the banner shows them.
    EXPECT_EQ(host.banner->content()->notesText()->text(), QString::fromUtf8("أشياء جديدة"));
}

}  // namespace
