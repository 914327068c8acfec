#include "LoopbackServer.h"

#include "Sockets.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>

namespace loopback {

namespace {

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
        [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::string trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

const char* reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

} // namespace

std::optional<std::string> Request::header(const std::string& name) const
{
    const std::string wanted = lower(name);
    for (const auto& [key, value] : headers) {
        if (lower(key) == wanted)
            return value;
    }
    return std::nullopt;
}

std::vector<std::string> Request::headerNames() const
{
    std::vector<std::string> names;
    for (const auto& header : headers)
        names.push_back(lower(header.first));
    return names;
}

Response html(std::string body, int status)
{
    return {status, {{"Content-Type", "text/html; charset=utf-8"}}, std::move(body), false};
}

Server::Server(Handler handler, int port)
    : handler_(std::move(handler))
{
    listener_ = net::bindLoopback(port, true);
    if (listener_ == net::NoSocket)
        throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(port));
    port_ = net::localPort(listener_);
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

Server::~Server()
{
    stop();
    net::closeSocket(listener_);
}

void Server::stop()
{
    {
        std::lock_guard lock(mutex_);
        if (stopped_)
            return;
        stopped_ = true;
    }
    // Raised for good: every wait below wakes up.
    wake_.raise();
    acceptThread_.join();
    std::vector<std::thread> connections;
    {
        std::lock_guard lock(mutex_);
        connections.swap(connections_);
    }
    for (auto& thread : connections)
        thread.join();
}

std::string Server::base() const
{
    return "http://127.0.0.1:" + std::to_string(port_);
}

std::vector<Request> Server::received() const
{
    std::lock_guard lock(mutex_);
    return received_;
}

void Server::clearReceived()
{
    std::lock_guard lock(mutex_);
    received_.clear();
}

bool Server::waitReadable(net::Socket socket) const
{
    return wake_.wait(socket, -1) == net::Wake::Outcome::Ready;
}

bool Server::sendAll(net::Socket socket, const std::string& data) const
{
    size_t sent = 0;
    while (sent < data.size()) {
        const long n = net::sendSome(socket, data.data() + sent, data.size() - sent);
        if (n == net::WouldBlock) {
            // A client that reads no more (one that gave up on a long answer)
            // holds the answer up until it goes or the server stops.
            if (wake_.wait(socket, -1, net::Wake::For::Writing) != net::Wake::Outcome::Ready)
                return false;
            continue;
        }
        if (n <= 0)
            return false;
        sent += size_t(n);
    }
    return true;
}

bool Server::sendDripping(net::Socket socket, const std::string& data, const Drip& drip) const
{
    for (size_t sent = 0; sent < data.size(); sent += drip.bytes) {
        if (!sendAll(socket, data.substr(sent, drip.bytes)))
            return false; // the client has gone
        // The pause ends early when the server stops.
        if (wake_.wait(net::NoSocket, drip.everyMs) != net::Wake::Outcome::TimedOut)
            return false;
    }
    return true;
}

void Server::acceptLoop()
{
    int connection = 0;
    while (waitReadable(listener_)) {
        const net::Socket socket = net::acceptConnection(listener_);
        if (socket == net::NoSocket)
            continue;
        std::lock_guard lock(mutex_);
        connections_.emplace_back([this, socket, id = ++connection] { serve(socket, id); });
    }
}

void Server::serve(net::Socket socket, int connection)
{
    std::string buffer;
    char chunk[16384];
    auto readMore = [&] {
        if (!waitReadable(socket))
            return false;
        const long n = net::receiveSome(socket, chunk, sizeof chunk);
        if (n <= 0)
            return false;
        buffer.append(chunk, size_t(n));
        return true;
    };

    while (true) {
        size_t headEnd;
        while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
            if (!readMore()) {
                net::closeSocket(socket);
                return;
            }
        }
        Request request;
        request.connection = connection;
        const std::string head = buffer.substr(0, headEnd);
        buffer.erase(0, headEnd + 4);

        size_t lineEnd = head.find("\r\n");
        const std::string requestLine = head.substr(0, lineEnd);
        const size_t firstSpace = requestLine.find(' ');
        const size_t lastSpace = requestLine.rfind(' ');
        request.method = requestLine.substr(0, firstSpace);
        request.target = requestLine.substr(firstSpace + 1, lastSpace - firstSpace - 1);
        const size_t question = request.target.find('?');
        request.path = request.target.substr(0, question);
        if (question != std::string::npos)
            request.query = request.target.substr(question + 1);

        while (lineEnd != std::string::npos) {
            const size_t start = lineEnd + 2;
            lineEnd = head.find("\r\n", start);
            const std::string line = head.substr(start, lineEnd - start);
            const size_t colon = line.find(':');
            if (colon != std::string::npos)
                request.headers.emplace_back(line.substr(0, colon), trim(line.substr(colon + 1)));
        }

        const size_t length = std::stoul(request.header("Content-Length").value_or("0"));
        while (buffer.size() < length) {
            if (!readMore()) {
                net::closeSocket(socket);
                return;
            }
        }
        request.body = buffer.substr(0, length);
        buffer.erase(0, length);

        {
            std::lock_guard lock(mutex_);
            received_.push_back(request);
        }
        const Response response = handler_(request);
        if (response.silent) {
            while (readMore()) { }
            net::closeSocket(socket);
            return;
        }
        std::string out = "HTTP/1.1 " + std::to_string(response.status) + " "
            + reason(response.status) + "\r\n";
        for (const auto& [name, value] : response.headers)
            out += name + ": " + value + "\r\n";
        out += "Content-Length: " + std::to_string(response.body.size()) + "\r\n\r\n";
        bool sent;
        if (response.drip.bytes == 0) {
            sent = sendAll(socket, out + response.body);
        } else if (response.drip.bodyOnly) {
            sent = sendAll(socket, out) && sendDripping(socket, response.body, response.drip);
        } else {
            sent = sendDripping(socket, out + response.body, response.drip);
        }
        const bool close = lower(request.header("Connection").value_or("")) == "close";
        if (!sent || close) {
            net::closeSocket(socket);
            return;
        }
    }
}

} // namespace loopback
