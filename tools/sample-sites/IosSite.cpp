// The iOS version site: GET /ios/ sets a session cookie and carries the form
// with its hidden "qm_token"; POST /ios/result/ with "qm_token=...&postsn=..."
// answers the version when the token belongs to the session cookie sent
// back, and a "please reload" page otherwise.
//
// The site keeps no sessions: the token is computed from the session name, so
// any number of program instances can use it at once.
#include "SampleSites.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

namespace samples {

namespace {

const std::string CookieName = "qm_session";

// Sample versions, one per serial number; the same serial always gets the same.
const char* const Versions[] = {"9.3.5", "10.3.3", "12.5.7", "15.7.9", "16.7.8"};

std::uint32_t fnv1a(const std::string& text)
{
    std::uint32_t hash = 2166136261u;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 16777619u;
    }
    return hash;
}

std::string hex(std::uint32_t value, int digits)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*x", digits, unsigned(value));
    return buffer;
}

// Ten characters, like the real site's tokens.
std::string tokenFor(const std::string& session)
{
    return "t" + hex(fnv1a("qm:" + session), 8) + "q";
}

std::string newSession()
{
    static std::atomic<std::uint32_t> counter {0};
    return hex(std::uint32_t(std::time(nullptr)), 8) + hex(++counter, 4);
}

// The session named by the request's cookie; empty when there is none.
std::string sessionOf(const loopback::Request& request)
{
    return cookie(request, CookieName).value_or(std::string());
}

// The serial number is shown back on the page; it must not become markup.
std::string escaped(const std::string& text)
{
    std::string result;
    for (const char c : text) {
        switch (c) {
        case '<': result += "&lt;"; break;
        case '>': result += "&gt;"; break;
        case '&': result += "&amp;"; break;
        case '"': result += "&quot;"; break;
        default: result += c;
        }
    }
    return result;
}

std::string page(const std::string& content)
{
    return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
           "<title>iOS版本查询 - 苹果设备系统版本在线查询</title>\n</head>\n<body>\n"
           "<div class=\"header\"><h1>iOS版本查询</h1></div>\n<div class=\"main\">\n"
        + content
        + "\n</div>\n<div class=\"footer\">示例网站，数据并非真实。</div>\n</body>\n</html>\n";
}

loopback::Response homePage()
{
    const std::string session = newSession();
    loopback::Response response = loopback::html(page("<form method='post' action='/ios/result/'>\n"
                                                      "<input type='hidden' name='qm_token' value='"
        + tokenFor(session)
        + "'/>\n"
          "<label>序列号：<input type='text' name='postsn' maxlength='20'/></label>\n"
          "<input type='submit' value='查询'/>\n</form>"));
    response.headers.emplace_back("Set-Cookie", CookieName + "=" + session + "; path=/ios/");
    return response;
}

loopback::Response resultPage(const loopback::Request& request)
{
    const std::string session = sessionOf(request);
    const std::string token = formField(request.body, "qm_token").value_or("");
    if (session.empty() || token != tokenFor(session))
        return loopback::html(page("<p class=\"error\">页面已过期，请刷新页面后重新查询。</p>"));

    const std::string serial = formField(request.body, "postsn").value_or("");
    const char* version = Versions[fnv1a(serial) % (sizeof Versions / sizeof *Versions)];
    return loopback::html(page("<table class=\"result\">\n"
                               "<tr><td class=\"biaoti\">序列号</td><td>"
        + escaped(serial)
        + "</td></tr>\n"
          "<tr><td class=\"biaoti\">iOS版本</td><td><strong>"
        + version + "</strong></td></tr>\n</table>"));
}

} // namespace

std::optional<loopback::Response> iosSite(const loopback::Request& request)
{
    if (request.path == "/ios/" && request.method == "GET")
        return homePage();
    if (request.path == "/ios/result/" && request.method == "POST")
        return resultPage(request);
    return std::nullopt;
}

} // namespace samples
