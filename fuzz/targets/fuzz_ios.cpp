// The iOS version lookup, run for real against a loopback server. The input
// is the result page; when it holds a NUL byte, what comes before the first
// one is the home page (which carries the form's token) instead of a fixed one.
//
// Checked beyond crashes and slowness: the version is a cut of the page
// searched without blanks and double quotes, so it holds none of them, nor
// the "<" that ends it.

#include "support/Check.h"
#include "support/PageServer.h"

#include "lookup/device/LookupIosVersion.h"

#include <QLoggingCategory>

#include <cstdint>

namespace {

fuzz::PageServer server;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    QLoggingCategory::setFilterRules(QStringLiteral("kestrune.web=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string result(reinterpret_cast<const char*>(data), size);
    std::string home = "<input type='hidden' name='qm_token' value='tok4567890'/>";
    if (const size_t nul = result.find('\0'); nul != std::string::npos) {
        home = result.substr(0, nul);
        result.erase(0, nul + 1);
    }
    server.beginInput();
    auto homePage = loopback::html(home);
    homePage.headers.emplace_back("Set-Cookie", "qm_session=1; path=/");
    server.set("/ios/", homePage);
    server.set("/ios/result/", loopback::html(result));
    qputenv("KESTRUNE_IOS_SITE", (server.base() + QStringLiteral("/ios/")).toUtf8());

    const QString version = lookup::LookupIosVersion(QStringLiteral("F2LSAMPLE001"));
    for (const QChar unwanted : {u' ', u'"', u'<'})
        fuzz::check(
            !version.contains(unwanted), "the version holds what the cut leaves out", version);
    return 0;
}
