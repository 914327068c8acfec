// The maker's pages: the announcement shown in the window's browser pane, the
// page about replaced devices, and the shop listing. Short sample texts only.
#include "SamplePicture.h"
#include "SampleSites.h"

#include <string>

namespace samples {

namespace {

std::string simplePage(const std::string& title, const std::string& content)
{
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + title
        + "</title>\n<style>body{font-family:sans-serif;font-size:12px;margin:8px}"
          "h3{color:#c00;margin:4px 0}</style></head>\n<body>\n<h3>"
        + title + "</h3>\n" + content + "</body></html>\n";
}

// What an announcement holds: a picture, paragraphs, coloured text, a small
// table and a link to another page of the site.
const std::string Announcement = simplePage("Kestrune助理公告",
    "<p><img src=\"banner.png\" alt=\"Kestrune\"></p>\n"
    "<p>欢迎使用Kestrune助理3.0！</p>\n"
    "<p>这里是示例站点：查询结果均为<font color=\"#c00\">虚构</font>，并非真实数据。</p>\n"
    "<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\"><tr><th>可试的ICCID</th>"
    "<td>89860012345678901234</td></tr></table>\n"
    "<p><a href=\"huanji.html\">关于换机</a></p>\n");

const std::string ReplacedDevice = simplePage("关于换机",
    "<p>查询结果显示“已换机”，说明这台设备曾由官方更换，原序列号已不再使用。</p>\n"
    "<p>换机后的设备请以新序列号或IMEI重新查询。</p>\n"
    "<p>（示例页面，内容为虚构。）</p>\n");

const std::string ShopListing = simplePage("Kestrune助理 - 店铺宝贝",
    "<p>Kestrune助理 高级查询服务（示例商品）</p>\n"
    "<p>价格：<b>￥0.00</b>　这是示例页面，不能下单。</p>\n");

} // namespace

std::optional<loopback::Response> makerSite(const loopback::Request& request)
{
    if (request.path == "/maker/gonggao.html")
        return loopback::html(Announcement);
    if (request.path == "/maker/banner.png")
        return loopback::Response {200, {{"Content-Type", "image/png"}}, samplePicture(), false};
    if (request.path == "/maker/huanji.html")
        return loopback::html(ReplacedDevice);
    if (request.path == "/shop/item.htm")
        return loopback::html(ShopListing);
    return std::nullopt;
}

} // namespace samples
