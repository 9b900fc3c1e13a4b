#pragma once

// What a user can read or hear in a widget tree: label and button texts, actions (menus and
// toolbars, with their submenus), field placeholders, combo box entries, tooltips, accessible
// names and descriptions, window titles. Painted widgets take part through their accessible
// names. Hidden widgets are left out; texts come back trimmed, without mnemonics or shortcuts.
#include <QList>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>

class QMenu;
class QWidget;

QStringList visibleTexts(const QWidget* root);
QStringList menuTexts(const QMenu* menu);

// Finds English left in a language's interface: texts that read exactly as an English key's
// wording (or a wording with placeholders filled in) where that language's table translates
// the key differently. Texts that are also a translation in the language pass.
class EnglishLeftovers {
public:
    explicit EnglishLeftovers(const QString& code);
    // The offending texts of `texts`, each once.
    QStringList find(const QStringList& texts) const;
    // Lines of a plain-text or Markdown document, cut at the separators the reports use.
    static QStringList documentFragments(const QString& document);

private:
    bool isEnglish(const QString& text) const;
    QString code_;
    QSet<QString> english_;
    QSet<QString> translated_;
    QList<QRegularExpression> englishPatterns_;
    QList<QRegularExpression> translatedPatterns_;
};
