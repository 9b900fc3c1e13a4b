#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <utility>
#include <variant>

// The report as a JSON value tree, encoded by the shared byte-exact writer with keys in
// byte order (the history file needs the caller's order, the report a sorted one).
namespace ReportJson {

struct Value;
using Member = std::pair<QString, Value>;
using Object = QList<Member>;
using Array = QList<Value>;

struct Value {
    std::variant<std::monostate, bool, qint64, QString, std::shared_ptr<Array>, std::shared_ptr<Object>> data;

    Value() = default;
    Value(bool b) : data(b) {}
    Value(qint64 n) : data(n) {}
    Value(int n) : data(qint64(n)) {}
    Value(const QString& s) : data(s) {}
    Value(const char* s) : data(QString::fromUtf8(s)) {}
    Value(Array a) : data(std::make_shared<Array>(std::move(a))) {}
    Value(Object o) : data(std::make_shared<Object>(std::move(o))) {}
};

struct Options {
    bool pretty = true;        // one member per line, two spaces per level, " : "
    bool sortKeys = true;      // object keys in byte order of their UTF-8 form
    bool escapeSlashes = false;
};

// The UTF-8 text of the value. Never fails: every tree has a representation.
QByteArray encode(const Value& value, const Options& options = {});

}  // namespace ReportJson
