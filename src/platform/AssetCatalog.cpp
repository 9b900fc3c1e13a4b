#include "platform/AssetCatalog.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>

namespace AssetCatalog {

std::optional<QColor> color(const QString& name, Appearance appearance)
{
    static QMutex mutex;
    static QJsonObject catalogue;
    static bool loaded = false;
    QMutexLocker lock(&mutex);
    if (!loaded) {
        loaded = true;
        QFile f(QStringLiteral(":/colors/colors.json"));
        if (f.open(QIODevice::ReadOnly)) catalogue = QJsonDocument::fromJson(f.readAll()).object();
    }
    const QJsonObject entry = catalogue.value(name).toObject();
    const QString text = entry.value(appearance == Appearance::Dark ? "dark" : "light").toString();
    QColor c = QColor::fromString(text);
    if (!c.isValid()) return std::nullopt;
    return c;
}

}  // namespace AssetCatalog
