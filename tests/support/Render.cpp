#include "support/Render.h"

#include "platform/i18n/Localization.h"
#include "ui/UiLanguage.h"

#include <QApplication>
#include <QDir>
#include <QLayout>
#include <QWidget>

QString artifactsDir()
{
    QString dir = qEnvironmentVariable("QRL_ARTIFACTS_DIR");
    if (dir.isEmpty()) dir = QCoreApplication::applicationDirPath() + QStringLiteral("/../artifacts");
    QDir().mkpath(dir);
    return QDir(dir).absolutePath();
}

QImage grabWidget(QWidget& widget, QSize size, const QString& language, Theme::Appearance appearance)
{
    const Localization l = Localization::forCode(language, QStringLiteral("en_US"));
    UiLanguage::Override lang(l);
    Theme::setForcedAppearance(appearance);
    widget.setLayoutDirection(l.layoutDirection());
    widget.setPalette(Theme::palette(appearance));
    if (widget.isWindow()) widget.setAutoFillBackground(true);
    widget.resize(size);
    const bool wasVisible = widget.isVisible();
    if (!wasVisible) widget.show();
    QApplication::processEvents();
    if (widget.layout()) widget.layout()->activate();
    QApplication::processEvents();
    QImage image = widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    if (!wasVisible) widget.hide();
    return image;
}

QString renderToPng(QWidget& widget, QSize size, const QString& language, Theme::Appearance appearance, const QString& name)
{
    const QImage image = grabWidget(widget, size, language, appearance);
    QString base = name.isEmpty() ? widget.objectName() : name;
    if (base.isEmpty()) base = QStringLiteral("widget");
    const QString path = QStringLiteral("%1/%2-%3-%4.png")
                             .arg(artifactsDir(), base, language,
                                  appearance == Theme::Appearance::Dark ? QStringLiteral("dark") : QStringLiteral("light"));
    image.save(path);
    return path;
}
