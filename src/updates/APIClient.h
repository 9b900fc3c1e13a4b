#pragma once

#include "updates/HttpTransport.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class Preferences;
struct Localization;

// A failed call to the update server, as the checker reports it.
struct APIError {
    enum class Code {
        network,      // the request did not complete
        badResponse,  // the server answered, but not with a usable document
    };

    Code code = Code::network;
    QString message;
    std::optional<int> httpStatus;

    bool operator==(const APIError&) const = default;
};

struct APISessionSettings {
    // Longest wait for the next bytes of an answer.
    std::chrono::milliseconds idleTimeout{20'000};
    // Longest time for the whole transfer, however steadily the bytes come.
    std::chrono::milliseconds transferTimeout{40'000};
    // A version document is a few kilobytes; a larger answer is not kept in memory.
    qint64 maxBodyBytes = 1 << 20;
    int maxRedirects = 10;
};

// The transport that carries every call to the update server: no cache, no cookies, no stored
// credentials, "Accept: application/json" on every request, and two time-outs. A request made
// without a network fails at once; nothing waits for connectivity. Redirects are followed, never
// from https down to http, and the final answer is the one judged.
class APISession : public QObject {
    Q_OBJECT
public:
    using Settings = APISessionSettings;
    using Completion = std::function<void(const APIResponse&)>;

    explicit APISession(Settings settings = {}, QObject* parent = nullptr);
    ~APISession() override;
    const Settings& settings() const { return settings_; }

    // Sends a GET for `url`. `done` runs once, on this object's thread, when the request ends;
    // it never runs once the session is destroyed. `requestTimeout` is the request's own idle
    // limit; the shorter of it and the session's applies.
    void get(const QUrl& url, std::chrono::milliseconds requestTimeout, Completion done);

    // Whether a finished reply's error (a QNetworkReply::NetworkError) means the request did
    // not complete, as opposed to an HTTP answer whose status Qt also reports as an error
    // (404, 500, ...).
    static bool isTransportFailure(int error, bool hasHttpStatus);

    // The transport module's file name, and the folders it is looked for in: beside the
    // executable, the installed location relative to it, then the build tree's.
    static QString transportFileName();
    static QStringList transportSearchPaths();

private:
    // Null when the module cannot be loaded: every request then fails as unreachable.
    HttpTransport* transport();

    Settings settings_;
    // Loaded and made at the first request: most of a run never needs the network stack.
    std::unique_ptr<HttpTransport> transport_;
    bool transportTried_ = false;
};

// What every call to the maker's update server shares.
class APIClient {
public:
    APIClient() = delete;

    // The built-in base address, from the build configuration.
    static const QUrl& defaultBaseURL();
    // The base address in use: the "QRLServerURL" preference when it holds an absolute
    // http(s) address with a host, else the built-in one. Read afresh on every call.
    static QUrl configuredBaseURL();
    static QUrl configuredBaseURL(const Preferences& preferences);

    static std::unique_ptr<APISession> makeSession(const APISession::Settings& settings = {});

    // The user-facing text for a failure, in the current interface language.
    static QString message(APIError::Code code);
    static QString message(APIError::Code code, const Localization& L);

    // `base` with `component` appended to its path, with exactly one "/" between them.
    static QUrl appendingPathComponent(const QUrl& base, const QString& component);

    static inline const QString kServerURLKey = QStringLiteral("QRLServerURL");
};
