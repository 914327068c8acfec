// The ICCID lookup site: "/iccid/result.php?ICCID=..." answers a result page
// in UTF-8 with the captions, value tags, table end and disclaimer the program
// cuts by. The answers are made up.
//
//   ICCID                  what the program then shows
//   89860012345678901234   运营商 "中国移动GSM", 手机号 "1380013XXXX" + its note,
//                          卡年代 "2015年", 归属地 "广东广州(020)" + its note
//   89860000000000000000   the site rejects it: "亲，你输入的不是一个有效的ICCID码，…"
//   89869999999999999999   a card the site knows nothing of: "无相关信息！" in all four
//   any other 19 or 20     an answer made up from the digits: the carrier from digits
//   digits starting 8986   5-6 (00 02 04 07 08 移动, 01 06 09 联通, 03 05 11 电信, other
//                          codes unknown to the site), the year and the province from
//                          where each carrier keeps them, the number from the serial
//   anything else          the site rejects it
#include "SampleSites.h"

#include <array>
#include <string>
#include <string_view>

namespace samples {

namespace {

const std::string ResultPath = "/iccid/result.php";

const std::string FullAnswer = "89860012345678901234";
const std::string Rejected = "89860000000000000000";
const std::string Unknown = "89869999999999999999";

struct Card {
    std::string carrier;
    std::string phone;
    std::string year;
    std::string region;
};

std::string row(const std::string& caption, const std::string& value)
{
    return "<tr><td class=\"style13\">" + caption + "：</td><td><div class=\"style14\">" + value
        + "</div></td></tr>\n";
}

std::string resultPage(const std::string& iccid, const std::string& rows)
{
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
           "<title>ICCID查询结果</title>\n"
           "<style>.style13{color:#555}.style14{color:#c00;font-weight:bold}</style>"
           "</head>\n<body>\n<h2>ICCID查询结果</h2>\n<p>你查询的卡号："
        + iccid + "</p>\n<table class=\"result\" border=\"1\" cellpadding=\"4\">\n" + rows
        + "</table>\n"
          "<p>本站资料来自网络收集，与实际情况可能不符，所以本查询结果仅供参考。</p>\n"
          "<p>（Kestrune助理示例页面，内容为虚构。）</p>\n</body></html>\n";
}

std::string cardPage(const std::string& iccid, const Card& card)
{
    return resultPage(iccid,
        row("运营商", card.carrier) + row("手机号", card.phone) + row("卡年代", card.year)
            + row("归属地", card.region));
}

std::string unknownCardPage(const std::string& iccid)
{
    return resultPage(iccid, "<tr><td>未查到该卡的相关信息，请核对后再查。</td></tr>\n");
}

std::string rejectionPage()
{
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
           "<title>ICCID查询结果</title></head>\n<body>\n"
           "<p>你输入的不是一个有效的ICCID码，请核对SIM卡背面的20位数字后重新输入。</p>\n"
           "<p><a href=\"/iccid/\">返回</a></p>\n</body></html>\n";
}

bool looksLikeChineseIccid(const std::string& iccid)
{
    if (iccid.size() < 19 || iccid.size() > 20 || iccid.rfind("8986", 0) != 0)
        return false;
    for (const char c : iccid) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

int number(const std::string& iccid, size_t at, size_t length)
{
    return std::stoi(iccid.substr(at, length));
}

// The provinces in the order of their two-digit codes, with a city and its
// area code.
constexpr std::array<std::string_view, 31> Regions {"北京(010)", "天津(022)", "河北 石家庄(0311)",
    "山西 太原(0351)", "内蒙古 呼和浩特(0471)", "辽宁 沈阳(024)", "吉林 长春(0431)",
    "黑龙江 哈尔滨(0451)", "上海(021)", "江苏 南京(025)", "浙江 杭州(0571)", "安徽 合肥(0551)",
    "福建 福州(0591)", "江西 南昌(0791)", "山东 济南(0531)", "河南 郑州(0371)", "湖北 武汉(027)",
    "湖南 长沙(0731)", "广东 广州(020)", "广西 南宁(0771)", "海南 海口(0898)", "四川 成都(028)",
    "贵州 贵阳(0851)", "云南 昆明(0871)", "西藏 拉萨(0891)", "陕西 西安(029)", "甘肃 兰州(0931)",
    "青海 西宁(0971)", "宁夏 银川(0951)", "新疆 乌鲁木齐(0991)", "重庆(023)"};

// A card made up from the digits, laid out roughly as the carriers number
// their cards; nothing when the issuer code is none of theirs.
std::optional<Card> madeUpCard(const std::string& iccid)
{
    const int issuer = number(iccid, 4, 2);
    struct Carrier {
        const char* name;
        std::array<const char*, 4> prefixes;
        size_t yearAt;
        size_t provinceAt;
    };
    static const Carrier Mobile {"中国移动 GSM", {"138", "139", "150", "188"}, 10, 8};
    static const Carrier Unicom {"中国联通 GSM", {"130", "132", "156", "186"}, 6, 9};
    static const Carrier Telecom {"中国电信 CDMA", {"133", "153", "180", "189"}, 6, 9};
    const Carrier* carrier = nullptr;
    switch (issuer) {
    case 0:
    case 2:
    case 4:
    case 7:
    case 8: carrier = &Mobile; break;
    case 1:
    case 6:
    case 9: carrier = &Unicom; break;
    case 3:
    case 5:
    case 11: carrier = &Telecom; break;
    default: return std::nullopt;
    }

    const int year = number(iccid, carrier->yearAt, 2);
    const int province = number(iccid, carrier->provinceAt, 2);
    Card card;
    card.carrier = carrier->name;
    card.phone = carrier->prefixes[size_t(iccid[13] - '0') % 4] + iccid.substr(14, 4) + "xxxx";
    card.year = std::to_string(year <= 30 ? 2000 + year : 1900 + year) + "年";
    card.region = std::string(Regions[size_t(province + 30) % Regions.size()]);
    return card;
}

} // namespace

std::optional<loopback::Response> iccidSite(const loopback::Request& request)
{
    if (request.path != ResultPath)
        return std::nullopt;
    const std::string iccid = formField(request.query, "ICCID").value_or("");
    if (iccid == FullAnswer)
        return loopback::html(
            cardPage(iccid, {"中国移动 GSM", "1380013xxxx", "2015年", "广东 广州(020)"}));
    if (iccid == Unknown)
        return loopback::html(unknownCardPage(iccid));
    if (iccid == Rejected || !looksLikeChineseIccid(iccid))
        return loopback::html(rejectionPage());
    if (const auto card = madeUpCard(iccid))
        return loopback::html(cardPage(iccid, *card));
    return loopback::html(unknownCardPage(iccid));
}

} // namespace samples
