#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace web {
class HttpRequest;
}

namespace lookup {

// The body of the request's last answer as text. Nothing when there is none,
// when the site answered with an error status (400 and up), or with a redirect
// that was not followed: neither says what the site knows of the phone or card.
std::optional<QString> AnswerText(const web::HttpRequest& request);

// The same answer as raw bytes, for a lookup that decodes it itself.
std::optional<QByteArray> AnswerBody(const web::HttpRequest& request);

} // namespace lookup
