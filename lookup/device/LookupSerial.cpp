#include "LookupSerial.h"

#include "DeviceDates.h"
#include "DeviceResults.h"
#include "LookupIosVersion.h"
#include "RequestNumbers.h"
#include "lookup/Answers.h"
#include "lookup/Cuts.h"
#include "lookup/FormValue.h"
#include "lookup/Messages.h"
#include "lookup/Sites.h"
#include "web/HttpRequest.h"

namespace lookup {

namespace {

// What the warranty-check service writes into its answer.
const QString InvalidMarker = QStringLiteral("but this serial number is not valid");
const QString ReplacedMarker
    = QStringLiteral("but this is a serial number for a product that has been replaced");
const QString ContainerMarker = QStringLiteral("#container");
const QString ProductMarker = QStringLiteral("displayProductInfo");
const QString ActivatedMarker = QStringLiteral("registration-true");
const QString NotActivatedMarker = QStringLiteral("registration-false");
const QString CoverageActiveMarker = QStringLiteral("Repairs and Service Coverage: Active");
const QString PhoneExpiredMarker = QStringLiteral("Telephone Technical Support: Expired");
const QString PhoneActiveMarker = QStringLiteral("Telephone Technical Support: Active");
const QString ExpirationMarker = QStringLiteral("Estimated Expiration Date:");

// What we show.
const QString ReplacedMessage = QStringLiteral(
    "您的机器已经被换机，联系客服查询换机后的新IMEI才能继续进行找回!马上为您打开查询换机维修的宝贝,"
    "您可以通过购买宝贝进行查询！");

// The service's answer as text; empty when there is none worth reading.
QString fetchAnswer(Form& form, const QString& serial)
{
    const QString body = QStringLiteral("sn=") + FormValue(serial) + QStringLiteral("&num=")
        + QString::number(NextRequestNumber());

    web::HttpRequest request;
    request.Option(web::HttpRequest::EnableRedirects, true);
    request.Open(QStringLiteral("post"), Sites::fromEnvironment().warrantyUrl, false);
    request.SetRequestHeader(
        QStringLiteral("Content-Type"), QStringLiteral("application/x-www-form-urlencoded"));
    request.SetRequestHeader(QStringLiteral("Accept-Language"), QStringLiteral("zh-CN"));
    request.Send(body);
    request.WaitForResponse(10000);
    const auto answer = AnswerText(request);
    if (!answer)
        form.unanswered(Request::Warranty);
    return answer.value_or(QString());
}

// The description is the second argument of the page's displayProductInfo
// call, between the first two commas after it, written with apostrophes.
QString productDescription(const QString& answer)
{
    const QString call = cuts::pieceAfter(answer, ProductMarker).value_or(QString());
    QString description = cuts::pieceAfter(call, QStringLiteral(",")).value_or(QString());
    description.remove(QLatin1Char('\''));
    return cuts::trimmedSpaces(description);
}

// The expiration date of the coverage named by `marker`: the first one after
// it. Where the section has no such line, the whole section is read, in case
// the service printed the date alone.
std::optional<DeviceDate> expirationDate(const QString& answer, const QString& marker)
{
    const QString section = cuts::pieceAfter(answer, marker).value_or(QString());
    return ReadDeviceDate(cuts::valueAfter(section, ExpirationMarker).value_or(section));
}

void showReplaced(Form& form)
{
    form.setText(T(1), ReplacedText);
    Show(form, ReplacedMessage);
    // Only once the user has read why: the page offers to look up the
    // replacement.
    form.openInSystemBrowser(Sites::fromEnvironment().replacedDevicePage());
    WriteEach(form, 2, 8, ReplacedText);
}

void showCoverage(Form& form, const QString& answer)
{
    if (!answer.contains(CoverageActiveMarker)) {
        WriteCoverageExpired(form);
        return;
    }
    form.setText(T(5), ActiveText);
    if (const auto end = expirationDate(answer, CoverageActiveMarker))
        WriteCoverageDates(form, *end, QString());
}

void showTelephoneSupport(Form& form, const QString& answer)
{
    if (answer.contains(PhoneExpiredMarker))
        WriteEach(form, 8, 9, ExpiredText);
    if (answer.contains(PhoneActiveMarker)) {
        form.setText(T(8), ActiveText);
        if (const auto end = expirationDate(answer, PhoneActiveMarker))
            form.setText(T(9), EndDateText(*end));
    }
}

} // namespace

void LookupSerial(Form& form, const QString& serial)
{
    const QString whole = fetchAnswer(form, serial);
    if (whole.isEmpty()) {
        Show(form, DeviceNoAnswerMessage);
        return;
    }
    if (whole.contains(InvalidMarker)) {
        Show(form, InvalidNumberMessage);
        return;
    }
    if (whole.contains(ReplacedMarker)) {
        showReplaced(form);
        return;
    }
    form.setText(T(1), NotReplacedText);

    // The facts stand in the page's main container; what comes before it (and
    // after a second mention of it) is navigation and script.
    const QString answer = cuts::pieceAfter(whole, ContainerMarker).value_or(whole);

    if (answer.contains(ProductMarker))
        form.setText(T(2), productDescription(answer));
    if (answer.contains(ActivatedMarker))
        form.setText(T(3), ActivatedText);
    if (answer.contains(NotActivatedMarker)) {
        WriteNotActivated(form);
        return;
    }
    showCoverage(form, answer);
    showTelephoneSupport(form, answer);
    form.setText(T(10), LookupIosVersion(form, serial));
}

} // namespace lookup
