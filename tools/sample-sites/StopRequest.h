#pragma once

// Waiting, in a console program, until the user asks it to stop (Ctrl-C, or
// kill on POSIX). Made before the server's threads start, so that on POSIX
// only wait() sees the signals.
class StopRequest {
public:
    StopRequest();
    void wait();
};
