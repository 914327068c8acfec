#include "LookupImei.h"

#include "DeviceDates.h"
#include "DeviceResults.h"
#include "LookupIosVersion.h"
#include "LookupSerial.h"
#include "lookup/Answers.h"
#include "lookup/Cuts.h"
#include "lookup/FormValue.h"
#include "lookup/Messages.h"
#include "lookup/Sites.h"
#include "web/HttpRequest.h"

#include <array>
#include <optional>
#include <utility>

namespace lookup {

namespace {

// Our own support line, offered to owners whose phone still has telephone
// support with the maker: we ask the maker to lock and trace it for them.
const QString SupportTelephone = QStringLiteral("400-666-8800");

// What the IMEI check site writes into its result page.
const QString WrongImeiMarker = QStringLiteral("Wrong IMEI number");
const QString ReplacedMarker = QStringLiteral("that has been replaced");
const QString ActivationMarker = QStringLiteral("Activation status:");
const QString ActivatedValue = QStringLiteral("Activated");
const QString ProductMarker = QStringLiteral("Product description:");
const QString WarrantyActiveMarker
    = QStringLiteral("Warranty(repairs and service coverage): Active");
const QString WarrantyDateMarker = QStringLiteral("Warranty expiration date:");
const QString PhoneExpiredMarker = QStringLiteral("Telephone technical support: Expired");
const QString PhoneActiveMarker = QStringLiteral("Telephone technical support: Active");
const QString PhoneDateMarker = QStringLiteral("Telephone support expiration date:");

// What we show.
const QString ReplacedMessage = QStringLiteral("您的机器已经被换机，联系客服查询换机后的IMEI!");
const QString WarrantyActiveText = QStringLiteral("有效  保修期间手机可能会被翻新换机 需关注");
const QString DaysUnit = QStringLiteral("天");
const QString PhoneActiveText
    = QStringLiteral("有效  联系苹果售后:") + SupportTelephone + QStringLiteral("请求锁机追踪");

// The positions (counted from 1) of the two IMEI characters whose sum gives
// each key digit, in the order of the key.
constexpr std::array<std::pair<int, int>, 7> KeyPairs {
    {{5, 6}, {1, 10}, {12, 15}, {4, 7}, {2, 9}, {13, 14}, {3, 8}}};

// Only ASCII digits count: the site computes the key from what it receives,
// and a full-width or Arabic-Indic digit is not a digit to it.
int digitAt(const QString& imei, int position)
{
    if (position > imei.size())
        return 0;
    const char16_t c = imei.at(position - 1).unicode();
    return c >= u'0' && c <= u'9' ? c - u'0' : 0;
}

// The first name=value pair of the home page's cookie, as the site wants it
// back; empty when the home page set none.
QString siteCookie(const web::HttpRequest& request)
{
    const QString header
        = request.GetResponseHeader(QStringLiteral("Set-Cookie")).value_or(QString());
    if (header.isEmpty())
        return {};
    return header.section(QLatin1Char(';'), 0, 0) + QLatin1Char(';');
}

// The site's result page for the request body, or nothing when the site gave
// nothing to work with: no home page, no cookie, no result page.
std::optional<QString> fetchResultPage(Form& form, const QString& body)
{
    const Sites sites = Sites::fromEnvironment();
    web::HttpRequest request;

    // The home page only hands out the session cookie the form needs.
    request.Open(QStringLiteral("GET"), sites.imeiSite, false);
    request.Send();
    const auto homePage = AnswerText(request);
    if (!homePage)
        form.unanswered(Request::ImeiCheck);
    if (homePage.value_or(QString()).isEmpty())
        return std::nullopt;
    const QString cookie = siteCookie(request);
    if (cookie.isEmpty())
        return std::nullopt;

    // The site's own page posts the form from script, and the site checks that.
    request.Open(QStringLiteral("POST"), sites.imeiValidatePage(), false);
    request.SetRequestHeader(QStringLiteral("Referer"), sites.imeiSite);
    request.SetRequestHeader(
        QStringLiteral("Content-Type"), QStringLiteral("application/x-www-form-urlencoded"));
    request.SetRequestHeader(QStringLiteral("x-requested-with"), QStringLiteral("XMLHttpRequest"));
    request.SetRequestHeader(QStringLiteral("Cookie"), cookie);
    request.Send(body);
    const auto answer = AnswerText(request);
    if (!answer)
        form.unanswered(Request::ImeiCheck);
    QString page = answer.value_or(QString());
    if (page.isEmpty())
        return std::nullopt;
    // The values stand in table cells right after their captions.
    return cuts::without(std::move(page), {QStringLiteral("<td>"), QStringLiteral("</td>")});
}

// Every cut of the page goes into this one slot, in the order of the reading.
// A cut that finds nothing leaves the slot as it was: where a caption is
// missing from the page, the value of the cut before it is read in its place.
class ValueSlot {
public:
    explicit ValueSlot(const QString& page)
        : page_(page)
    {
    }

    const QString& cut(const QString& marker)
    {
        if (auto value = cuts::valueAfter(page_, marker))
            held_ = std::move(*value);
        return held_;
    }

    // The slot read as a date. An empty slot is no date: it says the page had
    // no date where one was looked for, not that the date is the start of the
    // calendar.
    std::optional<DeviceDate> date() const
    {
        if (held_.isEmpty())
            return std::nullopt;
        return ReadDeviceDate(held_);
    }

private:
    const QString& page_;
    QString held_;
};

void readWarranty(Form& form, const QString& page, ValueSlot& slot)
{
    if (!page.contains(WarrantyActiveMarker)) {
        WriteCoverageExpired(form);
        return;
    }
    form.setText(T(5), WarrantyActiveText);
    slot.cut(WarrantyDateMarker);
    if (const auto end = slot.date())
        WriteCoverageDates(form, *end, DaysUnit);
}

void readTelephoneSupport(Form& form, const QString& page, ValueSlot& slot)
{
    if (page.contains(PhoneExpiredMarker))
        WriteEach(form, 8, 9, ExpiredText);
    // Checked after the expired marker, so that an active support wins.
    if (page.contains(PhoneActiveMarker)) {
        form.setText(T(8), PhoneActiveText);
        slot.cut(PhoneDateMarker);
        if (const auto end = slot.date())
            form.setText(T(9), EndDateText(*end));
    }
}

void readResultPage(Form& form, const QString& imei, const QString& page)
{
    if (page.contains(WrongImeiMarker)) {
        Show(form, InvalidNumberMessage);
        return;
    }
    if (page.contains(ReplacedMarker)) {
        WriteEach(form, 1, 8, ReplacedText);
        Show(form, ReplacedMessage);
        return;
    }
    form.setText(T(1), NotReplacedText);

    ValueSlot slot(page);
    if (page.contains(ActivationMarker)) {
        if (slot.cut(ActivationMarker) != ActivatedValue) {
            WriteNotActivated(form);
            return;
        }
        form.setText(T(3), ActivatedText);
    }
    if (page.contains(ProductMarker)) {
        QString model = slot.cut(ProductMarker);
        model.replace(QStringLiteral("White"), QStringLiteral("小白"));
        model.replace(QStringLiteral("Black"), QStringLiteral("小黑"));
        form.setText(T(2), model);
    }
    readWarranty(form, page, slot);
    readTelephoneSupport(form, page, slot);
    form.setText(T(10), LookupIosVersion(form, imei) + IosServiceNotice);
}

} // namespace

QString ImeiRequestKey(const QString& imei)
{
    QString key;
    for (const auto& [first, second] : KeyPairs)
        key += QLatin1Char(char('0' + (digitAt(imei, first) + digitAt(imei, second)) % 10));
    return key;
}

void LookupImei(Form& form, const QString& imei)
{
    const QString body = QStringLiteral("imei=") + FormValue(imei) + QStringLiteral("&jq=x&key=")
        + ImeiRequestKey(imei);
    const auto page = fetchResultPage(form, body);
    // The warranty-check service knows phones by their IMEI too. Its answer is
    // the whole answer: nothing of the IMEI site is read over it, and an
    // unreachable site sends the user there once, not once per request.
    if (!page) {
        LookupSerial(form, imei);
        return;
    }
    readResultPage(form, imei, *page);
}

} // namespace lookup
