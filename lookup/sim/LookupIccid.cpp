#include "LookupIccid.h"

#include "lookup/Cuts.h"
#include "lookup/Messages.h"
#include "lookup/Sites.h"
#include "web/HttpRequest.h"
#include "web/TextDecoding.h"

#include <array>

namespace lookup {

namespace {

const QString NoAnswerMessage = QStringLiteral("网络通信异常，可能是服务器维护，请稍后再试！");
const QString InvalidMarker = QStringLiteral("你输入的不是一个有效的ICCID码");
const QString InvalidMessage =
    QStringLiteral("亲，你输入的不是一个有效的ICCID码，请输入正确的ICCID码进行查询！");
const QString DisclaimerMarker = QStringLiteral("所以本查询结果仅供参考");
// Searched in the upper-cased answer, so the tags are upper case too.
const QString TableEnd = QStringLiteral("</TABLE>");
const QString ValueMarker = QStringLiteral("<DIV CLASS=STYLE14>");
const QString NoInformation = QStringLiteral("无相关信息！");

struct Field {
    int box;
    QString marker;
    QString appended;
};

const std::array<Field, 4> Fields{{
    {1, QStringLiteral("运营商"), QString()},
    {2, QStringLiteral("手机号"), QStringLiteral("  (左上方有利用ICCID查手机号码的方法)")},
    {3, QStringLiteral("卡年代"), QString()},
    {4, QStringLiteral("归属地"), QStringLiteral("  (移动电信较准确 联通仅供参考)")},
}};

// The site's page as text; empty when there is no answer worth reading.
QString fetchAnswer(const QString& iccid)
{
    web::HttpRequest request;
    request.Option(web::HttpRequest::EnableRedirects, false);
    request.Open(QStringLiteral("Get"),
                 Sites::fromEnvironment().iccidResultPage() + QStringLiteral("?ICCID=")
                     + IccidForAddress(iccid),
                 true);
    request.SetRequestHeader(QStringLiteral("Accept-Language"), QStringLiteral("zh-CN"));
    request.SetRequestHeader(QStringLiteral("Control-Cache"), QStringLiteral("no-cache"));
    request.Send();
    request.WaitForResponse(10000);

    // An error page says the site is down, not that the card is unknown.
    if (request.Status().value_or(0) >= 400)
        return {};
    const auto body = request.ResponseBody();
    if (!body)
        return {};
    return web::DecodeText(*body, QStringLiteral("UTF-8")).value_or(QString());
}

// The value of one field, or nothing when the field is to stay as it is.
std::optional<QString> fieldValue(const QString& section, const Field& field)
{
    const QString afterMarker = cuts::pieceAfter(section, field.marker).value_or(QString());
    auto value = cuts::pieceAfter(afterMarker, ValueMarker);
    if (!value)
        return std::nullopt;
    value->remove(QLatin1Char(' '));
    if (value->isEmpty())
        return std::nullopt;
    return cuts::pieceBefore(*value, QStringLiteral("<")) + field.appended;
}

} // namespace

QString IccidForAddress(const QString& iccid)
{
    QString encoded;
    for (const char byte : iccid.toUtf8()) {
        const auto code = static_cast<unsigned char>(byte);
        if (code <= 0x20 || code >= 0x7F || byte == '#' || byte == '%')
            encoded += QStringLiteral("%%%1").arg(code, 2, 16, QLatin1Char('0')).toUpper();
        else
            encoded += QLatin1Char(byte);
    }
    return encoded;
}

void LookupIccid(Form& form, const QString& iccid)
{
    QString answer = fetchAnswer(iccid);
    if (answer.isEmpty()) {
        Show(form, NoAnswerMessage);
        return;
    }

    answer = answer.remove(QLatin1Char('"')).toUpper();
    if (answer.contains(InvalidMarker)) {
        Show(form, InvalidMessage);
        return;
    }

    const QString section =
        cuts::pieceBefore(cuts::pieceBefore(answer, DisclaimerMarker), TableEnd);
    for (const Field& field : Fields) {
        if (!section.contains(field.marker)) {
            form.setText(T1(field.box), NoInformation);
            continue;
        }
        if (const auto value = fieldValue(section, field))
            form.setText(T1(field.box), *value);
    }
}

} // namespace lookup
