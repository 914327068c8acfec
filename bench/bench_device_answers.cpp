// The serial-number and IMEI lookups against a loopback server whose answer
// carries a date followed by 256 K blanks, next to an ordinary answer of the
// same size: reading the dates must stay linear, within 2 times the ordinary
// answer.
#include "NullForm.h"

#include "lookup/device/DeviceDates.h"
#include "lookup/device/LookupImei.h"
#include "lookup/device/LookupSerial.h"
#include "loopback/LoopbackServer.h"

#include <benchmark/benchmark.h>

#include <optional>
#include <string>

namespace {

constexpr std::size_t Blanks = 256 * 1024;

// A date without its year, then the blanks and something that is no year:
// every way of splitting the blanks between the patterns' optional parts fails.
const std::string BlankRun = "June 10" + std::string(Blanks, ' ') + "x";
// The same number of bytes, in the way a site pads a page: words and a space.
std::string ordinaryText()
{
    std::string text = "June 10, 2027";
    while (text.size() < BlankRun.size())
        text += " lorem";
    text.resize(BlankRun.size());
    return text;
}

// A warranty-check answer whose telephone support section has no expiration
// line, so the whole section is read as a date. `filler` stands in it.
std::string warrantyAnswer(const std::string& filler)
{
    return "<style>#container { width: 980px; }</style>\n"
           "<script>displayProductInfo('/i.png', 'iPhone 6 Plus', 'x');</script>"
           "<div class=\"registration-true\">Valid Purchase Date</div>"
           "<h3>Repairs and Service Coverage: Active</h3><p>Estimated Expiration Date: "
           "June 10, 2027</p>"
           "<h3>Telephone Technical Support: Active "
        + filler + "</h3>";
}

// An IMEI site's result page whose warranty date cell holds `filler`.
std::string imeiResult(const std::string& filler)
{
    return "<table><tr><td>Activation status:</td><td>Activated</td></tr>"
           "<tr><td>Product description:</td><td>iPhone 6s White 64GB</td></tr>"
           "<tr><td>Warranty(repairs and service coverage): Active</td></tr>"
           "<tr><td>Warranty expiration date:</td><td>"
        + filler + "</td></tr><tr><td>Telephone technical support: Expired</td></tr></table>";
}

// The warranty service, the IMEI site and the iOS version site, on one
// loopback port; the lookups are pointed at it.
class Sites {
public:
    explicit Sites(bool withBlanks)
        : filler_(withBlanks ? BlankRun : ordinaryText())
    {
        qputenv(
            "KESTRUNE_WARRANTY_URL", QByteArray::fromStdString(server_.base() + "/wcResults.do"));
        qputenv("KESTRUNE_IMEI_SITE", QByteArray::fromStdString(server_.base() + "/imei/"));
        qputenv("KESTRUNE_IOS_SITE", QByteArray::fromStdString(server_.base() + "/ios/"));
    }

private:
    loopback::Response answer(const loopback::Request& request) const
    {
        if (request.path == "/wcResults.do")
            return loopback::html(warrantyAnswer(filler_));
        if (request.path == "/imei/validate.php")
            return loopback::html(imeiResult(filler_));
        loopback::Response response = loopback::html(request.path == "/ios/result/"
                ? "<td class=biaoti>iOS版本</td><td><strong>9.3.5<"
                : "<input name='qm_token' value='tok4567890'/>");
        response.headers.emplace_back("Set-Cookie", "session=1; path=/");
        return response;
    }

    const std::string filler_;
    loopback::Server server_ {[this](const loopback::Request& request) { return answer(request); }};
};

template <void (*Lookup)(lookup::Form&, const QString&)>
void BM_Lookup(benchmark::State& state, const char* number)
{
    lookup::DateSource::pin(QDate(2024, 6, 10), QLocale(QLocale::English, QLocale::UnitedStates));
    const bool withBlanks = state.range(0) != 0;
    state.SetLabel(withBlanks ? "date and 256 K blanks" : "ordinary");
    Sites sites(withBlanks);
    for (auto _ : state) {
        NullForm form;
        Lookup(form, QString::fromLatin1(number));
        if (form.writes < 5) {
            state.SkipWithError("the lookup did not read the answer");
            break;
        }
    }
    lookup::DateSource::unpin();
}

void BM_LookupSerial(benchmark::State& state)
{
    BM_Lookup<&lookup::LookupSerial>(state, "F2LSAMPLE001");
}

void BM_LookupImei(benchmark::State& state)
{
    BM_Lookup<&lookup::LookupImei>(state, "356789012345678");
}

} // namespace

BENCHMARK(BM_LookupSerial)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LookupImei)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
