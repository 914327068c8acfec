#include "LookupIosVersion.h"

#include "lookup/Answers.h"
#include "lookup/Cuts.h"
#include "lookup/FormValue.h"
#include "lookup/Sites.h"
#include "web/HttpRequest.h"

#include <optional>

namespace lookup {

namespace {

const QString TokenMarker = QStringLiteral("qm_token value=");
const QString VersionMarker = QStringLiteral("biaoti>iOS版本");
const QString StrongMarker = QStringLiteral("<strong>");

// The session cookie the home page sets, as the result form wants it back:
// the name=value pair before any attributes.
std::optional<QString> siteCookie(const web::HttpRequest& request)
{
    const auto setCookie = request.GetResponseHeader(QStringLiteral("Set-Cookie"));
    if (!setCookie)
        return std::nullopt;
    const QString cookie = cuts::pieceBefore(*setCookie, QStringLiteral(";"));
    if (cookie.isEmpty())
        return std::nullopt;
    return cookie;
}

// The hidden form field of the home page. The site quotes its attributes with
// single quotes, which are dropped before the cut; the value ends at the "/"
// of the self-closing tag.
std::optional<QString> formToken(QString homePage)
{
    homePage.remove(QLatin1Char('\''));
    const auto afterMarker = cuts::pieceAfter(homePage, TokenMarker);
    if (!afterMarker)
        return std::nullopt;
    const QString token = cuts::pieceBefore(*afterMarker, QStringLiteral("/"));
    if (token.isEmpty())
        return std::nullopt;
    return token;
}

// The version on the result page. The page is searched without its blanks and
// double quotes, so however the site spaces or quotes its table the markers
// match; the version loses its blanks too ("iOS 9.3" reads "iOS9.3").
std::optional<QString> versionOn(QString resultPage)
{
    resultPage.remove(QLatin1Char(' '));
    resultPage.remove(QLatin1Char('"'));
    const auto section = cuts::pieceAfter(resultPage, VersionMarker);
    if (!section)
        return std::nullopt;
    return cuts::valueAfter(*section, StrongMarker);
}

} // namespace

namespace {

// The version, the empty text when a page says none, nothing when a request
// got no answer.
std::optional<QString> askSite(const QString& serial)
{
    const Sites sites = Sites::fromEnvironment();
    web::HttpRequest request;

    if (!request.Open(QStringLiteral("GET"), sites.iosSite, false))
        return std::nullopt;
    request.SetRequestHeader(QStringLiteral("Connection"), QStringLiteral("Keep-Alive"));
    request.SetRequestHeader(QStringLiteral("If-Modify-Since"), QStringLiteral("0"));
    request.Send();
    const auto homePage = AnswerText(request);
    if (!homePage)
        return std::nullopt;
    const auto cookie = siteCookie(request);
    if (!cookie)
        return QString();
    const auto token = formToken(*homePage);
    if (!token)
        return QString();

    if (!request.Open(QStringLiteral("POST"), sites.iosResultPage(), false))
        return std::nullopt;
    request.SetRequestHeader(
        QStringLiteral("Content-Type"), QStringLiteral("application/x-www-form-urlencoded"));
    request.SetRequestHeader(QStringLiteral("Cookie"), *cookie);
    request.SetRequestHeader(QStringLiteral("Referer"), sites.iosSite);
    // The site's form has always been posted with this length. The request
    // object sends the body's true length instead, so a token or serial number
    // of another size still reaches the site whole.
    request.SetRequestHeader(QStringLiteral("Content-Length"), QStringLiteral("39"));
    request.SetRequestHeader(QStringLiteral("Control-Cache"), QStringLiteral("no-cache"));
    // The token goes back as the site's page gave it; the serial number is
    // the user's, and encoded.
    request.Send(
        QStringLiteral("qm_token=") + *token + QStringLiteral("&postsn=") + FormValue(serial));
    const auto resultPage = AnswerText(request);
    if (!resultPage)
        return std::nullopt;
    return versionOn(*resultPage).value_or(QString());
}

} // namespace

QString LookupIosVersion(const QString& serial)
{
    return askSite(serial).value_or(QString());
}

QString LookupIosVersion(Form& form, const QString& serial)
{
    const auto version = askSite(serial);
    if (!version)
        form.unanswered(Request::IosVersion);
    return version.value_or(QString());
}

} // namespace lookup
