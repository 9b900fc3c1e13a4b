#pragma once

#include <QByteArray>
#include <QUrl>

#include <functional>

// What one request to the server came back with.
struct APIResponse {
    // False when the request did not complete: no connection, refused, time-out, a broken
    // transfer, a redirect loop. The remaining fields then mean nothing.
    bool completed = false;
    // The final HTTP status, after any redirects; 0 when the answer was not HTTP.
    int status = 0;
    // The body of a 200 answer (other answers' bodies are not kept).
    QByteArray body;
    // The body of a 200 answer was larger than the session accepts; `body` is incomplete.
    bool bodyTooLarge = false;
};

// One GET, as the update session asks for it.
struct HttpTransportRequest {
    QUrl url;
    // Longest wait for the next bytes of the answer.
    qint64 idleTimeoutMs = 20'000;
    // Longest time for the whole transfer.
    qint64 transferTimeoutMs = 40'000;
    // A 200 answer whose body is larger is not kept (`bodyTooLarge`).
    qint64 maxBodyBytes = 1 << 20;
    int maxRedirects = 10;
};

// The HTTP stack behind the update session. It lives in a module of its own, loaded at the
// first request, so that Qt's network library (and the proxy, resolver and Kerberos
// libraries it brings) stays out of every start that never checks for updates.
class HttpTransport {
public:
    using Completion = std::function<void(const APIResponse&)>;
    virtual ~HttpTransport() = default;
    // Sends a GET with no cache, no cookies, no stored credentials and "Accept:
    // application/json". `done` runs once, on the calling thread, when the request ends, and
    // never once the transport is destroyed.
    virtual void get(const HttpTransportRequest& request, Completion done) = 0;
};

// The module's one entry point: a new transport owned by the caller.
extern "C" {
using QrlCreateHttpTransport = HttpTransport* (*)();
}
inline constexpr const char* kQrlCreateHttpTransportSymbol = "qrl_create_http_transport";
