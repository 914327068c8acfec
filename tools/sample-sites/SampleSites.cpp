#include "SampleSites.h"

#include <strings.h>

#include <algorithm>

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

std::string settingsFile(const std::string& base)
{
    // The file's keys, in the order of the environment above.
    static const char* const keys[]
        = {"iccid_site", "warranty_url", "imei_site", "ios_site", "maker_site", "shop_url"};
    std::string text = "# Kestrune助理 settings: the sample sites on " + base
        + " (made-up answers, not real data).\n"
          "# Save as ~/.config/kestrune/kestrune.conf; an environment variable of the\n"
          "# same name in capitals with KESTRUNE_ before it still wins over a line here.\n"
          "[sites]\n";
    const auto settings = environment(base);
    for (size_t i = 0; i < settings.size(); ++i)
        // Quoted, so that a comma or semicolon in an address stays part of it.
        text += std::string(keys[i]) + "=\"" + settings[i].second + "\"\n";
    return text;
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

std::optional<std::string> cookie(const loopback::Request& request, const std::string& name)
{
    for (const auto& [header, value] : request.headers) {
        if (header.size() != 6 || strncasecmp(header.c_str(), "cookie", 6) != 0)
            continue;
        size_t start = 0;
        while (start < value.size()) {
            const size_t end = std::min(value.find(';', start), value.size());
            const size_t first = value.find_first_not_of(' ', start);
            const std::string pair = first < end ? value.substr(first, end - first) : "";
            if (pair.compare(0, name.size() + 1, name + "=") == 0)
                return pair.substr(name.size() + 1);
            start = end + 1;
        }
    }
    return std::nullopt;
}

} // namespace samples
