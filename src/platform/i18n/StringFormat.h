#pragma once

#include <QString>
#include <QStringView>

#include <initializer_list>

// A value for a placeholder: a text or an integer (written in plain decimal).
class FormatArg {
public:
    FormatArg(const QString& s) : text_(s) {}
    FormatArg(const char* s) : text_(QString::fromUtf8(s)) {}
    FormatArg(qint64 n) : text_(QString::number(n)) {}
    FormatArg(int n) : text_(QString::number(n)) {}
    FormatArg(long n) : text_(QString::number(n)) {}
    FormatArg(unsigned n) : text_(QString::number(n)) {}
    const QString& text() const { return text_; }

private:
    QString text_;
};

// Fills "%@", "%lld", "%d" (and the other integer forms), positional "%2$@" and "%%"
// in one pass: a value that itself contains a placeholder is never substituted again.
QString formatString(QStringView pattern, std::initializer_list<FormatArg> args);

// Wraps a datum from outside (a version from the server, a name from the machine) in a
// first-strong isolate, so its own direction controls and its script can never reorder
// the sentence it is put into. Empty stays empty.
QString isolated(QStringView datum);
