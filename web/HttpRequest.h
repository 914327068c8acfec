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

    // The overall deadline of one request, from Send to the last byte of the
    // answer, redirects included: past it the request fails like a lost
    // connection, however steadily a server drips its answer.
    static constexpr int DefaultDeadlineMs = 60000;

    // Time-outs in milliseconds: for the connection, for a transfer that
    // receives nothing, and the overall deadline of each request. Defaults
    // 60000, 30000 and DefaultDeadlineMs. The environment variable
    // KESTRUNE_REQUEST_DEADLINE_MS, read when the object is made, shortens the
    // deadline of every request (a value that is not a positive number is
    // ignored with a warning); it never lengthens it.
    void SetTimeouts(int connectMs, int receiveMs, int deadlineMs = DefaultDeadlineMs);

    // Prepares one request. The method must be an HTTP token (letters, digits
    // and !#$%&'*+-.^_`|~; no blank, CR, LF or NUL) and is sent upper-cased;
    // the address must be http or https. With async true, Send returns at
    // once and WaitForResponse drives the transfer.
    bool Open(const QString& method, const QString& url, bool async);

    // Adds or replaces one header (names compare case-insensitively). The name
    // must be an HTTP token, the value must hold no CR, LF or NUL; anything
    // else is refused. A "Content-Length" is accepted but never sent: the
    // body's true length is.
    bool SetRequestHeader(const QString& name, const QString& value);

    // Sends the request; a body is sent as UTF-8. Synchronous, it returns when
    // the answer is complete or the request has failed, at the latest at its
    // deadline.
    //
    // Redirects (option 6) are followed at most 10 times, only to http and
    // https, and never from https to http: such a redirect fails the request.
    // A header the caller set (Cookie, ...) is sent only to the first host and
    // port; a 307 or 308 to another one re-sends the body without it.
    // TLS peers are always verified against the system's certificates and,
    // for tests and self-hosted sites, those of the file the environment
    // variable KESTRUNE_CA_FILE names, read when the object is made: a
    // regular file of at most 4 MiB, of which each PEM certificate that reads
    // is trusted too; what does not is named in a warning, and the system's
    // certificates are trusted whatever the file holds.
    bool Send();
    bool Send(const QString& body);

    // Waits until the response is complete or `seconds` have passed; true when
    // complete. It never waits past the request's deadline, and the
    // transfer's own time-outs end it earlier.
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
