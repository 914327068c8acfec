#pragma once

#include <QString>

#include <optional>

namespace web {
class HttpRequest;
}

namespace lookup {

// The body of the request's last answer as text. Nothing when there is none,
// or when the site answered with an error status (400 and up): an error page
// tells that the site is down, not what it knows of the phone.
std::optional<QString> AnswerText(const web::HttpRequest& request);

} // namespace lookup
