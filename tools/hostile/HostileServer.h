#pragma once

#include <memory>
#include <string>
#include <vector>

// A server on 127.0.0.1 that misbehaves on purpose, for the tests that check
// what every lookup makes of a site gone bad. The first segment of a request's
// path names the case the server plays for that request ("/silent/..." never
// answers); the rest of the path names the page, as a well-behaved site would
// serve it (Pages.h), for the cases that only spoil its wrapping. One
// response per connection; the server closes it afterwards.
namespace hostile {

struct Case {
    std::string name;
    std::string what; // what the server does, in a few words
    bool tls = false; // reached over https
};

// Every case, in the order the tests and their table list them.
const std::vector<Case>& Cases();

// The cases played only for the window's announcement pane, which fetches a
// page and the pictures it names: the lookups never meet them.
const std::vector<Case>& PaneCases();

class Server {
public:
    // A connection that opens with a TLS handshake is served over TLS with
    // this certificate and key (PEM files); without them it is closed.
    explicit Server(const std::string& certificateFile = {}, const std::string& keyFile = {});
    ~Server(); // ends every connection, however it is being played
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    int port() const;
    // A site that plays `name`: "http://127.0.0.1:<port>/<name>", https for a
    // TLS case, and for "refused" a port that is bound but never listens.
    std::string site(const std::string& name) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace hostile
