#pragma once

// The little of BSD sockets the loopback server needs, with a POSIX body and
// a Winsock body (Sockets_posix.cpp, Sockets_windows.cpp), so that the tests
// that stand on the server run on Linux and, built for Windows, under Wine.

#include <cstddef>
#include <cstdint>

namespace loopback::net {

using Socket = std::intptr_t; // a descriptor on POSIX, a SOCKET on Windows
constexpr Socket NoSocket = -1;

// A TCP socket bound to 127.0.0.1:port (0: any free port), listening when
// asked to; NoSocket when the port cannot be had.
Socket bindLoopback(int port, bool listen);
int localPort(Socket socket);
// The next connection, with Nagle off (answers go out as written); NoSocket on error.
Socket acceptConnection(Socket listener);
// Bytes sent or received, 0 at the peer's end, negative on error. Sending
// never waits: it sends what fits and says WouldBlock when nothing does, so
// that the sender can wait for the socket and for its server's stop at once
// (a send that waits may wait for good where a peer that has gone is not
// noticed). Sending to a peer that has gone never raises a signal.
constexpr long WouldBlock = -2;
long sendSome(Socket socket, const char* data, std::size_t size);
long receiveSome(Socket socket, char* data, std::size_t size);
void closeSocket(Socket socket);

// A flag other threads can wait for alongside a socket: once raised it stays
// raised, so every waiter wakes up.
class Wake {
public:
    Wake();
    ~Wake();
    Wake(const Wake&) = delete;
    Wake& operator=(const Wake&) = delete;
    void raise();

    enum class For { Reading, Writing };
    enum class Outcome { Ready, Woken, TimedOut };
    // Waits for `socket` to be readable or writable (NoSocket: for the flag
    // alone), for the flag, or for timeoutMs (negative: no limit). An error
    // of the wait counts as woken; one of the socket as ready, so that the
    // next call on it meets the error.
    Outcome wait(Socket socket, int timeoutMs, For what = For::Reading) const;

private:
    Socket readEnd_ = NoSocket;
    Socket writeEnd_ = NoSocket;
};

} // namespace loopback::net
