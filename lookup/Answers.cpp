#include "Answers.h"

#include "web/HttpRequest.h"

namespace lookup {

namespace {

// An error page tells that the site is down, not what it knows of the phone
// or card. So does a redirect that ends the request: a followed one never
// does, so this one was not followed (the ICCID lookup follows none, and
// libcurl stops at one without a Location), and its body is the server's
// note of where the page went.
bool isErrorPage(const web::HttpRequest& request)
{
    return request.Status().value_or(0) >= 300;
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
