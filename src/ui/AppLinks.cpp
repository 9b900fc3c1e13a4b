#include "ui/AppLinks.h"

#include "BuildConfig.h"

namespace AppLinks {

Links make(const QString& websiteUrl, const QString& supportEmail)
{
    // Only scheme and host of the configured address count: the three pages share them
    // and carry no query or fragment, whatever the configuration adds.
    const QUrl configured(websiteUrl, QUrl::StrictMode);
    QUrl root;
    root.setScheme(configured.scheme());
    root.setHost(configured.host());
    if (configured.port() != -1) root.setPort(configured.port());
    root.setPath(QStringLiteral("/"));
    auto page = [&](const char* path) {
        QUrl u = root;
        u.setPath(QString::fromLatin1(path));
        return u;
    };
    QUrl mail;
    mail.setScheme(QStringLiteral("mailto"));
    mail.setPath(supportEmail);
    return Links{root, page("/terms"), page("/privacy"), mail};
}

namespace {
const Links& links()
{
    static const Links l = make(QString::fromUtf8(BuildConfig::websiteUrl), QString::fromUtf8(BuildConfig::supportEmail));
    return l;
}
}  // namespace

const QUrl& website() { return links().website; }
const QUrl& terms() { return links().terms; }
const QUrl& privacy() { return links().privacy; }
const QUrl& contact() { return links().contact; }

}  // namespace AppLinks
