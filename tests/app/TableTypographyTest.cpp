// The typography of the translated tables: each language's quotation marks and ellipsis, and
// French punctuation kept off the end of a line by its no-break space.
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

const QStringList kLanguages = {"ar", "fr", "es", "de", "it", "pt-BR", "ru", "tr", "zh-Hans", "ja", "ko", "hi"};

// Every text of a table with its key: plain entries, and each form of a plural entry.
QList<std::pair<QString, QString>> texts(const QString& code)
{
    QFile f(QStringLiteral(QRL_SOURCE_DIR "/resources/i18n/%1.json").arg(code));
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QJsonObject table = QJsonDocument::fromJson(f.readAll()).object();
    QList<std::pair<QString, QString>> out;
    for (auto it = table.begin(); it != table.end(); ++it) {
        if (it->isObject()) {
            const QJsonObject forms = it->toObject();
            for (auto form = forms.begin(); form != forms.end(); ++form) out.append({it.key(), form->toString()});
        } else {
            out.append({it.key(), it->toString()});
        }
    }
    return out;
}

TEST(TableTypography, QuotesAndEllipsesAreTypographic)
{
    for (const QString& code : kLanguages) {
        const auto all = texts(code);
        ASSERT_FALSE(all.isEmpty()) << code.toStdString();
        for (const auto& [key, text] : all) {
            const std::string where = code.toStdString() + ": " + key.toStdString();
            EXPECT_FALSE(text.contains(QLatin1Char('"'))) << where;
            EXPECT_FALSE(text.contains(QLatin1Char('\''))) << where;
            EXPECT_FALSE(text.contains(QStringLiteral("..."))) << where;
            // A command that opens a dialog says so in every language.
            if (key.endsWith(QChar(0x2026))) {
                EXPECT_TRUE(text.endsWith(QChar(0x2026))) << where;
            }
        }
    }
}

TEST(TableTypography, FrenchPunctuationHoldsToItsWord)
{
    const QChar nbsp(0x00A0), narrow(0x202F);
    auto isNoBreak = [&](QChar c) { return c == nbsp || c == narrow; };
    // ":" "?" "!" ";" and the closing guillemet follow a no-break space; the opening one is
    // followed by one; a percentage after a number too. Placeholders' own signs do not count.
    static const QRegularExpression mark(QStringLiteral(R"([:?!;»]|%(?![\d@l]))"));
    for (const auto& [key, text] : texts(QStringLiteral("fr"))) {
        const std::string where = key.toStdString() + " → " + text.toStdString();
        for (auto it = mark.globalMatch(text); it.hasNext();) {
            const auto m = it.next();
            const qsizetype at = m.capturedStart();
            if (at == 0) continue;
            EXPECT_TRUE(isNoBreak(text[at - 1])) << where;
        }
        for (qsizetype at = text.indexOf(QChar(0x00AB)); at >= 0; at = text.indexOf(QChar(0x00AB), at + 1))
            EXPECT_TRUE(at + 1 < text.size() && isNoBreak(text[at + 1])) << where;
    }
}

}  // namespace
