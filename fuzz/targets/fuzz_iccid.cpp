// The ICCID lookup, run for real against a loopback server whose result page
// is the input.
//
// Checked beyond crashes and slowness: an empty page gives the site's
// no-answer message and nothing else; and the page is read as a page that
// was upper-cased (and stripped of double quotes) beforehand by QString's
// own toUpper (a code point at a time) is read: the lookup's fast upper-casing must agree with it.

#include "support/Check.h"
#include "support/Locales.h"
#include "support/PageServer.h"
#include "support/RecordingForm.h"

#include "lookup/device/DeviceDates.h"
#include "lookup/sim/LookupIccid.h"
#include "web/TextDecoding.h"

#include <QLoggingCategory>

#include <cstdint>

namespace {

fuzz::PageServer server;

// QString::toUpper, one code point at a time. Qt's own upper-casing of a
// whole text moves everything behind a character whose upper case is longer
// ("ß" to "SS"), so on a page full of them the reference would be the slow
// part; this one is linear and gives the same text.
QString upperCased(const QString& text)
{
    QString upper;
    upper.reserve(text.size());
    for (const char32_t codePoint : text.toUcs4())
        upper += QString::fromUcs4(&codePoint, 1).toUpper();
    return upper;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    QLoggingCategory::setFilterRules(QStringLiteral("kestrune.web=false"));
    lookup::DateSource::pin(fuzz::Today, fuzz::localeFor(2));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string page(reinterpret_cast<const char*>(data), size);
    server.beginInput();
    server.set("/iccid/result.php", loopback::html(page));
    qputenv("KESTRUNE_ICCID_SITE", server.base().toUtf8());

    RecordingForm form;
    lookup::LookupIccid(form, QStringLiteral("89860012345678901234"));

    if (page.empty()) {
        fuzz::check(form.log()
                == QStringList {QStringLiteral("msg:网络通信异常，可能是服务器维护，请稍后再试！")},
            "an empty page read as an answer", form.log().join(u'|'));
        return 0;
    }
    QString upper = web::DecodeText(QByteArray::fromStdString(page), QStringLiteral("UTF-8"))
                        .value_or(QString());
    upper.remove(QLatin1Char('"'));
    upper = upperCased(upper);
    if (upper.isEmpty())
        return 0;
    RecordingForm reference;
    lookup::ReadIccidAnswer(reference, upper);
    fuzz::check(form.log() == reference.log(), "the page reads otherwise once upper-cased by Qt",
        form.log().join(u'|') + QStringLiteral("\nversus\n") + reference.log().join(u'|'));
    return 0;
}
