#include "Pages.h"

#include <QString>
#include <QStringEncoder>

namespace hostile {

namespace {

bool endsWith(std::string_view text, std::string_view tail)
{
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

std::string row(const char* caption, const char* value)
{
    return std::string("<tr><td>") + caption + "</td><td><div class=\"style14\">" + value
        + "</div></td></tr>";
}

} // namespace

std::string OrdinaryPage(std::string_view sitePath)
{
    if (endsWith(sitePath, "wcResults.do"))
        return "<html><body><div id=\"container\">#container"
               "<p>Repairs and Service Coverage: Expired</p>"
               "<p>Telephone Technical Support: Expired</p></div></body></html>";
    if (endsWith(sitePath, "validate.php"))
        return "<table><tr><td>Activation status:</td><td>Activated</td></tr>"
               "<tr><td>Product description:</td><td>iPhone 6s White</td></tr>"
               "<tr><td>Telephone technical support: Expired</td></tr></table>";
    if (endsWith(sitePath, "result.php"))
        return "<html><body><table>" + row("运营商", "中国移动GSM") + row("手机号", "1380013XXXX")
            + row("卡年代", "2015年") + row("归属地", "广东广州(020)")
            + "</table><p>所以本查询结果仅供参考</p></body></html>";
    if (endsWith(sitePath, "result/"))
        return "<table><tr><td class=\"biaoti\">iOS版本</td>"
               "<td><strong>9.3.5</strong></td></tr></table>";
    return "<html><body><form><input type=hidden name=qm_token value='tok0123456'/>"
           "</form></body></html>";
}

std::string Encoded(const std::string& utf8, const char* charset)
{
    QStringEncoder encoder(charset);
    const QByteArray bytes = encoder(QString::fromStdString(utf8));
    return bytes.toStdString();
}

} // namespace hostile
