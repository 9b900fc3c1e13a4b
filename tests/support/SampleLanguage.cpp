#include "support/SampleLanguage.h"

#include "support/Render.h"
#include "ui/UiLanguage.h"

#include <QApplication>
#include <QFile>
#include <QLayout>
#include <QWidget>

#include <map>
#include <memory>

Localization sampleLocalization(const QString& code)
{
    static std::map<QString, std::unique_ptr<StringTable>> tables;
    Localization l = Localization::forCode(code, QStringLiteral("en_US"));
    if (code == QStringLiteral("en")) return l;
    auto it = tables.find(code);
    if (it == tables.end()) {
        QFile f(QStringLiteral(QRL_FIXTURES_DIR "/i18n-samples/%1.json").arg(code));
        auto table = std::make_unique<StringTable>(f.open(QIODevice::ReadOnly) ? StringTable::fromJson(f.readAll()) : StringTable());
        it = tables.emplace(code, std::move(table)).first;
    }
    l.table = it->second.get();
    return l;
}

void sendLanguageChange(QWidget* widget)
{
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(widget, &change);
    for (QWidget* w : widget->findChildren<QWidget*>()) QCoreApplication::sendEvent(w, &change);
}

QString renderSample(QWidget& widget, QSize size, const QString& code, Theme::Appearance appearance, const QString& name)
{
    const Localization l = sampleLocalization(code);
    UiLanguage::Override lang(l);
    Theme::setForcedAppearance(appearance);
    widget.setLayoutDirection(l.layoutDirection());
    widget.setPalette(Theme::palette(appearance));
    if (widget.isWindow()) widget.setAutoFillBackground(true);
    sendLanguageChange(&widget);
    const bool wasVisible = widget.isVisible();
    if (!wasVisible) widget.show();
    QApplication::processEvents();
    if (size.height() <= 0) {
        widget.resize(size.width(), 100);
        if (widget.layout()) widget.layout()->activate();
        int h = widget.hasHeightForWidth() ? widget.heightForWidth(size.width()) : -1;
        if (h <= 0 && widget.layout()) h = widget.layout()->totalHeightForWidth(size.width());
        if (h <= 0) h = widget.sizeHint().height();
        size.setHeight(h);
    }
    if (widget.isWindow() && (widget.minimumSize() == widget.maximumSize())) size = widget.size();
    else widget.resize(size);
    QApplication::processEvents();
    if (widget.layout()) widget.layout()->activate();
    QApplication::processEvents();
    const QImage image = widget.grab().toImage();
    if (!wasVisible) widget.hide();
    const QString path = QStringLiteral("%1/%2-%3-%4.png")
                             .arg(artifactsDir(), name, code,
                                  appearance == Theme::Appearance::Dark ? QStringLiteral("dark") : QStringLiteral("light"));
    image.save(path);
    return path;
}
