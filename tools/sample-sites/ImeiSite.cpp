// The IMEI check site: a home page that hands out a session cookie, and
// "validate.php", which answers the form only for that session and the right
// request key, the way the real site guards itself against scripts.
//
//   IMEI               what validate.php answers
//   351111111111111    warranty active (six weeks from today), telephone support
//                      active (three weeks from today), "iPhone 6s White 64GB"
//   352222222222222    warranty and telephone support expired, "iPhone 5 Black 16GB"
//   353333333333333    not activated
//   354444444444444    replaced by the maker
//   355555555555555    "Wrong IMEI number" (so does every IMEI not in this table)
//   356666666666666    an empty answer: the program asks the warranty-check
//                      service instead
//
// Without the session cookie or with a wrong key the site answers a page that
// asks to start again, with none of the result captions in it.
#include "SampleSites.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <string>
#include <utility>

namespace samples {

namespace {

const std::string Home = "/imei/";
const std::string Validate = "/imei/validate.php";
const std::string SessionName = "PHPSESSID";
const std::string SessionId = "5f0c2a9e7d3b41c8a6e2b7d9c4f1a083";

// The site's key: seven sums of two IMEI digits, last digit only; anything
// that is not a digit counts 0.
std::string requestKey(const std::string& imei)
{
    static constexpr std::array<std::pair<size_t, size_t>, 7> pairs {
        {{5, 6}, {1, 10}, {12, 15}, {4, 7}, {2, 9}, {13, 14}, {3, 8}}};
    auto digit = [&](size_t position) {
        const char c = position <= imei.size() ? imei[position - 1] : '0';
        return c >= '0' && c <= '9' ? c - '0' : 0;
    };
    std::string key;
    for (const auto& [first, second] : pairs)
        key += char('0' + (digit(first) + digit(second)) % 10);
    return key;
}

// Whether the request carries our session's cookie.
bool carriesSession(const loopback::Request& request)
{
    return cookie(request, SessionName) == SessionId;
}

// A date some days from today, written the way the site writes dates.
std::string daysFromToday(int days)
{
    const std::tm local = dayFromToday(days);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

std::string row(const std::string& caption, const std::string& value)
{
    return "<tr><td>" + caption + "</td><td>" + value + "</td></tr>\n";
}

// A whole statement in a cell of its own.
std::string statement(const std::string& text)
{
    return "<tr><td>" + text + "</td></tr>\n";
}

std::string page(const std::string& title, const std::string& content)
{
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + title
        + " - IMEI Check</title></head>\n<body>\n<div class=\"result\">\n<h2>" + title + "</h2>\n"
        + content
        + "</div>\n<p class=\"footer\">Results come from public sources and may be "
          "incomplete.</p>\n</body></html>\n";
}

std::string table(const std::string& imei, const std::string& rows)
{
    return "<table class=\"info\">\n" + row("IMEI:", imei) + rows + "</table>\n";
}

std::optional<std::string> resultFor(const std::string& imei)
{
    if (imei == "351111111111111")
        return page("IMEI check result",
            table(imei,
                row("Activation status:", "Activated")
                    + row("Product description:", "iPhone 6s White 64GB")
                    + statement("Warranty(repairs and service coverage): Active")
                    + row("Warranty expiration date:", daysFromToday(42))
                    + statement("Telephone technical support: Active")
                    + row("Telephone support expiration date:", daysFromToday(21))));
    if (imei == "352222222222222")
        return page("IMEI check result",
            table(imei,
                row("Activation status:", "Activated")
                    + row("Product description:", "iPhone 5 Black 16GB")
                    + statement("Warranty(repairs and service coverage): Expired")
                    + statement("Telephone technical support: Expired")));
    if (imei == "353333333333333")
        return page("IMEI check result",
            table(imei,
                row("Activation status:", "Not Activated")
                    + row("Product description:", "iPhone 7 Jet Black 128GB")));
    if (imei == "354444444444444")
        return page("IMEI check result",
            "<p class=\"notice\">We're sorry, but this IMEI is for a product that has "
            "been replaced. Please contact the seller.</p>\n");
    if (imei == "356666666666666")
        return std::nullopt; // the site has nothing to say about it
    return page("IMEI check result",
        table(imei, statement("Wrong IMEI number. Please check the number and try again.")));
}

loopback::Response homePage()
{
    auto response = loopback::html(page("Check your IMEI",
        "<form id=\"check\"><label>IMEI: <input name=\"imei\" maxlength=\"15\"></label>\n"
        "<button type=\"submit\">Check</button></form>\n"
        "<div id=\"answer\"></div>\n"));
    response.headers.emplace_back(
        "Set-Cookie", SessionName + "=" + SessionId + "; path=/; HttpOnly");
    return response;
}

loopback::Response validate(const loopback::Request& request)
{
    const std::string imei = formField(request.body, "imei").value_or("");
    if (request.method != "POST" || !carriesSession(request)
        || formField(request.body, "key") != requestKey(imei))
        return loopback::html(page("Session expired",
            "<p>Your session has expired. Please reload the page and "
            "check again.</p>\n"));
    const auto result = resultFor(imei);
    return loopback::html(result.value_or(""));
}

} // namespace

std::optional<loopback::Response> imeiSite(const loopback::Request& request)
{
    if (request.path == Home)
        return homePage();
    if (request.path == Validate)
        return validate(request);
    return std::nullopt;
}

} // namespace samples
