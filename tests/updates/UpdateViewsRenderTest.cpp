// Renders of the update views for looking at them (PNG files in the artifacts folder).
#include "support/SampleLanguage.h"
#include "ui/Card.h"
#include "ui/Symbols.h"
#include "ui/ThemedLabel.h"
#include "ui/Tiles.h"
#include "updates/UpdateAlertPresenter.h"
#include "updates/UpdateBanner.h"
#include "updates/UpdateRequiredOverlay.h"
#include "updates/UpdateSettingsRow.h"
#include "updates/UpdateViewsFixture.h"

#include <QFileInfo>
#include <QGraphicsBlurEffect>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace updateviews;

namespace {

const QStringList kLanguages = {"en", "de", "ru", "ar"};
const std::array kAppearances = {Theme::Appearance::Light, Theme::Appearance::Dark};


const QString kNotes = QStringLiteral(
    "Faster inspection of graphics and displays, a new battery health page and many small fixes.\n"
    "The live monitor now shows network throughput per interface.");

class RenderTest : public UpdateViewsTest {
protected:
    void expectWritten(const QString& path) { EXPECT_TRUE(QFileInfo(path).size() > 0) << path.toStdString(); }
};

TEST_F(RenderTest, Banner)
{
    answer(HttpAnswer::json(versionDocument(7, 3, kNotes, QStringLiteral("2.4"))));
    UpdateChecker& c = start();
    drain();
    for (int width : {860, 1180, 560}) {
        for (const QString& code : kLanguages) {
            for (auto a : kAppearances) {
                QWidget pane;
                auto* column = new QVBoxLayout(&pane);
                column->setContentsMargins(0, 0, 0, 0);
                auto* banner = new UpdateBanner(c, &pane);
                column->addWidget(banner);
                auto* below = new ThemedLabel(QStringLiteral("Detail content"), Theme::font(Theme::TextStyle::title2),
                                              Theme::Level::secondary, &pane);
                column->addWidget(below);
                column->addStretch(1);
                pane.setAutoFillBackground(true);
                expectWritten(renderSample(pane, QSize(width, 150), code, a, QStringLiteral("update-banner-%1").arg(width)));
            }
        }
    }
}

// Something like a page of the main window, to see the overlay over real content.
QWidget* fakeContent(QWidget* parent)
{
    auto* content = new QWidget(parent);
    auto* grid = new QGridLayout(content);
    grid->setContentsMargins(24, 24, 24, 24);
    grid->setSpacing(16);
    auto* search = new QLineEdit(content);
    search->setPlaceholderText(QStringLiteral("Search"));
    grid->addWidget(search, 0, 0, 1, 3);
    const QStringList titles = {"System", "Processor & Memory", "Graphics", "Displays", "Storage", "Network"};
    for (int i = 0; i < titles.size(); ++i) {
        auto* card = new CardFrame(16, 12, content);
        auto* tile = new IconTile(QRL_SYMBOL("cpu"), 32, Theme::brandGradient(), card);
        card->contentLayout()->addWidget(tile);
        card->contentLayout()->addWidget(
            new ThemedLabel(titles[i], Theme::font(Theme::TextStyle::headline), Theme::Level::primary, card));
        card->contentLayout()->addWidget(
            new ThemedLabel(QStringLiteral("12 supported · 2 warnings"), Theme::font(Theme::TextStyle::callout),
                            Theme::Level::secondary, card));
        grid->addWidget(card, 1 + i / 3, i % 3);
    }
    grid->setRowStretch(4, 1);
    return content;
}

TEST_F(RenderTest, RequiredOverlayOverContent)
{
    answer(HttpAnswer::json(versionDocument(7, 6, kNotes, QStringLiteral("2.4"))));
    UpdateChecker& c = start(2);
    drain();
    for (const QString& code : kLanguages) {
        for (auto a : kAppearances) {
            QWidget window;
            auto* column = new QVBoxLayout(&window);
            column->setContentsMargins(0, 0, 0, 0);
            QWidget* content = fakeContent(&window);
            column->addWidget(content);
            // As the main window does beneath the overlay: disabled and blurred.
            content->setEnabled(false);
            auto* blur = new QGraphicsBlurEffect(content);
            blur->setBlurRadius(6);
            content->setGraphicsEffect(blur);
            auto* overlay = new UpdateRequiredOverlay(c, &window);
            overlay->raise();
            ASSERT_TRUE(overlay->isBlocking());
            expectWritten(renderSample(window, QSize(1180, 800), code, a, QStringLiteral("update-required")));
        }
    }
}

TEST_F(RenderTest, AlertAndRow)
{
    answer(HttpAnswer::json(versionDocument(7, 3, kNotes, QStringLiteral("2.4"))));
    UpdateChecker& c = start();
    drain();
    for (const QString& code : kLanguages) {
        for (auto a : kAppearances) {
            UiLanguage::Override lang(sampleLocalization(code));
            UpdateAlertDialog available(UpdateAlertText::make(*std::make_optional(UpdateAlert::available("2.4", kNotes, QUrl())),
                                                              sampleLocalization(code)));
            expectWritten(renderSample(available, QSize(UpdateAlertDialog::kWidth, 0), code, a, "update-alert-available"));
            UpdateAlertDialog failed(UpdateAlertText::make(
                UpdateAlert::failed(QString::fromUtf8("Couldn’t reach the server. Check your internet connection and try again.")),
                sampleLocalization(code)));
            expectWritten(renderSample(failed, QSize(UpdateAlertDialog::kWidth, 0), code, a, "update-alert-failed"));

            UpdateSettingsRow row(c);
            row.setAutoFillBackground(true);
            expectWritten(renderSample(row, QSize(476, 0), code, a, "update-row-available"));
        }
    }
    // The other states of the row, in English.
    for (auto a : kAppearances) {
        {
            UpdateChecker& up = restart(7);
            drain();
            UpdateSettingsRow row(up);
            row.setAutoFillBackground(true);
            expectWritten(renderSample(row, QSize(476, 0), "en", a, "update-row-uptodate"));
        }
        {
            prefs->setValue(APIClient::kServerURLKey, QStringLiteral("http://127.0.0.1:%1").arg(LocalHttpServer::refusedPort()));
            UpdateChecker& failing = start();
            drain();
            failing.checkNow(true);
            drain();
            UpdateSettingsRow row(failing);
            row.setAutoFillBackground(true);
            expectWritten(renderSample(row, QSize(476, 0), "en", a, "update-row-error"));
            HttpAnswer held = HttpAnswer::json(versionDocument(7));
            held.hold = true;
            answer(held);
            prefs->setValue(APIClient::kServerURLKey, server.url().toString());
            const qsizetype before = requests();
            failing.checkNow(false);
            ASSERT_TRUE(LocalHttpServer::waitUntil([&] { return requests() == before + 1; }));
            expectWritten(renderSample(row, QSize(476, 0), "en", a, "update-row-checking"));
            server.releaseHeld();
            drain();
            answer(HttpAnswer::json(versionDocument(7)));
        }
    }
}

}  // namespace
