#pragma once

#include "Sockets.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// A small HTTP/1.1 server on 127.0.0.1 for the tests and the sample sites. It
// keeps every request as it came, headers in their order, which a general
// purpose server library does not, and it can misbehave on purpose (stay
// silent, close early) the way real sites sometimes do.
namespace loopback {

using Headers = std::vector<std::pair<std::string, std::string>>;

struct Request {
    std::string method;
    std::string target; // path and query as sent
    std::string path;
    std::string query;
    Headers headers; // in the order they came
    std::string body;
    int connection = 0; // which connection carried it, counting from 1

    // The first header of that name (case-insensitive).
    std::optional<std::string> header(const std::string& name) const;
    // The names of the headers, in order, lower-cased.
    std::vector<std::string> headerNames() const;
};

// Sends an answer a few bytes at a time, the way a hostile or choked server
// does: `bytes` every `everyMs` milliseconds, from the status line on, or only
// the body when `bodyOnly` (the head then goes at once). Nothing when `bytes`
// is 0. The server stops dripping when it stops or the client goes away.
struct Drip {
    size_t bytes = 0;
    int everyMs = 0;
    bool bodyOnly = false;
};

struct Response {
    int status = 200;
    Headers headers;
    std::string body;
    bool silent = false; // send nothing, keep the connection open until the server stops
    Drip drip {};
};

class Server {
public:
    using Handler = std::function<Response(const Request&)>;

    // Listens on 127.0.0.1 at a free port (or `port`, when not 0).
    explicit Server(Handler handler, int port = 0);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    int port() const { return port_; }
    std::string base() const; // "http://127.0.0.1:<port>"

    std::vector<Request> received() const;
    void clearReceived();

    // Blocks until the server is stopped from another thread or a signal.
    void stop();

private:
    void acceptLoop();
    void serve(net::Socket socket, int connection);
    bool waitReadable(net::Socket socket) const;
    bool sendAll(net::Socket socket, const std::string& data) const;
    bool sendDripping(net::Socket socket, const std::string& data, const Drip& drip) const;

    Handler handler_;
    net::Socket listener_ = net::NoSocket;
    net::Wake wake_;
    int port_ = 0;
    bool stopped_ = false;
    std::thread acceptThread_;
    mutable std::mutex mutex_;
    std::vector<std::thread> connections_;
    std::vector<Request> received_;
};

// A response with a text/html body in UTF-8.
Response html(std::string body, int status = 200);

} // namespace loopback
