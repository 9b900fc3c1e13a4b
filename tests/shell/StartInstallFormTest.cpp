#include "shell/MainWindowIcons.h"

#include <QFile>
#include <QImage>
#include <QSettings>
#include <QSvgRenderer>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

// What `cmake --install` puts in place: a desktop entry, hicolor icons and AppStream metainfo
// that name each other consistently.
namespace {
const QString kLinux = QStringLiteral(QRL_SOURCE_DIR "/resources/linux/");
const QString kIcons = QStringLiteral(QRL_SOURCE_DIR "/resources/icons/");
const QString kAppId = QStringLiteral("com.lumbrel.Quorlent");

QHash<QString, QString> desktopEntry()
{
    QHash<QString, QString> entry;
    QFile f(kLinux + kAppId + ".desktop");
    if (!f.open(QIODevice::ReadOnly)) return entry;
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
    if (lines.value(0) != "[Desktop Entry]") return entry;
    for (const QString& line : lines.mid(1)) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0) entry.insert(line.left(eq), line.mid(eq + 1));
    }
    return entry;
}
}  // namespace

TEST(StartInstallForm, DesktopEntryStartsTheBinaryWithTheIcon)
{
    const auto entry = desktopEntry();
    ASSERT_FALSE(entry.isEmpty());
    EXPECT_EQ(entry.value("Type"), "Application");
    EXPECT_EQ(entry.value("Name"), "Quorlent");
    EXPECT_EQ(entry.value("Exec"), "quorlent");
    EXPECT_EQ(entry.value("Icon"), kAppId);
    EXPECT_EQ(entry.value("Terminal"), "false");
    EXPECT_TRUE(entry.value("Categories").endsWith(';'));
    // The window class Qt gives the main window, so docks match windows to the entry.
    EXPECT_EQ(entry.value("StartupWMClass"), "Quorlent");
}

TEST(StartInstallForm, IconsForEveryHicolorSize)
{
    QSvgRenderer svg(kIcons + "quorlent.svg");
    EXPECT_TRUE(svg.isValid());
    for (int size : {16, 24, 32, 48, 64, 128, 256, 512}) {
        const QImage png(kIcons + QStringLiteral("quorlent-%1.png").arg(size));
        ASSERT_FALSE(png.isNull()) << size;
        EXPECT_EQ(png.size(), QSize(size, size));
        EXPECT_TRUE(png.hasAlphaChannel());
        EXPECT_EQ(qAlpha(png.pixel(0, 0)), 0) << size;  // the rounded corner is transparent
    }
}

TEST(StartInstallForm, MetainfoNamesTheDesktopEntry)
{
    QFile f(kLinux + kAppId + ".metainfo.xml");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&f);
    QHash<QString, QString> texts;
    QString rootType;
    QStringList path;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            path << xml.name().toString();
            if (path.size() == 1) rootType = path[0] + "/" + xml.attributes().value("type").toString();
        } else if (xml.isEndElement()) {
            path.removeLast();
        } else if (xml.isCharacters() && !xml.isWhitespace()) {
            texts[path.join('/')] += xml.text().toString();
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(rootType, "component/desktop-application");
    EXPECT_EQ(texts.value("component/id"), kAppId);
    EXPECT_EQ(texts.value("component/launchable"), kAppId + ".desktop");
    EXPECT_EQ(texts.value("component/name"), "Quorlent");
    EXPECT_EQ(texts.value("component/provides/binary"), "quorlent");
}

TEST(StartInstallForm, WindowsAndTrayUseTheApplicationIcon)
{
    const QImage icon = MainWindowIcons::application().pixmap(32).toImage();
    ASSERT_FALSE(icon.isNull());
    // The tile's indigo-to-blue, not an empty or fallback picture.
    const QColor centreLeft = icon.pixelColor(6, 16);
    EXPECT_GT(centreLeft.blue(), 180);
    EXPECT_GT(centreLeft.alpha(), 200);
}
