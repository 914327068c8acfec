// The serial-number lookup, run for real against a loopback server whose
// warranty-check answer is the input. Built twice: as fuzz_serial the answer
// is declared UTF-8; as fuzz_serial_charset the input's first line (at most
// 64 bytes) is the charset its Content-Type header declares.
//
// Checked beyond crashes and slowness: an empty answer gives the no-answer
// message and nothing else, and days left are never written with an exponent.

#include "support/Check.h"
#include "support/Locales.h"
#include "support/PageServer.h"
#include "support/RecordingForm.h"

#include "lookup/device/DeviceDates.h"
#include "lookup/device/LookupSerial.h"

#include <QLoggingCategory>

#include <cstdint>

namespace {

fuzz::PageServer server;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    QLoggingCategory::setFilterRules(QStringLiteral("kestrune.web=false"));
    lookup::DateSource::pin(fuzz::Today, fuzz::localeFor(2));
    // The iOS version site is fuzzed on its own; here it refuses at once.
    qputenv("KESTRUNE_IOS_SITE", (fuzz::PageServer::refused() + QStringLiteral("/ios/")).toUtf8());
    qputenv("KESTRUNE_MAKER_SITE", QByteArrayLiteral("http://127.0.0.1:9/maker/"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string body(reinterpret_cast<const char*>(data), size);
    std::string contentType = "text/html; charset=utf-8";
#ifdef FUZZ_CHARSET_LINE
    const size_t lineEnd = body.find('\n');
    if (lineEnd == std::string::npos || lineEnd > 64
        || body.find_first_of(std::string("\r\0", 2)) < lineEnd)
        return 0;
    contentType = "text/html; charset=" + body.substr(0, lineEnd);
    body.erase(0, lineEnd + 1);
#endif
    server.beginInput();
    server.set("/wcResults.do", {200, {{"Content-Type", contentType}}, body, false});
    qputenv("KESTRUNE_WARRANTY_URL", (server.base() + QStringLiteral("/wcResults.do")).toUtf8());

    RecordingForm form;
    lookup::LookupSerial(form, QStringLiteral("F2LSAMPLE001"));

    if (body.empty())
        fuzz::check(form.log() == QStringList {QStringLiteral("msg:网络异常或者服务器维护!")},
            "an empty answer read as an answer",
            QString::fromStdString(contentType) + QStringLiteral(": ") + form.log().join(u'|'));
    fuzz::checkPlainDaysLeft(form.text(lookup::T(7)));
    return 0;
}
