#include "Sockets.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <mutex>
#include <stdexcept>

namespace loopback::net {

namespace {

void startWinsock()
{
    static std::once_flag once;
    std::call_once(once, [] {
        WSADATA data;
        if (::WSAStartup(MAKEWORD(2, 2), &data) != 0)
            throw std::runtime_error("WSAStartup failed");
    });
}

SOCKET raw(Socket socket)
{
    return SOCKET(socket);
}

} // namespace

Socket bindLoopback(int port, bool listen)
{
    startWinsock();
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return NoSocket;
    // Windows lets SO_REUSEADDR steal a port in use; exclusive use is what
    // the POSIX SO_REUSEADDR amounts to for a listener.
    const BOOL yes = TRUE;
    ::setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes), sizeof yes);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(u_short(port));
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || (listen && ::listen(s, 64) != 0)) {
        ::closesocket(s);
        return NoSocket;
    }
    return Socket(s);
}

int localPort(Socket socket)
{
    sockaddr_in address {};
    int length = sizeof address;
    ::getsockname(raw(socket), reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

Socket acceptConnection(Socket listener)
{
    const SOCKET s = ::accept(raw(listener), nullptr, nullptr);
    if (s == INVALID_SOCKET)
        return NoSocket;
    const BOOL yes = TRUE;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&yes), sizeof yes);
    // Windows has no flag for one send that does not wait: the connection's
    // sends (and receives, which only follow a wait) never wait.
    u_long nonBlocking = 1;
    ::ioctlsocket(s, FIONBIO, &nonBlocking);
    return Socket(s);
}

long sendSome(Socket socket, const char* data, std::size_t size)
{
    const int chunk = size > 1 << 30 ? 1 << 30 : int(size);
    const int sent = ::send(raw(socket), data, chunk, 0);
    return sent == SOCKET_ERROR && ::WSAGetLastError() == WSAEWOULDBLOCK ? WouldBlock : sent;
}

long receiveSome(Socket socket, char* data, std::size_t size)
{
    const int chunk = size > 1 << 30 ? 1 << 30 : int(size);
    return ::recv(raw(socket), data, chunk, 0);
}

void closeSocket(Socket socket)
{
    ::closesocket(raw(socket));
}

// Windows has no pipe that WSAPoll can wait on, so the flag is a connected
// pair of loopback sockets.
Wake::Wake()
{
    const Socket listener = bindLoopback(0, true);
    if (listener == NoSocket)
        throw std::runtime_error("cannot listen on 127.0.0.1");
    const SOCKET writer = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(u_short(localPort(listener)));
    if (writer == INVALID_SOCKET
        || ::connect(writer, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closeSocket(listener);
        throw std::runtime_error("cannot connect to 127.0.0.1");
    }
    writeEnd_ = Socket(writer);
    readEnd_ = acceptConnection(listener);
    closeSocket(listener);
    if (readEnd_ == NoSocket)
        throw std::runtime_error("cannot accept on 127.0.0.1");
}

Wake::~Wake()
{
    closeSocket(readEnd_);
    closeSocket(writeEnd_);
}

void Wake::raise()
{
    ::send(raw(writeEnd_), "x", 1, 0);
}

Wake::Outcome Wake::wait(Socket socket, int timeoutMs, For what) const
{
    const SHORT events = what == For::Reading ? POLLRDNORM : POLLWRNORM;
    WSAPOLLFD fds[2] = {{raw(readEnd_), POLLRDNORM, 0}, {raw(socket), events, 0}};
    const ULONG count = socket == NoSocket ? 1 : 2;
    const int n = ::WSAPoll(fds, count, timeoutMs);
    if (n < 0 || (fds[0].revents & (POLLRDNORM | POLLHUP | POLLERR)))
        return Outcome::Woken;
    return n == 0 ? Outcome::TimedOut : Outcome::Ready;
}

} // namespace loopback::net
