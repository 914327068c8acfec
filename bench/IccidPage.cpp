#include "IccidPage.h"

#include <QString>

namespace {

QByteArray newsRow(int number)
{
    return QStringLiteral("<tr><td class=\"style13\">%1</td><td><a href=\"/news/%1.html\">"
                          "关于SIM卡实名登记与补卡业务的说明（第%1期）</a></td>"
                          "<td>2016-03-%2</td></tr>\n")
        .arg(number)
        .arg(number % 28 + 1, 2, 10, QLatin1Char('0'))
        .toUtf8();
}

const QByteArray Head = QByteArrayLiteral(
    "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>ICCID查询结果</title>\n"
    "<script>var _hmt = _hmt || []; (function() { var hm = document.createElement(\"script\");"
    " hm.src = \"/js/stat.js\"; document.head.appendChild(hm); })();</script>\n"
    "</head><body>\n<div class=\"nav\"><a href=\"/\">首页</a> | <a href=\"/iccid/\">ICCID查询</a>"
    "</div>\n<table class=\"result\" border=\"1\">\n");

const QByteArray Fields = QByteArrayLiteral(
    "<tr><td class=\"style13\">运营商：</td><td><div class=\"style14\">中国移动 "
    "GSM</div></td></tr>\n"
    "<tr><td class=\"style13\">手机号：</td><td><div "
    "class=\"style14\">1380013xxxx</div></td></tr>\n"
    "<tr><td class=\"style13\">卡年代：</td><td><div class=\"style14\">2015年</div></td></tr>\n"
    "<tr><td class=\"style13\">归属地：</td><td><div class=\"style14\">广东 广州(020)</div></td>"
    "</tr>\n</table>\n"
    "<p>本站资料来自网络收集，与实际情况可能不符，所以本查询结果仅供参考。</p>\n");

const QByteArray FooterLine = QByteArrayLiteral(
    "<p class=\"footer\">Copyright © 2016 示例站点 保留所有权利 | 联系我们 | 网站地图</p>\n");

} // namespace

QByteArray IccidAnswerPage(qsizetype bytes)
{
    const qsizetype footerBytes = bytes / 4;
    QByteArray page = Head;
    for (int number = 1; page.size() + Fields.size() + footerBytes < bytes; ++number)
        page += newsRow(number);
    page += Fields;
    while (page.size() + FooterLine.size() + 15 < bytes)
        page += FooterLine;
    page += "</body></html>\n";
    return page;
}

QByteArray IccidAnswerPageFilledWith(qsizetype bytes, const QByteArray& filler)
{
    const qsizetype footerBytes = bytes / 4;
    QByteArray page = Head + "<tr><td>";
    while (page.size() + filler.size() + Fields.size() + footerBytes < bytes)
        page += filler;
    page += "</td></tr>\n" + Fields;
    while (page.size() + FooterLine.size() + 15 < bytes)
        page += FooterLine;
    page += "</body></html>\n";
    return page;
}
