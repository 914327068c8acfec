#include "AnswerText.h"

#include "web/HttpRequest.h"

namespace lookup {

std::optional<QString> AnswerText(const web::HttpRequest& request)
{
    if (request.Status().value_or(0) >= 400)
        return std::nullopt;
    return request.ResponseText();
}

} // namespace lookup
