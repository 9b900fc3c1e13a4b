#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

// A streaming JSON writer whose output is fixed byte for byte, for files other programs compare or
// diff. QJsonDocument cannot serve: it sorts keys, indents by four and never escapes "/".
//
// The layout follows Foundation's JSONEncoder:
//  - strings: UTF-8, characters beyond ASCII written as they are; escaped are '"', '\\', '/' (as "\/",
//    unless turned off), \b \f \n \r \t, and the other control characters as \u00xx (lower-case hex);
//  - compact: no white space at all;
//  - pretty: one member or element per line, two spaces per level, " : " between key and value,
//    empty containers as "[\n\n]" / "{\n\n}" (closing bracket indented), no final line feed;
//  - integers in decimal; doubles in their shortest round-trip form ("1", "0.5", "1e-07", "1e+16");
//    a non-finite double cannot be written and fails the document.
//
// Object keys appear in the order the caller writes them. Misuse (a value without a key inside an
// object, a key inside an array, unbalanced containers, a second top-level value) fails the
// document: ok() turns false and data() should not be used.
class JsonWriter {
public:
    enum class Layout { compact, pretty };
    struct Options {
        Layout layout = Layout::compact;
        bool escapeSlashes = true;
    };

    JsonWriter() : JsonWriter(Options{}) {}
    explicit JsonWriter(Options options);

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();

    // Names the next value; only inside an object.
    void key(QStringView name);

    void string(QStringView text);
    void integer(qint64 n);
    void number(double d);
    void boolean(bool b);
    void null();
    // A value that is already JSON text, written as it stands (for instance one cached element of an
    // array). The caller vouches for it; only compact text belongs in a compact document.
    void raw(const QByteArray& json);

    // Shorthands for one object member.
    void member(QStringView name, QStringView text) { key(name); string(text); }
    void member(QStringView name, const QString& text) { key(name); string(text); }
    void member(QStringView name, const char* text) = delete;  // say QStringLiteral: no silent bool
    void memberBool(QStringView name, bool b) { key(name); boolean(b); }
    void memberInt(QStringView name, qint64 n) { key(name); integer(n); }

    // True while the document is well formed so far; complete() also needs every container closed
    // and one top-level value written.
    bool ok() const { return !failed_; }
    bool complete() const { return !failed_ && stack_.isEmpty() && wroteTop_; }
    const QByteArray& data() const { return out_; }
    QByteArray take() { return std::move(out_); }

    // The quoted, escaped form of one string.
    static QByteArray quoted(QStringView text, bool escapeSlashes = true);
    static void appendQuoted(QByteArray& out, QStringView text, bool escapeSlashes);
    // The shortest text that reads back as the same double, in Foundation's form; empty when not finite.
    static QByteArray formatDouble(double d);

private:
    struct Level {
        bool isObject = false;
        int count = 0;
        bool keyPending = false;
    };
    bool beforeValue();
    void open(char bracket, bool isObject);
    void close(char bracket, bool isObject);
    void newlineAndIndent(qsizetype depth);

    Options options_;
    QByteArray out_;
    QList<Level> stack_;
    bool wroteTop_ = false;
    bool failed_ = false;
};
