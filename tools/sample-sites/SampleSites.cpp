#include "SampleSites.h"

namespace samples {

loopback::Response answer(const loopback::Request& request)
{
    for (auto site : {iccidSite, makerSite, warrantySite, iosSite, imeiSite}) {
        if (auto response = site(request))
            return *response;
    }
    return loopback::html("<html><body><h1>404 Not Found</h1></body></html>", 404);
}

std::vector<std::pair<std::string, std::string>> environment(const std::string& base)
{
    return {
        {"KESTRUNE_ICCID_SITE", base},
        {"KESTRUNE_WARRANTY_URL", base + "/wcResults.do"},
        {"KESTRUNE_IMEI_SITE", base + "/imei/"},
        {"KESTRUNE_IOS_SITE", base + "/ios/"},
        {"KESTRUNE_MAKER_SITE", base + "/maker/"},
        {"KESTRUNE_SHOP_URL", base + "/shop/item.htm?id=520013145678"},
    };
}

std::optional<std::string> formField(const std::string& form, const std::string& name)
{
    size_t start = 0;
    while (start <= form.size()) {
        const size_t end = std::min(form.find('&', start), form.size());
        const std::string pair = form.substr(start, end - start);
        const size_t equals = pair.find('=');
        if (pair.substr(0, equals) == name)
            return equals == std::string::npos ? std::string() : pair.substr(equals + 1);
        start = end + 1;
    }
    return std::nullopt;
}

} // namespace samples
