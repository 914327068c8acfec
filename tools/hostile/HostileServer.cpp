#include "HostileServer.h"

#include "Pages.h"
#include "sample-sites/SamplePicture.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QByteArray>

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <zlib.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <mutex>
#include <random>
#include <set>
#include <stdexcept>
#include <string_view>
#include <thread>

namespace hostile {

const std::vector<Case>& Cases()
{
    static const std::vector<Case> cases {
        {"ok", "answers like a well-behaved site (the control)"},
        {"refused", "nothing listens: the connection is refused"},
        {"reset", "sends the head and 1 000 of 100 000 promised bytes, then resets"},
        {"silent", "accepts, reads the request, never answers"},
        {"drip-headers", "sends the status line, then one header byte every 250 ms, for ever"},
        {"drip-body", "sends the head, then one body byte every 250 ms, for ever"},
        {"endless-chunked", "a chunked body that never ends, as fast as it is taken"},
        {"short-body", "Content-Length 100 000 bytes longer than the body, then closes"},
        {"100mib", "a 100 MiB body, generated as it is sent"},
        {"gzip-bomb", "gzip: 1 MiB on the wire, 1 GiB of zeros unpacked"},
        {"invalid-utf8", "the page, declared UTF-8, with bytes that are not UTF-8 between tags"},
        {"gbk", "the page in GBK, declared in the header"},
        {"unknown-charset", "the page in UTF-8, declared as charset x-kestrune-unknown"},
        {"ebcdic", "the page in IBM037 (EBCDIC), declared in the header"},
        {"ebcdic-empty", "an empty 200 answer declared IBM037"},
        {"redirect-loop", "302 to the same address, for ever"},
        {"redirect-file", "302 to file:///etc/passwd"},
        {"tls-trusted", "the page over TLS, its certificate trusted by the client", true},
        {"https-to-http", "over TLS, trusted: 302 to the same page over plain http", true},
        {"no-location", "302 without Location, with a short body"},
        {"cookies", "the page with 5 000 Set-Cookie headers"},
        {"long-header", "the page behind a header line of 1 MiB"},
        {"garbage", "4 KiB of random bytes, no HTTP at all"},
        {"self-signed", "the page over TLS with a self-signed certificate", true},
    };
    return cases;
}

const std::vector<Case>& PaneCases()
{
    static const std::vector<Case> cases {
        {"huge-picture", "a page whose picture.png claims 50 000 x 50 000 pixels"},
        {"local-files",
            "a page with a file: picture and link beside it on the client's disk, a "
            "javascript: link, a script, a form, and a data: picture"},
    };
    return cases;
}

namespace {

constexpr int DripMs = 250;
constexpr int RequestWaitMs = 10000;
constexpr size_t MaxRequestHead = 4 << 20;
constexpr size_t Block = 64 * 1024;

// One accepted connection, plain or TLS. Every wait also watches the server's
// stop pipe, so that no case outlives the server.
class Channel {
public:
    Channel(int fd, int stopFd)
        : fd_(fd)
        , stopFd_(stopFd)
    {
    }
    ~Channel()
    {
        if (ssl_) {
            SSL_shutdown(ssl_);
            SSL_free(ssl_);
        }
    }

    // True when the peer opens with a TLS handshake record.
    bool opensWithTls()
    {
        unsigned char first = 0;
        return waitReadable(RequestWaitMs) && ::recv(fd_, &first, 1, MSG_PEEK) == 1
            && first == 0x16;
    }

    bool acceptTls(SSL_CTX* context)
    {
        ssl_ = SSL_new(context);
        SSL_set_fd(ssl_, fd_);
        return SSL_accept(ssl_) == 1;
    }

    // The request's head, and its body read and dropped; empty on failure.
    std::string readRequest()
    {
        std::string data;
        char buffer[16 * 1024];
        size_t headEnd = std::string::npos;
        while ((headEnd = data.find("\r\n\r\n")) == std::string::npos) {
            const long n = read(buffer, sizeof buffer);
            if (n <= 0 || data.size() > MaxRequestHead)
                return {};
            data.append(buffer, size_t(n));
        }
        std::string head = data.substr(0, headEnd);
        size_t body = data.size() - headEnd - 4;
        const size_t length = contentLength(head);
        while (body < length) {
            const long n = read(buffer, std::min(sizeof buffer, length - body));
            if (n <= 0)
                return {};
            body += size_t(n);
        }
        return head;
    }

    bool send(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const long n = ssl_ ? SSL_write(ssl_, bytes.data(), int(bytes.size()))
                                : ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            bytes.remove_prefix(size_t(n));
        }
        return true;
    }

    // Waits `ms`; false when the server stops or the peer has gone meanwhile.
    bool pause(int ms)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0)
                return true;
            if (waitReadable(int(left))) {
                char scrap[4096];
                if (::recv(fd_, scrap, sizeof scrap, MSG_DONTWAIT) <= 0)
                    return false; // closed, reset, or the server's own stop
            } else if (stopping()) {
                return false;
            }
        }
    }

    void holdUntilPeerLeaves()
    {
        while (pause(1000)) { }
    }

    // Ends the connection with a TCP reset instead of an orderly close.
    void reset()
    {
        const linger abrupt {1, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abrupt, sizeof abrupt);
    }

private:
    static size_t contentLength(const std::string& head)
    {
        std::string lower = head;
        for (char& c : lower)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        const size_t at = lower.find("\r\ncontent-length:");
        return at == std::string::npos ? 0 : std::strtoul(head.c_str() + at + 17, nullptr, 10);
    }

    long read(char* buffer, size_t size)
    {
        if (ssl_ && SSL_pending(ssl_) > 0)
            return SSL_read(ssl_, buffer, int(size));
        if (!waitReadable(RequestWaitMs))
            return -1;
        return ssl_ ? SSL_read(ssl_, buffer, int(size)) : ::recv(fd_, buffer, size, 0);
    }

    bool stopping() const
    {
        pollfd stop {stopFd_, POLLIN, 0};
        return ::poll(&stop, 1, 0) > 0;
    }

    // True when the connection has something to read (or has ended); false on
    // time-out or when the server stops.
    bool waitReadable(int ms)
    {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (::poll(fds, 2, ms) <= 0 || fds[1].revents)
            return false;
        return fds[0].revents != 0;
    }

    int fd_;
    int stopFd_;
    SSL* ssl_ = nullptr;
};

std::string head(const std::string& statusLine, const std::string& headers)
{
    return "HTTP/1.1 " + statusLine + "\r\n" + headers + "Connection: close\r\n\r\n";
}

std::string pageResponse(const std::string& body, const std::string& charset = "utf-8",
    const std::string& extraHeaders = {})
{
    return head("200 OK",
               "Content-Type: text/html; charset=" + charset
                   + "\r\nSet-Cookie: " + std::string(SiteCookie) + "\r\n" + extraHeaders
                   + "Content-Length: " + std::to_string(body.size()) + "\r\n")
        + body;
}

std::string redirect(const std::string& location)
{
    return head("302 Found", "Location: " + location + "\r\nContent-Length: 0\r\n");
}

// The page with bytes between its tags that no UTF-8 decoder can take whole:
// a lone continuation byte, a lead byte without its trail, an overlong form,
// and a sequence cut off by the end of the body.
std::string withInvalidUtf8(std::string page)
{
    const std::string bad = "\xc3\x28\xa0\xa1\xc0\xaf";
    for (size_t at = 0; (at = page.find("</tr>", at)) != std::string::npos; at += 5 + bad.size())
        page.insert(at + 5, bad);
    return bad + page + "\xe8\xbf";
}

std::string announcement(const std::string& content)
{
    return "<html><head><meta charset=\"utf-8\"></head><body><h3>敌意公告</h3>" + content
        + "<p>公告到此为止。</p></body></html>";
}

// The page names what lies beside it on the client's own disk: the folder of
// the page's path, read as a local folder.
std::string localFilesPage(const std::string& page)
{
    const std::string folder = "file://" + page.substr(0, page.rfind('/') + 1);
    // The one picture that may show: carried in the page itself.
    const std::string inPage = "data:image/png;base64,"
        + QByteArray::fromStdString(samples::samplePicture()).toBase64().toStdString();
    return announcement("<p><img src=\"" + inPage + "\"><img src=\"" + folder
        + "local.png\"></p>"
          "<p><a href=\""
        + folder
        + "local.html\">本地链接</a></p>"
          "<p><a href=\"javascript:document.write('脚本已运行')\">脚本链接</a></p>"
          "<script>document.write('脚本已运行')</script>"
          "<form action=\"/local-files/submitted\"><input name=\"q\" value=\"表单已提交\">"
          "<input type=\"submit\"></form>");
}

std::string filler(size_t size)
{
    std::string block;
    while (block.size() < size)
        block += "<p>filler</p>\n";
    block.resize(size);
    return block;
}

// gzip of 1 GiB of zeros, about 1 MiB. Each MiB is compressed after a full
// flush, which forgets all that came before, so one compressed MiB serves for
// every one of them: made in milliseconds, and the client, not the server, is
// what limits how fast it unpacks.
const std::string& gzipBomb()
{
    static const std::string bomb = [] {
        constexpr uInt Segment = 1 << 20;
        constexpr int Segments = 1024;
        const std::string zeros(Segment, '\0');
        z_stream z {};
        deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY); // raw: framed below
        auto deflated = [&z](const char* data, uInt size, int flush) {
            std::string out(deflateBound(&z, size) + 64, '\0');
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
            z.avail_in = size;
            z.next_out = reinterpret_cast<Bytef*>(out.data());
            z.avail_out = uInt(out.size());
            deflate(&z, flush);
            out.resize(out.size() - z.avail_out);
            return out;
        };
        const std::string segment = deflated(zeros.data(), Segment, Z_FULL_FLUSH);
        std::string gzip("\x1f\x8b\x08\0\0\0\0\0\0\xff", 10);
        for (int i = 0; i < Segments; ++i)
            gzip += segment;
        gzip += deflated(nullptr, 0, Z_FINISH);
        deflateEnd(&z);

        const uLong segmentCrc = crc32(0, reinterpret_cast<const Bytef*>(zeros.data()), Segment);
        uLong crc = 0;
        for (int i = 0; i < Segments; ++i)
            crc = crc32_combine(crc, segmentCrc, Segment);
        const uLong size = uLong(Segment) * Segments;
        for (const uLong word : {crc, size})
            for (int byte = 0; byte < 4; ++byte)
                gzip += char((word >> (8 * byte)) & 0xFF);
        return gzip;
    }();
    return bomb;
}

// The path's first segment is the case; the rest, the page.
std::pair<std::string, std::string> caseAndPage(const std::string& requestHead)
{
    const size_t start = requestHead.find(' ');
    const size_t end = requestHead.find(' ', start + 1);
    if (start == std::string::npos || end == std::string::npos)
        return {};
    std::string path = requestHead.substr(start + 1, end - start - 1);
    path = path.substr(0, path.find('?'));
    const size_t slash = path.find('/', 1);
    if (path.empty() || path[0] != '/')
        return {};
    if (slash == std::string::npos)
        return {path.substr(1), "/"};
    return {path.substr(1, slash - 1), path.substr(slash)};
}

} // namespace

struct Server::Impl {
    int listener = -1;
    int refusing = -1; // bound, never listening: the "refused" case's port
    int port = 0;
    int refusedPort = 0;
    int stopRead = -1;
    int stopWrite = -1;
    SSL_CTX* tls = nullptr;
    std::thread acceptThread;
    std::mutex mutex;
    std::vector<std::thread> connections;
    std::set<int> open;

    void acceptLoop()
    {
        for (;;) {
            pollfd fds[2] = {{listener, POLLIN, 0}, {stopRead, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 || fds[1].revents)
                return;
            const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            std::lock_guard lock(mutex);
            open.insert(fd);
            connections.emplace_back([this, fd] { serve(fd); });
        }
    }

    void serve(int fd)
    {
        {
            Channel channel(fd, stopRead);
            const bool overTls = channel.opensWithTls();
            if (!overTls || (tls && channel.acceptTls(tls))) {
                const std::string request = channel.readRequest();
                if (!request.empty()) {
                    const auto [name, page] = caseAndPage(request);
                    play(channel, name, page, overTls);
                }
            }
        }
        std::lock_guard lock(mutex);
        open.erase(fd);
        ::close(fd);
    }

    std::string address(bool overTls) const
    {
        return std::string(overTls ? "https" : "http") + "://127.0.0.1:" + std::to_string(port);
    }

    void play(Channel& channel, const std::string& name, const std::string& page, bool overTls)
    {
        const std::string body = OrdinaryPage(page);
        if (name == "ok" || name == "tls-trusted" || name == "self-signed") {
            channel.send(pageResponse(body));
        } else if (name == "reset") {
            channel.send(head("200 OK", "Content-Type: text/html\r\nContent-Length: 100000\r\n")
                + filler(1000));
            channel.pause(50);
            channel.reset();
        } else if (name == "silent") {
            channel.holdUntilPeerLeaves();
        } else if (name == "drip-headers") {
            if (channel.send("HTTP/1.1 200 OK\r\nX-Drip: "))
                while (channel.pause(DripMs) && channel.send("a")) { }
        } else if (name == "drip-body") {
            if (channel.send(
                    head("200 OK", "Content-Type: text/html\r\nContent-Length: 1000000\r\n")))
                while (channel.pause(DripMs) && channel.send("a")) { }
        } else if (name == "endless-chunked") {
            const std::string chunk = "10000\r\n" + filler(Block) + "\r\n";
            if (channel.send(
                    head("200 OK", "Content-Type: text/html\r\nTransfer-Encoding: chunked\r\n")))
                while (channel.send(chunk)) { }
        } else if (name == "short-body") {
            channel.send(head("200 OK",
                             "Content-Type: text/html\r\nContent-Length: "
                                 + std::to_string(body.size() + 100000) + "\r\n")
                + body);
        } else if (name == "100mib") {
            constexpr size_t total = size_t(100) << 20;
            const std::string block = filler(Block);
            bool open = channel.send(head("200 OK",
                "Content-Type: text/html\r\nContent-Length: " + std::to_string(total) + "\r\n"));
            for (size_t sent = 0; open && sent < total; sent += Block)
                open = channel.send(block);
        } else if (name == "gzip-bomb") {
            channel.send(head("200 OK",
                             "Content-Type: text/html\r\nContent-Encoding: gzip\r\nContent-Length: "
                                 + std::to_string(gzipBomb().size()) + "\r\n")
                + gzipBomb());
        } else if (name == "invalid-utf8") {
            channel.send(pageResponse(withInvalidUtf8(body)));
        } else if (name == "gbk") {
            channel.send(pageResponse(Encoded(body, "GBK"), "GBK"));
        } else if (name == "unknown-charset") {
            channel.send(pageResponse(body, "x-kestrune-unknown"));
        } else if (name == "ebcdic") {
            channel.send(pageResponse(Encoded(body, "IBM037"), "IBM037"));
        } else if (name == "ebcdic-empty") {
            channel.send(pageResponse({}, "IBM037"));
        } else if (name == "redirect-loop") {
            channel.send(redirect(address(overTls) + "/" + name + page));
        } else if (name == "redirect-file") {
            channel.send(redirect("file:///etc/passwd"));
        } else if (name == "https-to-http") {
            channel.send(redirect(address(false) + "/ok" + page));
        } else if (name == "no-location") {
            const std::string moved = "<html><body>Moved</body></html>";
            channel.send(head("302 Found",
                             "Content-Type: text/html\r\nContent-Length: "
                                 + std::to_string(moved.size()) + "\r\n")
                + moved);
        } else if (name == "cookies") {
            std::string cookies;
            for (int i = 0; i < 5000; ++i)
                cookies += "Set-Cookie: crumb" + std::to_string(i) + "=" + std::to_string(i)
                    + "; path=/\r\n";
            channel.send(pageResponse(body, "utf-8", cookies));
        } else if (name == "long-header") {
            channel.send(
                pageResponse(body, "utf-8", "X-Long: " + std::string(1 << 20, 'a') + "\r\n"));
        } else if (name == "huge-picture") {
            if (page.size() >= 4 && page.compare(page.size() - 4, 4, ".png") == 0)
                channel.send(
                    head("200 OK",
                        "Content-Type: image/png\r\nContent-Length: "
                            + std::to_string(samples::pngHeader(50000, 50000).size()) + "\r\n")
                    + samples::pngHeader(50000, 50000));
            else
                channel.send(pageResponse(announcement("<p><img src=\"picture.png\"></p>")));
        } else if (name == "local-files") {
            channel.send(pageResponse(localFilesPage(page)));
        } else if (name == "garbage") {
            std::minstd_rand random(9);
            std::string noise(4096, '\0');
            for (char& c : noise)
                c = char(random() & 0xFF);
            noise[0] = '\x01'; // never by chance the start of a status line
            channel.send(noise);
        } else {
            channel.send(head("404 Not Found", "Content-Length: 0\r\n"));
        }
    }
};

namespace {

int boundLoopbackSocket(int& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("hostile server: cannot bind to 127.0.0.1");
    port = ntohs(address.sin_port);
    return fd;
}

} // namespace

Server::Server(const std::string& certificateFile, const std::string& keyFile)
    : d(std::make_unique<Impl>())
{
    // A peer that leaves in the middle of a TLS write must not end the process.
    std::signal(SIGPIPE, SIG_IGN);
    d->listener = boundLoopbackSocket(d->port);
    d->refusing = boundLoopbackSocket(d->refusedPort);
    if (::listen(d->listener, 64) != 0)
        throw std::runtime_error("hostile server: cannot listen");
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::runtime_error("hostile server: no pipe");
    d->stopRead = pipeFds[0];
    d->stopWrite = pipeFds[1];
    if (!certificateFile.empty()) {
        d->tls = SSL_CTX_new(TLS_server_method());
        if (SSL_CTX_use_certificate_chain_file(d->tls, certificateFile.c_str()) != 1
            || SSL_CTX_use_PrivateKey_file(d->tls, keyFile.c_str(), SSL_FILETYPE_PEM) != 1)
            throw std::runtime_error("hostile server: cannot load " + certificateFile);
    }
    d->acceptThread = std::thread([this] { d->acceptLoop(); });
}

Server::~Server()
{
    ::write(d->stopWrite, "x", 1);
    d->acceptThread.join();
    {
        // A case stuck in a blocking write is woken by its socket's shutdown.
        std::lock_guard lock(d->mutex);
        for (const int fd : d->open)
            ::shutdown(fd, SHUT_RDWR);
    }
    for (std::thread& connection : d->connections)
        connection.join();
    ::close(d->listener);
    ::close(d->refusing);
    ::close(d->stopRead);
    ::close(d->stopWrite);
    SSL_CTX_free(d->tls);
}

int Server::port() const
{
    return d->port;
}

std::string Server::site(const std::string& name) const
{
    if (name == "refused")
        return "http://127.0.0.1:" + std::to_string(d->refusedPort) + "/" + name;
    for (const Case& c : Cases())
        if (c.name == name)
            return d->address(c.tls) + "/" + name;
    return d->address(false) + "/" + name;
}

} // namespace hostile
