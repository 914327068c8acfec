#include "PageServer.h"

#include "support/Loopback.h"

namespace fuzz {

namespace {

constexpr int InputsPerServer = 256;

} // namespace

void PageServer::beginInput()
{
    if (!server_ || ++inputs_ % InputsPerServer == 0) {
        server_.reset();
        server_ = std::make_unique<loopback::Server>(
            [this](const loopback::Request& request) { return answer(request); });
    }
    const std::lock_guard lock(mutex_);
    pages_.clear();
}

void PageServer::set(const std::string& path, loopback::Response response)
{
    const std::lock_guard lock(mutex_);
    pages_[path] = std::move(response);
}

QString PageServer::base() const
{
    return QString::fromStdString(server_->base());
}

QString PageServer::refused()
{
    static const QString address = QStringLiteral("http://127.0.0.1:%1").arg(unusedLoopbackPort());
    return address;
}

loopback::Response PageServer::answer(const loopback::Request& request)
{
    const std::lock_guard lock(mutex_);
    const auto page = pages_.find(request.path);
    if (page == pages_.end())
        return loopback::html("not here", 404);
    return page->second;
}

} // namespace fuzz
