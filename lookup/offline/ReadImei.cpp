#include "ReadImei.h"

#include "Characters.h"

namespace lookup::offline {

namespace {

using namespace characters;

// The reporting body identifier: the first two digits of the TAC name the body
// that allocated it. Source: GSMA PRD TS.06 (IMEI Allocation and Approval
// Process), Appendix A, as listed by Wikipedia's "Reporting Body Identifier"
// (retrieved 2025). Bodies that no longer allocate are kept: their IMEIs are
// still in use. 35 is listed twice there (BABT, now TÜV SÜD BABT): one body.
struct Body {
    char16_t code[3];
    const char16_t* text;
};
constexpr Body Bodies[] = {
    {u"00", u"测试IMEI"},
    {u"01", u"美国PTCRB分配"},
    {u"02", u"测试IMEI"},
    {u"03", u"测试IMEI"},
    {u"04", u"测试IMEI"},
    {u"05", u"测试IMEI"},
    {u"06", u"测试IMEI"},
    {u"07", u"测试IMEI"},
    {u"08", u"测试IMEI"},
    {u"09", u"测试IMEI"},
    {u"10", u"DECT设备"},
    {u"30", u"美国Iridium分配"},
    {u"33", u"法国DGPT分配"},
    {u"35", u"英国BABT分配"},
    {u"44", u"英国BABT分配"},
    {u"45", u"丹麦NTA分配"},
    {u"49", u"德国BZT/BAPT分配"},
    {u"50", u"德国BZT ETS分配"},
    {u"51", u"德国Cetecom ICT分配"},
    {u"52", u"德国Cetecom分配"},
    {u"53", u"德国TÜV分配"},
    {u"54", u"德国Phoenix Test Lab分配"},
    {u"86", u"中国TAF分配"},
    {u"91", u"印度MSAI分配"},
    {u"98", u"保留号段，未分配"},
    {u"99", u"GHA分配（多制式）"},
};

QString reportingBodyOf(QStringView code)
{
    for (const Body& body : Bodies)
        if (code == QStringView(body.code, 2))
            return QString::fromUtf16(body.text);
    return {};
}

ImeiReading refused(QString problem)
{
    ImeiReading reading;
    reading.problem = std::move(problem);
    reading.summary = QStringLiteral("IMEI ") + reading.problem;
    return reading;
}

} // namespace

ImeiReading ReadImei(QStringView text)
{
    const Cleaned cleaned = clean(text, u"-/", false);
    if (cleaned.badAt >= 0)
        return refused(badCharacter(text, cleaned.badAt, u"不是数字"));
    const QString& digits = cleaned.kept;
    if (digits.isEmpty())
        return {};
    if (digits.size() < 14 || digits.size() > 16)
        return refused(QStringLiteral("应为15位数字（现 %1 位）").arg(digits.size()));

    ImeiReading reading;
    reading.digits = digits;
    reading.tac = digits.left(8);
    reading.reportingBody = reportingBodyOf(QStringView(digits).left(2));
    const QString origin = QStringLiteral(" · TAC %1 · %2")
                               .arg(reading.tac,
                                   reading.reportingBody.isEmpty() ? QStringLiteral("分配机构未知")
                                                                   : reading.reportingBody);
    switch (digits.size()) {
    case 14:
        reading.check = CheckDigit::Missing;
        reading.rightCheckDigit = luhnCheckDigit(digits);
        reading.summary
            = QStringLiteral("IMEI 缺校验位，应补 %1").arg(reading.rightCheckDigit) + origin;
        break;
    case 15:
        reading.rightCheckDigit = luhnCheckDigit(QStringView(digits).left(14));
        if (digits.back().unicode() - u'0' == reading.rightCheckDigit) {
            reading.check = CheckDigit::Right;
            reading.summary = QStringLiteral("IMEI 校验位正确") + origin;
        } else {
            // The most common typo: the TAC read from it may be wrong too.
            reading.check = CheckDigit::Wrong;
            reading.summary
                = QStringLiteral("IMEI 校验位应为 %1，请核对").arg(reading.rightCheckDigit);
        }
        break;
    default:
        reading.check = CheckDigit::None;
        reading.softwareVersion = digits.right(2);
        reading.summary
            = QStringLiteral("IMEISV 软件版本 %1").arg(reading.softwareVersion) + origin;
        break;
    }
    return reading;
}

} // namespace lookup::offline
