// A whole ICCID lookup against a loopback server, next to a plain libcurl
// fetch of the same page: what the request object, the decoding and the cuts
// add to the bare transfer. The lookup should stay within 1.2 times the plain
// fetch.
#include "IccidPage.h"
#include "NullForm.h"

#include "lookup/sim/LookupIccid.h"
#include "loopback/LoopbackServer.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <chrono>
#include <optional>
#include <string>

namespace {

const QString Iccid = QStringLiteral("89860012345678901234");
constexpr qsizetype PageBytes = 30 * 1024;
// Each connection leaves a finished thread behind in the server until it
// stops; a fresh server every so many connections keeps that bounded.
constexpr int ConnectionsPerServer = 500;

// A realistic result page on 127.0.0.1, with the lookup pointed at it.
class PageServer {
public:
    PageServer() { restart(); }

    const std::string& url() const { return url_; }
    const std::string& page() const { return page_; }

    // Call once per iteration; restarts the server, untimed, when due.
    void served(benchmark::State& state)
    {
        if (++connections_ % ConnectionsPerServer != 0)
            return;
        state.PauseTiming();
        restart();
        state.ResumeTiming();
    }

private:
    void restart()
    {
        server_.reset();
        server_.emplace([this](const loopback::Request&) { return loopback::html(page_); });
        qputenv("KESTRUNE_ICCID_SITE", QByteArray::fromStdString(server_->base()));
        url_ = server_->base() + "/iccid/result.php?ICCID=" + Iccid.toStdString();
    }

    const std::string page_ = IccidAnswerPage(PageBytes).toStdString();
    std::optional<loopback::Server> server_;
    std::string url_;
    int connections_ = 0;
};

size_t keepBody(char* data, size_t size, size_t count, void* body)
{
    static_cast<std::string*>(body)->append(data, size * count);
    return size * count;
}

// A new easy handle with no options but the address and where the body goes,
// as a program that only wants the page would write it.
CURLcode plainFetch(const std::string& url, std::string& body)
{
    body.clear();
    CURL* easy = curl_easy_init();
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &keepBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
    const CURLcode result = curl_easy_perform(easy);
    curl_easy_cleanup(easy);
    return result;
}

void BM_PlainCurlFetch(benchmark::State& state)
{
    curl_global_init(CURL_GLOBAL_DEFAULT);
    PageServer server;
    std::string body;
    for (auto _ : state) {
        if (const CURLcode result = plainFetch(server.url(), body); result != CURLE_OK) {
            state.SkipWithError(curl_easy_strerror(result));
            break;
        }
        server.served(state);
    }
    if (!state.error_occurred() && body != server.page())
        state.SkipWithError("the fetch did not bring the whole page");
}

void BM_LookupIccid(benchmark::State& state)
{
    PageServer server;
    NullForm form;
    for (auto _ : state) {
        form = NullForm();
        lookup::LookupIccid(form, Iccid);
        server.served(state);
    }
    if (!form.readFourFields())
        state.SkipWithError("the lookup did not give the four fields");
}

// The two above taking turns, so that load from elsewhere on the machine falls
// on both alike; "lookup/fetch" is the ratio of their wall-clock times.
void BM_LookupIccidOverPlainFetch(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    curl_global_init(CURL_GLOBAL_DEFAULT);
    PageServer server;
    std::string body;
    NullForm form;
    Clock::duration fetching {};
    Clock::duration lookingUp {};
    for (auto _ : state) {
        const auto start = Clock::now();
        if (const CURLcode result = plainFetch(server.url(), body); result != CURLE_OK) {
            state.SkipWithError(curl_easy_strerror(result));
            break;
        }
        const auto fetched = Clock::now();
        form = NullForm();
        lookup::LookupIccid(form, Iccid);
        lookingUp += Clock::now() - fetched;
        fetching += fetched - start;
        server.served(state);
        server.served(state);
    }
    if (!state.error_occurred() && !form.readFourFields())
        state.SkipWithError("the lookup did not give the four fields");
    if (fetching.count() > 0)
        state.counters["lookup/fetch"] = double(lookingUp.count()) / double(fetching.count());
}

} // namespace

BENCHMARK(BM_PlainCurlFetch)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_LookupIccid)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_LookupIccidOverPlainFetch)->Unit(benchmark::kMicrosecond)->UseRealTime();
