// A version from the update server is a datum inside our sentences: whatever direction
// controls it carries, the banner, the alert, the settings row and the required card read
// in their own order, and a very long one leaves the settings row's sentence readable.
#include "platform/i18n/StringFormat.h"
#include "ui/ThemedLabel.h"
#include "ui/UiLanguage.h"
#include "ui/UntrustedText.h"
#include "updates/UpdateAlertPresenter.h"
#include "updates/UpdateBanner.h"
#include "updates/UpdateRequiredOverlay.h"
#include "updates/UpdateSettingsRow.h"
#include "updates/UpdateViewsFixture.h"

#include <QApplication>
#include <QLabel>
#include <QTextLayout>
#include <QVBoxLayout>

using namespace updateviews;

namespace {
const QString kReversing = QString::fromUtf8("2.0\u202eelbaliava");
const QString kClosing = QString::fromUtf8("2.0\u2069\u202ex");

// Laid out left to right as a label lays it out: does "is available" still read forwards and
// after "Quorlent"?
bool readsInOrder(const QString& text, const QString& tail)
{
    QTextLayout layout(text, QFont());
    QTextOption option;
    option.setTextDirection(Qt::LeftToRight);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(100000);
    layout.endLayout();
    const qsizetype at = text.lastIndexOf(tail);
    if (at < 0) return false;
    const qreal first = line.cursorToX(int(at));
    const qreal second = line.cursorToX(int(at + 1));
    return line.cursorToX(0) < first && first < second;
}

class UntrustedVersionTest : public UpdateViewsTest {};
}  // namespace

TEST(UntrustedTextInSentence, IsolatesAndDropsMarksThatWouldCloseTheIsolate)
{
    EXPECT_EQ(UntrustedText::inSentence("2.0"), QString::fromUtf8("\u20682.0\u2069"));
    EXPECT_EQ(UntrustedText::inSentence(kClosing), QString::fromUtf8("\u20682.0\u202ex\u2069"));
    // Balanced isolates of its own stay.
    EXPECT_EQ(UntrustedText::inSentence(QString::fromUtf8("a\u2067b\u2069")), QString::fromUtf8("\u2068a\u2067b\u2069\u2069"));
    EXPECT_EQ(UntrustedText::inSentence(QString()), QString());
}

TEST_F(UntrustedVersionTest, BannerRowAndAlertKeepTheirWordsInOrder)
{
    for (const QString& version : {kReversing, kClosing}) {
        SCOPED_TRACE(version.toStdString());
        answer(HttpAnswer::json(versionDocument(7, 3, QStringLiteral("Notes"), version)));
        UpdateChecker& c = start();
        QWidget pane;
        auto* column = new QVBoxLayout(&pane);
        auto* banner = new UpdateBanner(c, &pane);
        column->addWidget(banner);
        auto* row = new UpdateSettingsRow(c, &pane);
        column->addWidget(row);
        pane.resize(860, 600);
        pane.show();
        drain();
        const QString title = banner->content()->titleLabel()->text();
        EXPECT_TRUE(title.startsWith("Quorlent \u2068")) << title.toStdString();
        EXPECT_TRUE(readsInOrder(title, "is available")) << title.toStdString();
        ASSERT_EQ(row->status(), UpdateSettingsRow::Status::available);
        EXPECT_TRUE(readsInOrder(row->statusText(), "is available")) << row->statusText().toStdString();

        const UpdateAlertText alert = UpdateAlertText::make(UpdateAlert::available(version, "n", QUrl()), Localization::english());
        EXPECT_TRUE(readsInOrder(alert.title, "is available")) << alert.title.toStdString();
        checker.reset();
    }
}

TEST_F(UntrustedVersionTest, TheRequiredCardKeepsItsWordsInOrder)
{
    answer(HttpAnswer::json(versionDocument(7, 3, QStringLiteral("Notes"), kReversing)));
    UpdateChecker& c = start(2);
    QWidget window;
    window.resize(1000, 760);
    auto* overlay = new UpdateRequiredOverlay(c, &window);
    window.show();
    drain();
    const QString message = overlay->messageLabel()->text();
    EXPECT_TRUE(message.contains(UntrustedText::inSentence(kReversing))) << message.toStdString();
    EXPECT_TRUE(readsInOrder(message, "to keep using the app.")) << message.toStdString();
}

TEST_F(UntrustedVersionTest, ALongVersionLeavesTheSettingsSentenceReadable)
{
    const QString version = QStringLiteral("2.") + QString(198, u'7');
    answer(HttpAnswer::json(versionDocument(7, 3, QStringLiteral("Notes"), version)));
    UpdateChecker& c = start();
    QWidget pane;
    auto* column = new QVBoxLayout(&pane);
    column->setContentsMargins(32, 0, 32, 0);
    auto* row = new UpdateSettingsRow(c, &pane);
    column->addWidget(row);
    pane.resize(540, 300);
    pane.show();
    drain();
    QApplication::processEvents();
    ASSERT_EQ(row->status(), UpdateSettingsRow::Status::available);
    const QString text = row->statusText();
    EXPECT_TRUE(text.startsWith("Quorlent ")) << text.toStdString();
    EXPECT_TRUE(text.endsWith(" is available")) << text.toStdString();
    EXPECT_TRUE(text.contains(QChar(0x2026)));
    EXPECT_TRUE(text.contains("2.77"));
    // The whole sentence and the link fit in the row.
    auto* label = row->findChild<QLabel*>(QStringLiteral("updateStatus"));
    ASSERT_NE(label, nullptr);
    EXPECT_GE(label->width(), QFontMetrics(label->font()).horizontalAdvance(text) - 2);
    EXPECT_LE(label->geometry().right(), row->width());
    EXPECT_LE(row->downloadLink()->geometry().right(), row->width());
    EXPECT_GE(label->geometry().left(), 0);
}
