#include "Sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace loopback::net {

Socket bindLoopback(int port, bool listen)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return NoSocket;
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(uint16_t(port));
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || (listen && ::listen(fd, 64) != 0)) {
        ::close(fd);
        return NoSocket;
    }
    return fd;
}

int localPort(Socket socket)
{
    sockaddr_in address {};
    socklen_t length = sizeof address;
    ::getsockname(int(socket), reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

Socket acceptConnection(Socket listener)
{
    const int fd = ::accept4(int(listener), nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
        return NoSocket;
    const int yes = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    return fd;
}

long sendSome(Socket socket, const char* data, std::size_t size)
{
    const long sent = long(::send(int(socket), data, size, MSG_NOSIGNAL | MSG_DONTWAIT));
    return sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) ? WouldBlock : sent;
}

long receiveSome(Socket socket, char* data, std::size_t size)
{
    return long(::recv(int(socket), data, size, 0));
}

void closeSocket(Socket socket)
{
    ::close(int(socket));
}

Wake::Wake()
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    readEnd_ = ends[0];
    writeEnd_ = ends[1];
}

Wake::~Wake()
{
    ::close(int(readEnd_));
    ::close(int(writeEnd_));
}

void Wake::raise()
{
    // Never read: the pipe stays readable once written.
    [[maybe_unused]] auto written = ::write(int(writeEnd_), "x", 1);
}

Wake::Outcome Wake::wait(Socket socket, int timeoutMs, For what) const
{
    const short events = what == For::Reading ? POLLIN : POLLOUT;
    pollfd fds[2] = {{int(readEnd_), POLLIN, 0}, {int(socket), events, 0}};
    const nfds_t count = socket == NoSocket ? 1 : 2;
    int n;
    while ((n = ::poll(fds, count, timeoutMs)) < 0 && errno == EINTR) { }
    if (n < 0 || (fds[0].revents & POLLIN))
        return Outcome::Woken;
    return n == 0 ? Outcome::TimedOut : Outcome::Ready;
}

} // namespace loopback::net
