// The IMEI lookup, run for real against a loopback server: the home page
// hands out the session cookie, and the result page is the input.
//
// Checked beyond crashes and slowness: an empty result page sends the lookup
// to the warranty-check service (here refusing), whose no-answer message is
// then all the user sees; days left are never written with an exponent.

#include "support/Check.h"
#include "support/Locales.h"
#include "support/PageServer.h"
#include "support/RecordingForm.h"

#include "lookup/device/DeviceDates.h"
#include "lookup/device/LookupImei.h"

#include <QLoggingCategory>

#include <cstdint>

namespace {

fuzz::PageServer server;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    QLoggingCategory::setFilterRules(QStringLiteral("kestrune.web=false"));
    lookup::DateSource::pin(fuzz::Today, fuzz::localeFor(2));
    // The other sites are fuzzed on their own; here they refuse at once.
    const QString refused = fuzz::PageServer::refused();
    qputenv("KESTRUNE_WARRANTY_URL", (refused + QStringLiteral("/wcResults.do")).toUtf8());
    qputenv("KESTRUNE_IOS_SITE", (refused + QStringLiteral("/ios/")).toUtf8());
    qputenv("KESTRUNE_MAKER_SITE", QByteArrayLiteral("http://127.0.0.1:9/maker/"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string page(reinterpret_cast<const char*>(data), size);
    server.beginInput();
    auto home = loopback::html("<html><body>IMEI</body></html>");
    home.headers.emplace_back("Set-Cookie", "PHPSESSID=fuzz; path=/");
    server.set("/imei/", home);
    server.set("/imei/validate.php", loopback::html(page));
    qputenv("KESTRUNE_IMEI_SITE", (server.base() + QStringLiteral("/imei/")).toUtf8());

    RecordingForm form;
    lookup::LookupImei(form, QStringLiteral("351111111111111"));

    if (page.empty())
        fuzz::check(form.log() == QStringList {QStringLiteral("msg:网络异常或者服务器维护!")},
            "an empty result page read as an answer", form.log().join(u'|'));
    fuzz::checkPlainDaysLeft(form.text(lookup::T(7)));
    return 0;
}
