#include "Answers.h"

#include "web/HttpRequest.h"

namespace lookup {

namespace {

// An error page tells that the site is down, not what it knows of the phone
// or card. So does a redirect that names no place to go: followed or not, it
// leads nowhere, and its body is the server's filler.
bool isErrorPage(const web::HttpRequest& request)
{
    const int status = request.Status().value_or(0);
    return status >= 400
        || (status >= 300 && !request.GetResponseHeader(QStringLiteral("Location")));
}

} // namespace

std::optional<QString> AnswerText(const web::HttpRequest& request)
{
    if (isErrorPage(request))
        return std::nullopt;
    return request.ResponseText();
}

std::optional<QByteArray> AnswerBody(const web::HttpRequest& request)
{
    if (isErrorPage(request))
        return std::nullopt;
    return request.ResponseBody();
}

} // namespace lookup
