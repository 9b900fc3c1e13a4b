#pragma once

#include <QUrl>

// The maker's addresses the application offers outside itself, from the build's
// configuration: the product web site, its terms and privacy pages on the same host,
// and a mail link to the support address.
namespace AppLinks {
const QUrl& website();
const QUrl& terms();
const QUrl& privacy();
const QUrl& contact();

// The four built from explicit values (the constants use the build configuration).
struct Links {
    QUrl website, terms, privacy, contact;
};
Links make(const QString& websiteUrl, const QString& supportEmail);
}  // namespace AppLinks
