#include "Loopback.h"

#include "loopback/Sockets.h"

int unusedLoopbackPort()
{
    // The port stays bound, without listening, for the rest of the test: a
    // connection to it is refused, and no server of another test running
    // beside this one can be handed the same port in the meantime.
    return loopback::net::localPort(loopback::net::bindLoopback(0, false));
}
