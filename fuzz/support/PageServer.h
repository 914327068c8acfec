#pragma once

#include "loopback/LoopbackServer.h"

#include <QString>

#include <map>
#include <memory>
#include <mutex>
#include <string>

// The loopback server a lookup target runs the real lookup against: for each
// input the target sets the pages it serves (the fuzzer's bytes as a body),
// and the lookup fetches them over real HTTP on 127.0.0.1.
namespace fuzz {

class PageServer {
public:
    // Starts an input: forgets the last input's pages (every page not set
    // answers 404). The server keeps a thread for every connection it has
    // served until it stops, so every few hundred inputs a fresh one takes
    // its place; call base() after this.
    void beginInput();

    void set(const std::string& path, loopback::Response response);

    // "http://127.0.0.1:<port>" of the current server.
    QString base() const;

    // An address on 127.0.0.1 where a connection is refused at once: for the
    // sites a target does not fuzz, so that a lookup asking them fails fast.
    static QString refused();

private:
    loopback::Response answer(const loopback::Request& request);

    std::mutex mutex_;
    std::map<std::string, loopback::Response> pages_;
    std::unique_ptr<loopback::Server> server_;
    int inputs_ = 0;
};

} // namespace fuzz
