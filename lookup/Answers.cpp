#include "Answers.h"

#include "web/HttpRequest.h"

namespace lookup {

namespace {

bool isErrorPage(const web::HttpRequest& request)
{
    return request.Status().value_or(0) >= 400;
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
