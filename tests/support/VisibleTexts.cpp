#include "support/VisibleTexts.h"

#include "platform/i18n/Localization.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QSet>
#include <QTextDocumentFragment>
#include <QWidget>

namespace {

// `mnemonic`: the text marks its access key with "&" (buttons, actions, menus).
QString clean(QString text, bool mnemonic)
{
    if (Qt::mightBeRichText(text)) text = QTextDocumentFragment::fromHtml(text).toPlainText();
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));  // an action's shortcut
    if (tab >= 0) text.truncate(tab);
    if (mnemonic) {
        text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
        text.remove(QLatin1Char('&'));
        text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    }
    return text.trimmed();
}

void add(QStringList& out, const QString& text, bool mnemonic = false)
{
    const QString t = clean(text, mnemonic);
    if (!t.isEmpty()) out << t;
}

void addActions(QStringList& out, const QList<QAction*>& actions, QSet<const QMenu*>& seen)
{
    for (const QAction* a : actions) {
        if (a->isSeparator()) continue;
        add(out, a->text(), true);
        add(out, a->toolTip());
        add(out, a->iconText());
        if (const QMenu* m = a->menu(); m && !seen.contains(m)) {
            seen.insert(m);
            add(out, m->title(), true);
            addActions(out, m->actions(), seen);
        }
    }
}

// "%1$@", "%lld", "%@" and the like.
const QRegularExpression& placeholder()
{
    static const QRegularExpression re(QStringLiteral(R"(%(?:\d+\$)?(?:@|l{0,2}[diu]))"));
    return re;
}

// The wording with each placeholder standing for any text; none for a wording that is
// nothing but placeholders, spaces and signs.
std::optional<QRegularExpression> patternOf(const QString& wording)
{
    QString letters = wording;
    letters.remove(placeholder());
    if (!letters.contains(QRegularExpression(QStringLiteral(R"(\p{L}{2,})")))) return std::nullopt;
    QString pattern;
    qsizetype last = 0;
    for (auto it = placeholder().globalMatch(wording); it.hasNext();) {
        const auto m = it.next();
        pattern += QRegularExpression::escape(wording.mid(last, m.capturedStart() - last)) + QStringLiteral("(.+)");
        last = m.capturedEnd();
    }
    pattern += QRegularExpression::escape(wording.mid(last));
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern),
                              QRegularExpression::DotMatchesEverythingOption);
}

QStringList formsOf(const StringTable* table, const QString& key)
{
    if (!table) return {};
    if (auto it = table->plurals().constFind(key); it != table->plurals().constEnd()) return it->values();
    if (auto it = table->entries().constFind(key); it != table->entries().constEnd()) return {*it};
    return {};
}

}  // namespace

QStringList visibleTexts(const QWidget* root)
{
    QStringList out;
    QSet<const QMenu*> seen;
    QList<const QWidget*> widgets{root};
    for (const QWidget* w : root->findChildren<QWidget*>()) widgets << w;
    for (const QWidget* w : widgets) {
        if (w != root && !w->isVisibleTo(root)) continue;
        if (w->isWindow()) add(out, w->windowTitle());
        if (auto* l = qobject_cast<const QLabel*>(w)) add(out, l->text());
        if (auto* b = qobject_cast<const QAbstractButton*>(w)) add(out, b->text(), true);
        if (auto* e = qobject_cast<const QLineEdit*>(w)) add(out, e->placeholderText());
        if (auto* c = qobject_cast<const QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i) add(out, c->itemText(i));
        add(out, w->toolTip());
        add(out, w->accessibleName());
        add(out, w->accessibleDescription());
        addActions(out, w->actions(), seen);
    }
    return out;
}

QStringList menuTexts(const QMenu* menu)
{
    QStringList out;
    QSet<const QMenu*> seen{menu};
    add(out, menu->title(), true);
    addActions(out, menu->actions(), seen);
    return out;
}

EnglishLeftovers::EnglishLeftovers(const QString& code) : code_(code)
{
    const StringTable* en = StringTable::forCode(QStringLiteral("en"));
    const StringTable* table = StringTable::forCode(code);
    if (!en) return;
    QStringList keys = en->entries().keys();
    keys << en->plurals().keys();
    for (const QString& key : keys) {
        const QStringList theirs = formsOf(table, key);
        for (const QString& form : theirs) {
            translated_.insert(form);
            if (auto p = patternOf(form)) translatedPatterns_ << *p;
        }
        QStringList forms = formsOf(en, key);
        forms << key;
        for (const QString& form : std::as_const(forms)) {
            // A wording the language keeps as it is ("OK", "GPU", "Markdown") is not English left over.
            if (theirs.contains(form)) continue;
            if (placeholder().match(form).hasMatch()) {
                if (auto p = patternOf(form)) englishPatterns_ << *p;
            } else {
                english_.insert(form);
            }
        }
    }
}

bool EnglishLeftovers::isEnglish(const QString& text) const
{
    if (translated_.contains(text)) return false;
    if (english_.contains(text)) return true;
    for (const QRegularExpression& p : englishPatterns_) {
        if (!p.match(text).hasMatch()) continue;
        for (const QRegularExpression& t : translatedPatterns_)
            if (t.match(text).hasMatch()) return false;
        return true;
    }
    return false;
}

QStringList EnglishLeftovers::find(const QStringList& texts) const
{
    QStringList found;
    for (const QString& text : texts)
        if (!found.contains(text) && isEnglish(text)) found << text;
    return found;
}

QStringList EnglishLeftovers::documentFragments(const QString& document)
{
    static const QRegularExpression cut(QStringLiteral(R"(\s*(?:\||: | · |\t)\s*)"));
    static const QRegularExpression lead(QStringLiteral(R"(^(?:[#>*\-+]+\s*|[✓✗⚠ℹ•✔✘]\s*|\[[ x]\]\s*)+)"));
    QStringList out;
    for (QString line : document.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty()) continue;
        out << line;
        for (QString part : line.split(cut, Qt::SkipEmptyParts)) {
            part.remove(lead);
            part = part.trimmed();
            part.remove(QRegularExpression(QStringLiteral(R"(^\*\*|\*\*$|^_|_$)")));
            if (!part.isEmpty()) out << part.trimmed();
        }
    }
    return out;
}
