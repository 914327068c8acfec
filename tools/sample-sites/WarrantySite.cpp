// The warranty-check service: POST /wcResults.do with "sn=<serial>&num=<n>".
// The answer depends on the serial number (letters in any case):
//
//   serial          what the page says                       what the program shows
//   F2LSAMPLE001    activated, coverage and telephone        model, 已激活, 有效, end date 8 weeks
//                   support active                           ahead, days left, first activation
//   F2LSAMPLE002    activated, coverage and telephone        已过期 in the coverage and telephone
//                   support expired                          boxes, 未查询到信息
//   F2LSAMPLE003    not activated                            未激活 and "\" in the boxes after it
//   F2LSAMPLE004    replaced by another phone                已换机！, a message, the maker's
//                                                            replaced-device page
//   F2LSAMPLE005    not a valid serial number                the invalid-number message only
//   F2LSAMPLE006    as F2LSAMPLE001, the page declared       the model "iPhone 6s 64GB 镕丂", its
//                   gb2312 and sent in GBK, as Chinese       last two characters GBK's, not
//                   sites often do                           GB2312's
//   anything else   activated, coverage active for 300       like F2LSAMPLE001, telephone
//                   more days, telephone support expired     support 已过期
//
// End dates are counted from the day the request comes in, so the sample
// never goes stale.
#include "SampleSites.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <string>

namespace samples {

namespace {

enum class Coverage { Active, Expired };

struct Phone {
    std::string product;
    bool activated = true;
    Coverage repairs = Coverage::Active;
    int repairsDaysLeft = 0;
    Coverage telephone = Coverage::Active;
    int telephoneDaysLeft = 0;
};

std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
        [](unsigned char c) { return char(std::toupper(c)); });
    return text;
}

// "June 10, 2027", the way the service prints its dates.
std::string dateFromToday(int days)
{
    static const char* const Months[] = {"January", "February", "March", "April", "May", "June",
        "July", "August", "September", "October", "November", "December"};
    const std::tm day = dayFromToday(days);
    return std::string(Months[day.tm_mon]) + " " + std::to_string(day.tm_mday) + ", "
        + std::to_string(day.tm_year + 1900);
}

std::string page(
    const std::string& title, const std::string& content, const std::string& charset = "utf-8")
{
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"" + charset
        + "\">\n<title>" + title
        + "</title>\n<style>\n.registration-true, .registration-false { font-weight: bold; }\n"
          "#container { width: 980px; margin: 0 auto; }\n</style>\n"
          "</head>\n<body>\n<div id=\"globalheader\"><a href=\"/\">Support</a></div>\n"
          "<div id=\"container\">\n"
        + content
        + "\n</div>\n<div id=\"globalfooter\">Sample answer, not real data.</div>\n"
          "</body>\n</html>\n";
}

std::string sorry(const std::string& sentence)
{
    return page("Check Your Service and Support Coverage",
        "<h2>Check Your Service and Support Coverage</h2>\n<p class=\"error\">" + sentence
            + "</p>");
}

std::string coverageSection(const std::string& heading, Coverage coverage, int daysLeft,
    const std::string& activeText, const std::string& expiredText)
{
    if (coverage == Coverage::Expired)
        return "<h3>" + heading + ": Expired</h3>\n<p>" + expiredText + "</p>\n";
    return "<h3>" + heading + ": Active</h3>\n<p>" + activeText
        + "<br>Estimated Expiration Date: " + dateFromToday(daysLeft) + "</p>\n";
}

std::string result(const std::string& serial, const Phone& phone, const std::string& charset)
{
    std::string content = "<h2>Check Your Service and Support Coverage</h2>\n<p>Serial Number: "
        + serial + "</p>\n<script>displayProductInfo('/images/products/iphone.png', '"
        + phone.product + "', 'iPhone', 'Y');</script>\n";
    if (!phone.activated) {
        return page("Check Your Service and Support Coverage",
            content
                + "<div id=\"registration\" class=\"registration-false\">"
                  "Please validate your product's purchase date</div>\n"
                  "<p>The product has not been activated yet.</p>",
            charset);
    }
    content += "<div id=\"registration\" class=\"registration-true\">"
               "Valid Purchase Date</div>\n";
    content += coverageSection("Repairs and Service Coverage", phone.repairs, phone.repairsDaysLeft,
        "Your product is covered for eligible hardware repairs and service.",
        "Your product is no longer covered for hardware repairs.");
    content += coverageSection("Telephone Technical Support", phone.telephone,
        phone.telephoneDaysLeft, "Your product is eligible for telephone technical support.",
        "Your product's telephone technical support has expired.");
    return page("Check Your Service and Support Coverage", content, charset);
}

} // namespace

std::optional<loopback::Response> warrantySite(const loopback::Request& request)
{
    if (request.path != "/wcResults.do")
        return std::nullopt;
    if (request.method != "POST")
        return loopback::html("<html><body><h1>405 Method Not Allowed</h1></body></html>", 405);

    const std::string serial = upper(formField(request.body, "sn").value_or(""));
    if (serial == "F2LSAMPLE004")
        return loopback::html(sorry("We're sorry, but this is a serial number for a product that "
                                    "has been replaced. Please enter the serial number of the "
                                    "replacement product."));
    if (serial == "F2LSAMPLE005" || serial.empty())
        return loopback::html(sorry("We're sorry, but this serial number is not valid. Please "
                                    "check your information and try again."));

    Phone phone;
    if (serial == "F2LSAMPLE006") {
        // 镕 and 丂 in GBK: E9 46 and 81 40, pairs GB2312 itself does not have.
        phone
            = {"iPhone 6s 64GB \xE9\x46\x81\x40", true, Coverage::Active, 56, Coverage::Active, 21};
        loopback::Response response = loopback::html(result(serial, phone, "gb2312"));
        response.headers = {{"Content-Type", "text/html; charset=gb2312"}};
        return response;
    }
    if (serial == "F2LSAMPLE001") {
        phone = {"iPhone 6 Plus 64GB Space Gray", true, Coverage::Active, 56, Coverage::Active, 21};
    } else if (serial == "F2LSAMPLE002") {
        phone = {"iPhone 5s 16GB Silver", true, Coverage::Expired, 0, Coverage::Expired, 0};
    } else if (serial == "F2LSAMPLE003") {
        phone = {"iPhone 6 128GB Gold", false, Coverage::Active, 0, Coverage::Active, 0};
    } else {
        phone = {"iPhone 6 16GB Space Gray", true, Coverage::Active, 300, Coverage::Expired, 0};
    }
    return loopback::html(result(serial, phone, "utf-8"));
}

} // namespace samples
