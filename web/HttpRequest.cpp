#include "HttpRequest.h"

#include "TextDecoding.h"
#include "TrustBundle.h"

#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QThread>
#include <QUrl>

#include <curl/curl.h>

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

Q_LOGGING_CATEGORY(lcWeb, "kestrune.web")

namespace web {

namespace {

// What the sites have always seen from this program; some of them answer
// differently to browsers they do not know.
constexpr char UserAgent[] = "Mozilla/4.0 (compatible; Win32; WinHttp.WinHttpRequest.5)";
constexpr long MaxRedirects = 10;
// How often a running transfer looks whether its thread was asked to stop.
constexpr int AbortPollMs = 50;

void initCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool stopRequested()
{
    return QThread::currentThread()->isInterruptionRequested();
}

// An HTTP token (RFC 9110): what a method or a header name may be made of.
// Anything else (a blank, CR, LF, NUL, a colon) would let the text write
// lines of its own into the request.
bool isToken(const QString& text)
{
    static const QLatin1String punctuation("!#$%&'*+-.^_`|~");
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c.unicode() < 128 && c.isLetterOrNumber()) || punctuation.contains(c);
    });
}

bool isHeaderValue(const QString& text)
{
    return !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QChar(0));
}

// A value of the environment is warned about once, not for every request.
void warnAboutEnvironment(const char* variable, const QByteArray& value, const QString& what)
{
    static std::mutex mutex;
    static QString lastWarned;
    std::lock_guard lock(mutex);
    const QString warning = QStringLiteral("%1 = %2 %3")
                                .arg(QLatin1String(variable), QString::fromLocal8Bit(value), what);
    if (warning == lastWarned)
        return;
    lastWarned = warning;
    qCWarning(lcWeb).noquote() << warning;
}

// The deadline the environment sets for every request of the process, so that
// tests and scripts need not wait a minute for a server that drips.
std::optional<long> deadlineFromEnvironment()
{
    constexpr char Variable[] = "KESTRUNE_REQUEST_DEADLINE_MS";
    const QByteArray value = qgetenv(Variable);
    if (value.isEmpty())
        return std::nullopt;
    bool ok = false;
    const long ms = value.trimmed().toLong(&ok);
    if (ok && ms > 0)
        return ms;
    warnAboutEnvironment(
        Variable, value, QStringLiteral("ignored: not a positive number of milliseconds"));
    return std::nullopt;
}

// The certificates a self-hosted site (or a test's own server) is signed
// with, trusted next to the system's; never instead of them, and checking
// peers stays on. Empty when libcurl's own trust stands as it is.
QByteArray extraTrustFromEnvironment(CURL* easy)
{
    constexpr char Variable[] = "KESTRUNE_CA_FILE";
    const QByteArray path = qgetenv(Variable);
    if (path.isEmpty())
        return {};
    char* systemBundle = nullptr;
    curl_easy_getinfo(easy, CURLINFO_CAINFO, &systemBundle);
    const TrustBundle trust = ReadTrustBundle(
        QString::fromLocal8Bit(systemBundle ? systemBundle : ""), QString::fromLocal8Bit(path));
    if (!trust.problems.isEmpty())
        warnAboutEnvironment(Variable, path,
            (trust.pem.isEmpty() ? QStringLiteral("ignored: ")
                                 : QStringLiteral("ignored in part: "))
                + trust.problems.join(QStringLiteral("; ")));
    return trust.pem;
}

bool isHttps(const char* url)
{
    return qstrnicmp(url, "https:", 6) == 0;
}

} // namespace

struct HttpRequest::Impl {
    enum class State { Closed, Opened, Sending, Done, Failed };

    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    curl_slist* headerList = nullptr;

    bool followRedirects = true;
    long connectMs = 60000;
    long receiveMs = 30000;
    long deadlineMs = DefaultDeadlineMs;
    std::optional<long> environmentDeadlineMs = deadlineFromEnvironment();
    QDeadlineTimer transferEnds;

    State state = State::Closed;
    bool async = false;
    QByteArray method;
    QByteArray url;
    std::vector<std::pair<QString, QString>> headers;
    QByteArray body;
    bool cookiesHandSet = false;
    QList<QByteArray> setAsideCookies;

    QByteArray responseBody;
    std::vector<std::pair<QByteArray, QByteArray>> responseHeaders;
    bool bodyTooLarge = false;
    bool wasOnHttps = false; // some step of this request went over https
    bool downgradeRefused = false;
    QByteArray trustBundle;

    Impl()
    {
        initCurlOnce();
        easy = curl_easy_init();
        multi = curl_multi_init();
        // What holds for every request of the session is set once: setting
        // the cookie engine again per request would leak libcurl's note of it.
        curl_easy_setopt(easy, CURLOPT_COOKIEFILE, ""); // in memory only
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_MAXREDIRS, MaxRedirects);
        // A Cookie or Authorization header the caller set is meant for the
        // first host: libcurl drops it when a redirect leads to another host,
        // port or scheme, and must keep doing so.
        curl_easy_setopt(easy, CURLOPT_UNRESTRICTED_AUTH, 0L);
        trustBundle = extraTrustFromEnvironment(easy);
        if (!trustBundle.isEmpty()) {
            curl_blob blob {trustBundle.data(), size_t(trustBundle.size()), CURL_BLOB_NOCOPY};
            curl_easy_setopt(easy, CURLOPT_CAINFO_BLOB, &blob);
        }
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_USERAGENT, UserAgent);
        curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(MaxBodyBytes));
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Impl::onBody);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Impl::onHeader);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &Impl::onProgress);
        curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &Impl::onRequestReady);
        curl_easy_setopt(easy, CURLOPT_PREREQDATA, this);
    }

    ~Impl()
    {
        if (state == State::Sending)
            curl_multi_remove_handle(multi, easy);
        curl_slist_free_all(headerList);
        curl_easy_cleanup(easy);
        curl_multi_cleanup(multi);
    }

    static size_t onBody(char* data, size_t size, size_t count, void* self)
    {
        auto* d = static_cast<Impl*>(self);
        const size_t bytes = size * count;
        if (d->responseBody.size() + qsizetype(bytes) > MaxBodyBytes) {
            d->bodyTooLarge = true;
            return 0; // makes libcurl fail the transfer
        }
        d->responseBody.append(data, qsizetype(bytes));
        return bytes;
    }

    static size_t onHeader(char* data, size_t size, size_t count, void* self)
    {
        auto* d = static_cast<Impl*>(self);
        const size_t bytes = size * count;
        const QByteArray line = QByteArray(data, qsizetype(bytes)).trimmed();
        // Each status line starts a new response (a redirect, a 100 Continue):
        // only the last response's headers are kept.
        if (line.startsWith("HTTP/")) {
            d->responseHeaders.clear();
            d->responseBody.clear();
        } else if (const qsizetype colon = line.indexOf(':'); colon > 0) {
            d->responseHeaders.emplace_back(
                line.left(colon).trimmed(), line.mid(colon + 1).trimmed());
        }
        return bytes;
    }

    // Called before each request of a transfer goes out, redirects included,
    // with the address libcurl has settled on. A request that started on
    // https may only be redirected to https (configure() tells libcurl so,
    // and it refuses before it connects); this catches the step back to http
    // of one that came to https from a plain start.
    static int onRequestReady(void* self, char*, char*, int, int)
    {
        auto* d = static_cast<Impl*>(self);
        char* here = nullptr;
        curl_easy_getinfo(d->easy, CURLINFO_EFFECTIVE_URL, &here);
        const bool https = here && isHttps(here);
        if (d->wasOnHttps && !https) {
            d->downgradeRefused = true;
            return CURL_PREREQFUNC_ABORT;
        }
        d->wasOnHttps = d->wasOnHttps || https;
        return CURL_PREREQFUNC_OK;
    }

    static int onProgress(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
    {
        return stopRequested() ? 1 : 0;
    }

    void resetResponse()
    {
        responseBody.clear();
        responseHeaders.clear();
        bodyTooLarge = false;
        wasOnHttps = false;
        downgradeRefused = false;
    }

    long effectiveDeadlineMs() const
    {
        return std::min(deadlineMs, environmentDeadlineMs.value_or(deadlineMs));
    }

    void configure()
    {
        curl_slist_free_all(headerList);
        headerList = nullptr;

        curl_easy_setopt(easy, CURLOPT_URL, url.constData());
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, followRedirects ? 1L : 0L);
        // Never from https to http: libcurl itself refuses to follow a
        // redirect elsewhere, however the answer spells its status line.
        curl_easy_setopt(
            easy, CURLOPT_REDIR_PROTOCOLS_STR, isHttps(url.constData()) ? "https" : "http,https");
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, connectMs);
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, std::max(1L, (receiveMs + 999) / 1000));
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, effectiveDeadlineMs());

        // Back to a plain GET first, so nothing of the previous request's
        // method or body carries over.
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, nullptr);
        if (method == "HEAD") {
            curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
        } else if (!body.isNull() || method == "POST") {
            curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
            curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.constData());
        }
        if (method != "GET" && method != "POST" && method != "HEAD")
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, method.constData());

        // libcurl counts the body itself; a hand-set length would contradict it.
        headerList = curl_slist_append(headerList, "Expect:");
        cookiesHandSet = false;
        for (const auto& [name, value] : headers) {
            if (name.compare(QLatin1String("Content-Length"), Qt::CaseInsensitive) == 0)
                continue;
            if (name.compare(QLatin1String("Cookie"), Qt::CaseInsensitive) == 0)
                cookiesHandSet = true;
            // "Name;" is libcurl's way of sending a header with an empty value.
            const QByteArray line
                = value.isEmpty() ? name.toUtf8() + ';' : name.toUtf8() + ": " + value.toUtf8();
            headerList = curl_slist_append(headerList, line.constData());
        }
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headerList);
        if (cookiesHandSet)
            setSessionCookiesAside();
    }

    // A caller that sets the Cookie header says which cookies go with the
    // request. libcurl would add the session's own as a second Cookie header,
    // which HTTP forbids; so they are set aside for this one request and come
    // back afterwards, behind any the answer has set.
    void setSessionCookiesAside()
    {
        setAsideCookies.clear();
        curl_slist* cookies = nullptr;
        curl_easy_getinfo(easy, CURLINFO_COOKIELIST, &cookies);
        for (curl_slist* cookie = cookies; cookie; cookie = cookie->next)
            setAsideCookies.append(QByteArray(cookie->data));
        curl_slist_free_all(cookies);
        curl_easy_setopt(easy, CURLOPT_COOKIELIST, "ALL");
    }

    void bringSessionCookiesBack()
    {
        if (!cookiesHandSet)
            return;
        cookiesHandSet = false;
        curl_slist* fresh = nullptr;
        curl_easy_getinfo(easy, CURLINFO_COOKIELIST, &fresh);
        for (const QByteArray& cookie : std::as_const(setAsideCookies))
            curl_easy_setopt(easy, CURLOPT_COOKIELIST, cookie.constData());
        for (curl_slist* cookie = fresh; cookie; cookie = cookie->next)
            curl_easy_setopt(easy, CURLOPT_COOKIELIST, cookie->data);
        curl_slist_free_all(fresh);
        setAsideCookies.clear();
    }

    // Runs the transfer until it ends, the caller's wait or the request's own
    // deadline passes, or the thread is asked to stop. True when the transfer
    // has ended (well or not). libcurl keeps the same deadline; this one holds
    // even where libcurl would look at its clock too late.
    bool drive(QDeadlineTimer wait)
    {
        const QDeadlineTimer deadline = std::min(wait, transferEnds);
        while (state == State::Sending) {
            int running = 0;
            curl_multi_perform(multi, &running);
            int queued = 0;
            while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
                if (message->msg == CURLMSG_DONE && message->easy_handle == easy)
                    finish(message->data.result);
            }
            if (state != State::Sending)
                return true;
            if (stopRequested()) {
                finish(CURLE_ABORTED_BY_CALLBACK);
                return true;
            }
            if (transferEnds.hasExpired()) {
                finish(CURLE_OPERATION_TIMEDOUT);
                return true;
            }
            if (deadline.hasExpired())
                return false;
            const int waitMs = int(std::min<qint64>(AbortPollMs,
                deadline.remainingTime() < 0 ? AbortPollMs : deadline.remainingTime()));
            curl_multi_poll(multi, nullptr, 0, waitMs, nullptr);
        }
        return true;
    }

    void finish(CURLcode result)
    {
        curl_multi_remove_handle(multi, easy);
        bringSessionCookiesBack();
        if (result == CURLE_OK) {
            state = State::Done;
            return;
        }
        state = State::Failed;
        QString why = QString::fromUtf8(curl_easy_strerror(result));
        if (bodyTooLarge)
            why = QStringLiteral("answer longer than the limit");
        else if (downgradeRefused
            || (result == CURLE_UNSUPPORTED_PROTOCOL && isHttps(url.constData())))
            why = QStringLiteral("redirect from https to http refused");
        else if (result == CURLE_OPERATION_TIMEDOUT && transferEnds.hasExpired())
            why = QStringLiteral("no whole answer within the deadline of %1 ms")
                      .arg(effectiveDeadlineMs());
        // A stop the thread's owner asked for (the window closing, Ctrl-C) is
        // no fault to warn about.
        if (result != CURLE_ABORTED_BY_CALLBACK || !stopRequested())
            qCWarning(lcWeb).noquote() << method << url << "failed:" << why;
        resetResponse();
    }
};

HttpRequest::HttpRequest()
    : d(std::make_unique<Impl>())
{
}

HttpRequest::~HttpRequest() = default;

bool HttpRequest::Option(int option, bool value)
{
    if (option != EnableRedirects) {
        qCWarning(lcWeb) << "option" << option << "is not known";
        return false;
    }
    d->followRedirects = value;
    return true;
}

void HttpRequest::SetTimeouts(int connectMs, int receiveMs, int deadlineMs)
{
    if (connectMs < 1 || receiveMs < 1 || deadlineMs < 1)
        qCWarning(lcWeb) << "time-outs" << connectMs << receiveMs << deadlineMs
                         << "raised to at least 1 ms";
    d->connectMs = std::max(1, connectMs);
    d->receiveMs = std::max(1, receiveMs);
    d->deadlineMs = std::max(1, deadlineMs);
}

bool HttpRequest::Open(const QString& method, const QString& url, bool async)
{
    if (d->state == Impl::State::Sending) {
        curl_multi_remove_handle(d->multi, d->easy);
        d->bringSessionCookiesBack();
    }
    d->state = Impl::State::Closed;
    d->headers.clear();
    d->body = QByteArray();
    d->resetResponse();

    const QUrl parsed(url, QUrl::TolerantMode);
    const QString scheme = parsed.scheme().toLower();
    if (!isToken(method)) {
        qCWarning(lcWeb) << "cannot open: the method" << method << "is no HTTP method name";
        return false;
    }
    if (!parsed.isValid() || parsed.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        qCWarning(lcWeb) << "cannot open: the address" << url << "is no http or https address";
        return false;
    }
    d->method = method.toUpper().toLatin1();
    d->url = url.toUtf8();
    d->async = async;
    d->state = Impl::State::Opened;
    return true;
}

bool HttpRequest::SetRequestHeader(const QString& name, const QString& value)
{
    if (d->state != Impl::State::Opened) {
        qCWarning(lcWeb) << "header" << name << "refused: no request is open";
        return false;
    }
    if (!isToken(name) || !isHeaderValue(value)) {
        // A CR or LF would start a header line of its own; a NUL would cut the
        // value short where libcurl reads it.
        qCWarning(lcWeb) << "header" << name << value
                         << "refused: the name is no token or the value holds CR, LF or NUL";
        return false;
    }
    auto same
        = [&](const auto& header) { return header.first.compare(name, Qt::CaseInsensitive) == 0; };
    if (auto it = std::find_if(d->headers.begin(), d->headers.end(), same); it != d->headers.end())
        it->second = value;
    else
        d->headers.emplace_back(name, value);
    return true;
}

bool HttpRequest::Send()
{
    return Send(QString());
}

bool HttpRequest::Send(const QString& body)
{
    if (d->state != Impl::State::Opened) {
        qCWarning(lcWeb) << "nothing sent: no request is open";
        return false;
    }
    d->body = body.isNull() ? QByteArray() : body.toUtf8();
    d->configure();
    d->resetResponse();
    if (const CURLMcode added = curl_multi_add_handle(d->multi, d->easy); added != CURLM_OK) {
        d->state = Impl::State::Failed;
        qCWarning(lcWeb).noquote()
            << d->method << d->url << "not started:" << curl_multi_strerror(added);
        return false;
    }
    d->transferEnds = QDeadlineTimer(d->effectiveDeadlineMs());
    d->state = Impl::State::Sending;
    if (d->async)
        return true;
    d->drive(QDeadlineTimer(QDeadlineTimer::Forever));
    return d->state == Impl::State::Done;
}

bool HttpRequest::WaitForResponse(int seconds)
{
    if (d->state == Impl::State::Sending
        && !d->drive(QDeadlineTimer(std::chrono::seconds(std::max(0, seconds)))))
        qCWarning(lcWeb).noquote()
            << d->method << d->url << "still unanswered after the wait of" << seconds << "s";
    else if (d->state == Impl::State::Closed || d->state == Impl::State::Opened)
        qCWarning(lcWeb) << "nothing to wait for: no request was sent";
    return d->state == Impl::State::Done;
}

std::optional<QString> HttpRequest::GetResponseHeader(const QString& name) const
{
    if (d->state != Impl::State::Done)
        return std::nullopt;
    const QByteArray wanted = name.toLatin1();
    for (const auto& [headerName, value] : d->responseHeaders) {
        if (headerName.compare(wanted, Qt::CaseInsensitive) == 0)
            return QString::fromUtf8(value);
    }
    return std::nullopt;
}

std::optional<QString> HttpRequest::ResponseText() const
{
    if (d->state != Impl::State::Done)
        return std::nullopt;
    const QString charset = DeclaredCharset(
        GetResponseHeader(QStringLiteral("Content-Type")).value_or(QString()), d->responseBody);
    if (!charset.isEmpty()) {
        if (auto text = DecodeText(d->responseBody, charset))
            return text;
        qCWarning(lcWeb).noquote()
            << d->url << "declares the unknown charset" << charset << "- read as UTF-8";
    }
    return DecodeText(d->responseBody, QStringLiteral("UTF-8"));
}

std::optional<QByteArray> HttpRequest::ResponseBody() const
{
    if (d->state != Impl::State::Done)
        return std::nullopt;
    return d->responseBody;
}

std::optional<int> HttpRequest::Status() const
{
    if (d->state != Impl::State::Done)
        return std::nullopt;
    long code = 0;
    curl_easy_getinfo(d->easy, CURLINFO_RESPONSE_CODE, &code);
    return int(code);
}

} // namespace web
