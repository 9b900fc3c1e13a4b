// Every text the code looks up is a key of the English table; every other table
// translates only those keys and keeps their placeholders.
#include "platform/i18n/Localization.h"

#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {
QJsonObject table(const QString& code)
{
    QFile f(QStringLiteral(QRL_SOURCE_DIR "/resources/i18n/%1.json").arg(code));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QJsonDocument::fromJson(f.readAll()).object();
}

QString unescape(const QString& literal)
{
    QString out;
    for (qsizetype i = 0; i < literal.size(); ++i) {
        if (literal[i] == '\\' && i + 1 < literal.size()) {
            const QChar n = literal[++i];
            if (n == 'n') out += '\n';
            else if (n == 't') out += '\t';
            else if (n == 'u' && i + 4 < literal.size()) {
                out += QChar(char16_t(literal.mid(i + 1, 4).toUShort(nullptr, 16)));
                i += 4;
            } else out += n;
        } else {
            out += literal[i];
        }
    }
    return out;
}

QStringList placeholders(const QString& s)
{
    static const QRegularExpression re(QStringLiteral(R"(%(?:\d+\$)?(@|l{0,2}[diu]))"));
    QStringList found;
    for (auto it = re.globalMatch(s); it.hasNext();) found << it.next().captured(1);
    found.sort();
    return found;
}
}  // namespace

TEST(StringTables, EveryLookedUpLiteralIsAnEnglishKey)
{
    const QJsonObject en = table("en");
    ASSERT_FALSE(en.isEmpty());
    static const QRegularExpression call(QStringLiteral(R"re((?:(?:\.|->)(?:tr|trPlural|text)|QRL_KEY)\(\s*"((?:[^"\\]|\\.)*)"\s*[,)])re"));
    QStringList missing;
    QDirIterator it(QStringLiteral(QRL_SOURCE_DIR "/src"), {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        for (auto m = call.globalMatch(text); m.hasNext();) {
            const QString key = unescape(m.next().captured(1));
            if (!en.contains(key)) missing << key;
        }
    }
    missing.removeDuplicates();
    EXPECT_TRUE(missing.isEmpty()) << "not in en.json (run scripts/update-strings): "
                                   << missing.join(" | ").toStdString();
}

namespace {
// Placeholders must match the key's; a plural form other than "other" may leave the count
// out ("one hour", "فحص واحد"), but brings in nothing the key lacks.
void expectPlaceholdersMatch(const char* code, const QString& key, const QJsonValue& value)
{
    const QStringList wanted = placeholders(key);
    if (!value.isObject()) {
        EXPECT_EQ(placeholders(value.toString()), wanted) << code << ": " << key.toStdString();
        return;
    }
    const QJsonObject forms = value.toObject();
    for (auto f = forms.begin(); f != forms.end(); ++f) {
        const QStringList got = placeholders(f.value().toString());
        if (f.key() == QLatin1String("other")) {
            EXPECT_EQ(got, wanted) << code << ": " << key.toStdString() << " [other]";
        } else {
            QStringList rest = wanted;
            for (const QString& g : got) EXPECT_TRUE(rest.removeOne(g)) << code << ": " << key.toStdString() << " [" << f.key().toStdString() << "]";
        }
    }
}

void expectPluralCategories(const char* code, const QString& key, const QJsonValue& value)
{
    if (!value.isObject()) return;
    const QStringList needed = StringTable::pluralCategories(Localization::composeLocaleId(code, "en_US"));
    const QJsonObject forms = value.toObject();
    for (const QString& c : needed)
        EXPECT_TRUE(forms.contains(c)) << code << ": " << key.toStdString() << " lacks the plural form " << c.toStdString();
    for (auto f = forms.begin(); f != forms.end(); ++f)
        EXPECT_TRUE(needed.contains(f.key()) || f.key() == QLatin1String("zero")) << code << ": " << key.toStdString() << " has a form the language does not use: " << f.key().toStdString();
}
}  // namespace

TEST(StringTables, EnglishPluralEntriesHaveEnglishForms)
{
    const QJsonObject en = table("en");
    for (auto e = en.begin(); e != en.end(); ++e) {
        expectPlaceholdersMatch("en", e.key(), e.value());
        expectPluralCategories("en", e.key(), e.value());
    }
}

TEST(StringTables, TranslationsCoverOnlyEnglishKeysWithTheSamePlaceholders)
{
    const QJsonObject en = table("en");
    for (const char* code : {"ar", "fr", "es", "de", "it", "pt-BR", "ru", "tr", "zh-Hans", "ja", "ko", "hi"}) {
        QFile f(QStringLiteral(QRL_SOURCE_DIR "/resources/i18n/%1.json").arg(code));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << code;
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << code;
        const QJsonObject t = doc.object();
        for (auto e = t.begin(); e != t.end(); ++e) {
            EXPECT_TRUE(en.contains(e.key())) << code << ": " << e.key().toStdString();
            expectPlaceholdersMatch(code, e.key(), e.value());
            expectPluralCategories(code, e.key(), e.value());
        }
        EXPECT_NE(StringTable::forCode(code), nullptr) << code;  // compiled in
    }
}

// Nothing falls back to English by accident: every table translates every key.
TEST(StringTables, EveryTableTranslatesEveryEnglishKey)
{
    const QJsonObject en = table("en");
    for (const char* code : {"ar", "fr", "es", "de", "it", "pt-BR", "ru", "tr", "zh-Hans", "ja", "ko", "hi"}) {
        const QJsonObject t = table(code);
        QStringList missing;
        for (auto e = en.begin(); e != en.end(); ++e)
            if (!t.contains(e.key())) missing << e.key();
        EXPECT_TRUE(missing.isEmpty()) << code << " lacks " << missing.size() << ": " << missing.join(" | ").toStdString();
    }
}
