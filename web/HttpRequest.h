#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

namespace web {

// The program's request object. It keeps the operation names of the Windows
// request object the lookups were first written against, so that each lookup
// reads as the sequence of calls it makes. One object is one HTTP session:
// cookies live in memory for its lifetime and its connection is reused.
//
// Every operation reports failure to its caller (false or an empty optional);
// nothing is retried and nothing is thrown.
//
// A transfer ends early when the thread it runs on is asked to stop
// (QThread::requestInterruption); the window does that when it closes.
class HttpRequest {
public:
    // Option numbers, as the lookups name them.
    static constexpr int EnableRedirects = 6;

    HttpRequest();
    ~HttpRequest();
    HttpRequest(const HttpRequest&) = delete;
    HttpRequest& operator=(const HttpRequest&) = delete;

    // Only option 6 (follow redirects, default true) is known; any other
    // number is refused.
    bool Option(int option, bool value);

    // Time-outs in milliseconds: for the connection, and for a transfer that
    // receives nothing. Defaults 60000 and 30000.
    void SetTimeouts(int connectMs, int receiveMs);

    // Prepares one request. The method is sent upper-cased; the address must
    // be http or https. With async true, Send returns at once and
    // WaitForResponse drives the transfer.
    bool Open(const QString& method, const QString& url, bool async);

    // Adds or replaces one header (names compare case-insensitively). A
    // "Content-Length" is accepted but never sent: the body's true length is.
    bool SetRequestHeader(const QString& name, const QString& value);

    // Sends the request; a body is sent as UTF-8.
    bool Send();
    bool Send(const QString& body);

    // Waits until the response is complete or `seconds` have passed; true when
    // complete. The transfer's own time-outs end it earlier.
    bool WaitForResponse(int seconds);

    // The first header of that name in the last response (names compare
    // case-insensitively); nothing when there is no complete response or no
    // such header.
    std::optional<QString> GetResponseHeader(const QString& name) const;

    // The last response's body, decoded by the charset it declares (header,
    // then <meta>), UTF-8 otherwise.
    std::optional<QString> ResponseText() const;
    std::optional<QByteArray> ResponseBody() const;

    // HTTP status of the last response; nothing while there is none.
    std::optional<int> Status() const;

    // The largest answer body accepted; a longer one fails the request.
    static constexpr qsizetype MaxBodyBytes = 16 * 1024 * 1024;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace web
