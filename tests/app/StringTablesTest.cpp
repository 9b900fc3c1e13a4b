// Every text the code looks up is a key of the English table; every other table
// translates only those keys and keeps their placeholders.
#include "platform/i18n/LocaleFormat.h"
#include "platform/i18n/Localization.h"
#include "platform/i18n/StringFormat.h"

#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <array>

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
    static const QRegularExpression contextCall(
        QStringLiteral(R"re(QRL_CTX\(\s*"((?:[^"\\]|\\.)*)"\s*,\s*"((?:[^"\\]|\\.)*)"\s*\))re"));
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
        for (auto m = contextCall.globalMatch(text); m.hasNext();) {
            const auto found = m.next();
            const QString key = unescape(found.captured(1)) + QChar(0x0004) + unescape(found.captured(2));
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

// A text with a context ("Battery health" U+0004 "Good") keeps its English words in en.json,
// and every table fills every context, so each can agree with its row's label.
TEST(StringTables, EveryTableFillsEveryContext)
{
    const QJsonObject en = table("en");
    QStringList contexts;
    for (auto e = en.begin(); e != en.end(); ++e) {
        const qsizetype cut = e.key().indexOf(QChar(0x0004));
        if (cut < 0) continue;
        contexts << e.key();
        EXPECT_GT(cut, 0) << "empty context: " << e.key().toStdString();
        const QString text = e.key().mid(cut + 1);
        if (e.value().isString()) {
            EXPECT_EQ(e.value().toString(), text) << e.key().toStdString();
        }
    }
    // The rows whose one English word needs a form of its own per label.
    for (const char* key : {QRL_CTX("Battery health", "Good"), QRL_CTX("Thermal state", "Warm"), QRL_CTX("Display", "Built-in"),
                            QRL_CTX("Camera", "None"), QRL_CTX("Microphone", "None"), QRL_CTX("Low Power Mode", "On"),
                            QRL_CTX("Apple Intelligence", "Ready"), QRL_CTX("Camera permission", "Not requested yet")})
        EXPECT_TRUE(contexts.contains(QString::fromUtf8(key))) << key;
    for (const char* code : {"ar", "fr", "es", "de", "it", "pt-BR", "ru", "tr", "zh-Hans", "ja", "ko", "hi"}) {
        const QJsonObject t = table(code);
        const StringTable* compiled = StringTable::forCode(code);
        ASSERT_NE(compiled, nullptr) << code;
        for (const QString& key : std::as_const(contexts)) {
            EXPECT_TRUE(t.contains(key) && (t.value(key).isObject() || !t.value(key).toString().isEmpty()))
                << code << " lacks the context " << key.toStdString();
            EXPECT_TRUE(compiled->contains(key)) << code << ": " << key.toStdString();
        }
    }
    // Agreement the review asked for, through the compiled tables.
    auto tr = [](const char* code, const char* key) { return StringTable::forCode(code)->lookup(QString::fromUtf8(key)); };
    EXPECT_EQ(tr("fr", QRL_CTX("Battery health", "Good")), "Bonne");
    EXPECT_EQ(tr("es", QRL_CTX("Display", "Built-in")), "Integrada");
    EXPECT_EQ(tr("it", QRL_CTX("Low Power Mode", "Off")), "Disattivata");
    EXPECT_EQ(tr("ar", QRL_CTX("Thermal state", "Hot")), QString::fromUtf8("ساخنة"));
    EXPECT_NE(tr("it", QRL_CTX("Camera", "None")), tr("it", QRL_CTX("Microphone", "None")));
}

// Each count takes its own plural form, and its digits are the interface locale's.
TEST(StringTables, CountPhrasesForEachNumber)
{
    struct Case {
        const char* code;
        const char* key;
        std::array<const char*, 5> expected;  // for 0, 1, 2, 5, 21
    };
    const Case cases[] = {
        {"en", "%lld warnings", {"0 warnings", "1 warning", "2 warnings", "5 warnings", "21 warnings"}},
        {"en", "%lld supported", {"0 supported", "1 supported", "2 supported", "5 supported", "21 supported"}},
        {"en", "%lld cores", {"0 cores", "1 core", "2 cores", "5 cores", "21 cores"}},
        {"en", "%lld saved scans · pick two to compare",
         {"0 saved scans · pick two to compare", "1 saved scan · pick two to compare", "2 saved scans · pick two to compare",
          "5 saved scans · pick two to compare", "21 saved scans · pick two to compare"}},
        {"de", "%lld warnings", {"0 mit Warnung", "1 mit Warnung", "2 mit Warnung", "5 mit Warnung", "21 mit Warnung"}},
        {"de", "%lld cores", {"0 Kerne", "1 Kern", "2 Kerne", "5 Kerne", "21 Kerne"}},
        {"de", "%lld results", {"0 Ergebnisse", "1 Ergebnis", "2 Ergebnisse", "5 Ergebnisse", "21 Ergebnisse"}},
        {"ru", "%lld cores", {"0 ядер", "1 ядро", "2 ядра", "5 ядер", "21 ядро"}},
        {"ru", "%lld results", {"0 результатов", "1 результат", "2 результата", "5 результатов", "21 результат"}},
        {"ru", "%lld warnings", {"Предупреждения: 0", "Предупреждения: 1", "Предупреждения: 2", "Предупреждения: 5", "Предупреждения: 21"}},
        {"ar", "%lld cores", {"لا أنوية", "نواة واحدة", "نواتان", "٥ أنوية", "٢١ نواة"}},
        {"ar", "%lld results", {"لا نتائج", "نتيجة واحدة", "نتيجتان", "٥ نتائج", "٢١ نتيجة"}},
        {"ar", "%lld warnings", {"تحذيرات: ٠", "تحذيرات: ١", "تحذيرات: ٢", "تحذيرات: ٥", "تحذيرات: ٢١"}},
    };
    const qint64 counts[] = {0, 1, 2, 5, 21};
    for (const Case& c : cases) {
        const Localization l = Localization::forCode(c.code, "en_US");
        for (size_t i = 0; i < 5; ++i) {
            const QString phrase = formatString(l.trPlural(c.key, double(counts[i])), {LocaleFormat::count(counts[i], l)});
            EXPECT_EQ(phrase, QString::fromUtf8(c.expected[i])) << c.code << " " << c.key << " " << counts[i];
        }
    }
}

namespace {
// The interface languages as the desktop entry and AppStream name them.
const char* const kDesktopLocales[] = {"ar", "fr", "es", "de", "it", "pt_BR", "ru", "tr", "zh_CN", "ja", "ko", "hi"};
}  // namespace

// What the desktop shows before the application runs (menus, software centres) speaks every
// interface language too.
TEST(StringTables, DesktopEntryAndMetainfoInEveryLanguage)
{
    QFile desktop(QStringLiteral(QRL_SOURCE_DIR "/resources/linux/com.lumbrel.Quorlent.desktop"));
    ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
    QHash<QString, QString> entry;
    for (const QByteArray& line : desktop.readAll().split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0 && !line.startsWith('#')) entry.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
    }
    for (const char* key : {"GenericName", "Comment", "Keywords"}) {
        ASSERT_TRUE(entry.contains(key)) << key;
        for (const char* locale : kDesktopLocales) {
            const QString localised = entry.value(QStringLiteral("%1[%2]").arg(key, locale));
            EXPECT_FALSE(localised.isEmpty()) << key << "[" << locale << "]";
            EXPECT_NE(localised, entry.value(key)) << key << "[" << locale << "] is the English text";
        }
    }
    EXPECT_TRUE(entry.value("Keywords[de]").endsWith(';'));

    QFile metainfo(QStringLiteral(QRL_SOURCE_DIR "/resources/linux/com.lumbrel.Quorlent.metainfo.xml"));
    ASSERT_TRUE(metainfo.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&metainfo);
    QHash<QString, QStringList> byLanguage;  // element → the languages it is written in ("" for English)
    QString element;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && (xml.name() == u"summary" || xml.name() == u"p" || xml.name() == u"name")) {
            element = xml.name().toString();
            byLanguage[element] << xml.attributes().value(QStringLiteral("xml:lang")).toString();
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(byLanguage.value("name"), QStringList{""});  // the product's name is the same in every language
    const qsizetype paragraphs = byLanguage.value("p").count(QString());
    EXPECT_GE(paragraphs, 1);
    for (const char* locale : kDesktopLocales) {
        EXPECT_EQ(byLanguage.value("summary").count(QString::fromLatin1(locale)), 1) << locale;
        EXPECT_EQ(byLanguage.value("p").count(QString::fromLatin1(locale)), paragraphs) << locale;
    }
}
