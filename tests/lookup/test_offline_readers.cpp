// The offline readers: what an IMEI, a serial number and an ICCID say about
// themselves. Check digits were computed by hand; 352099001761481 and
// 490154203237518 are the published examples of the IMEI format.
#include "lookup/offline/Describe.h"
#include "lookup/offline/ReadIccid.h"
#include "lookup/offline/ReadImei.h"
#include "lookup/offline/ReadSerial.h"

#include <QtTest>

using namespace lookup::offline;

Q_DECLARE_METATYPE(CheckDigit)

namespace {

struct Row {
    const char* input;
    const char* summary;
};

const QDate MidYear(2024, 6, 1);

} // namespace

class TestOfflineReaders : public QObject {
    Q_OBJECT

private slots:
    void imei_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<CheckDigit>("check");
        QTest::addColumn<int>("rightDigit");
        const QString right = QStringLiteral("IMEI 校验位正确 · TAC 35209900 · 英国BABT分配");
        const struct {
            const char* input;
            QString summary;
            CheckDigit check;
            int rightDigit;
        } rows[] = {
            {"352099001761481", right, CheckDigit::Right, 1},
            {"35-209900-176148-1", right, CheckDigit::Right, 1},
            {" 35 209900 176148 1 ", right, CheckDigit::Right, 1},
            {"352099001761482", "IMEI 校验位应为 1，请核对", CheckDigit::Wrong, 1},
            {"352099001761480", "IMEI 校验位应为 1，请核对", CheckDigit::Wrong, 1},
            {"490154203237518", "IMEI 校验位正确 · TAC 49015420 · 德国BZT/BAPT分配",
                CheckDigit::Right, 8},
            {"868915030123459", "IMEI 校验位正确 · TAC 86891503 · 中国TAF分配", CheckDigit::Right,
                9},
            {"013263006543218", "IMEI 校验位正确 · TAC 01326300 · 美国PTCRB分配", CheckDigit::Right,
                8},
            {"001234561234562", "IMEI 校验位正确 · TAC 00123456 · 测试IMEI", CheckDigit::Right, 2},
            {"771234561234560", "IMEI 校验位正确 · TAC 77123456 · 分配机构未知", CheckDigit::Right,
                0},
            {"35209900176148", "IMEI 缺校验位，应补 1 · TAC 35209900 · 英国BABT分配",
                CheckDigit::Missing, 1},
            {"35209900/176148/23", "IMEISV 软件版本 23 · TAC 35209900 · 英国BABT分配",
                CheckDigit::None, -1},
            {"35209900176148１", "IMEI 第15位“１”是全角字符", CheckDigit::NotRead, -1},
            {"35209900A761481", "IMEI 第9位“A”不是数字", CheckDigit::NotRead, -1},
            {"3520990017614８1", "IMEI 第14位“８”是全角字符", CheckDigit::NotRead, -1},
            {"1😀", "IMEI 第2位“😀”不是数字", CheckDigit::NotRead, -1},
            {"3520990017", "IMEI 应为15位数字（现 10 位）", CheckDigit::NotRead, -1},
            {"35209900176148123", "IMEI 应为15位数字（现 17 位）", CheckDigit::NotRead, -1},
            {"", "", CheckDigit::NotRead, -1},
            {" - ", "", CheckDigit::NotRead, -1},
        };
        for (const auto& row : rows)
            QTest::newRow(row.input)
                << QString::fromUtf8(row.input) << row.summary << row.check << row.rightDigit;
    }

    void imei()
    {
        QFETCH(QString, input);
        const ImeiReading reading = ReadImei(input);
        QTEST(reading.summary, "summary");
        QTEST(reading.check, "check");
        QTEST(reading.rightCheckDigit, "rightDigit");
    }

    void serial_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("summary");
        const char* f2l = "序列号 2015年第23周生产 · 工厂 F2L（郑州） · 配置码 HG7F";
        const struct {
            const char* input;
            QDate today;
            const char* summary;
        } rows[] = {
            {"F2LPTABCHG7F", MidYear, f2l},
            {"f2lptabchg7f", MidYear, f2l},
            {" F2L PTA BCH G7F ", MidYear, f2l},
            // P is the first half of 2015 or of 2025, but the format ended in
            // April 2021: the later year is never offered.
            {"F2LPTABCHG7F", QDate(2025, 6, 3), f2l},
            {"F2LPTABCHG7F", QDate(2025, 6, 4), f2l},
            {"C07RT086G1HV", MidYear, "序列号 2016年第23周生产 · 工厂 C07（广达） · 配置码 G1HV"},
            // F is 2011 or 2021 up to the format's last week, the 18th.
            {"F2LFMABCHG7F", MidYear,
                "序列号 2021年或2011年第18周生产 · 工厂 F2L（郑州） · 配置码 HG7F"},
            {"F2LFNABCHG7F", MidYear, "序列号 2011年第19周生产 · 工厂 F2L（郑州） · 配置码 HG7F"},
            {"F2LG1ABCHG7F", MidYear, "序列号 2011年第27周生产 · 工厂 F2L（郑州） · 配置码 HG7F"},
            // C is 2010 or 2020; 2020 only once its week has begun.
            {"DNPC1ABCDHJK", QDate(2019, 12, 31),
                "序列号 2010年第1周生产 · 工厂 DNP（成都） · 配置码 DHJK"},
            {"DNPC1ABCDHJK", QDate(2020, 1, 1),
                "序列号 2020年或2010年第1周生产 · 工厂 DNP（成都） · 配置码 DHJK"},
            {"F2LPTABCHG7F", QDate(2014, 1, 1),
                "序列号 生产时间不明 · 工厂 F2L（郑州） · 配置码 HG7F"},
            // Second halves count their weeks on from 27.
            {"C39QWABCHG7F", MidYear, "序列号 2015年第51周生产 · 工厂 C39（深圳） · 配置码 HG7F"},
            {"C0CZ1ABCDHJK", MidYear, "序列号 2019年第27周生产 · 工厂 C0C（广达） · 配置码 DHJK"},
            {"DNPCYABCDHJK", MidYear,
                "序列号 2020年或2010年第27周生产 · 工厂 DNP（成都） · 配置码 DHJK"},
            {"XYZPTABCHG7F", MidYear,
                "序列号 2015年第23周生产 · 工厂 XYZ（地点未知） · 配置码 HG7F"},
            {"FC7PTABCHG7F", MidYear,
                "序列号 2015年第23周生产 · 工厂 FC7（地点未知） · 配置码 HG7F"},
            {"F2LATABCHG7F", MidYear, "序列号 第4位“A”不是年份代码"},
            {"F2LPZABCHG7F", MidYear, "序列号 第5位“Z”不是周代码"},
            {"F2LPSABCHG7F", MidYear, "序列号 第5位“S”不是周代码"},
            {"F2LPTOBCHG7F", MidYear, "序列号 第6位“O”不会出现在序列号中，是否为0？"},
            {"f2lptibchg7f", MidYear, "序列号 第6位“i”不会出现在序列号中，是否为1？"},
            {"F2LPTABCHG7O", MidYear, "序列号 第12位“O”不会出现在序列号中，是否为0？"},
            {"Ｆ2LPTABCHG7F", MidYear, "序列号 第1位“Ｆ”是全角字符"},
            {"F2L-PTABCHG7F", MidYear, "序列号 第4位“-”不是字母或数字"},
            {"H7J9K2L4M6", MidYear, "序列号 10位随机格式（2021年起），不含生产信息"},
            {"W8823ABC3NS", MidYear, "序列号 2008年第23周生产 · 工厂 W8（地点未知） · 配置码 3NS"},
            // A year digit 0 to 2 is 201x or 200x; 201x only once that week has begun.
            {"YM005123ZZZ", MidYear,
                "序列号 2010年或2000年第5周生产 · 工厂 YM（地点未知） · 配置码 ZZZ"},
            {"YM005123ZZZ", QDate(2010, 1, 28),
                "序列号 2000年第5周生产 · 工厂 YM（地点未知） · 配置码 ZZZ"},
            {"YM353123ZZZ", MidYear, "序列号 2003年第53周生产 · 工厂 YM（地点未知） · 配置码 ZZZ"},
            {"YM300123ZZZ", MidYear, "序列号 第4–5位“00”不是周数"},
            {"YM354123ZZZ", MidYear, "序列号 第4–5位“54”不是周数"},
            {"YMX05123ZZZ", MidYear, "序列号 第3位“X”不是年份数字"},
            {"F2LP", MidYear, "序列号 应为10、11或12位（现 4 位）"},
            {"F2LPTABCHG7FX", MidYear, "序列号 应为10、11或12位（现 13 位）"},
            {"", MidYear, ""},
            {"   ", MidYear, ""},
        };
        for (const auto& row : rows)
            QTest::addRow("%s %s", row.input, qPrintable(row.today.toString(Qt::ISODate)))
                << QString::fromUtf8(row.input) << row.today << QString::fromUtf8(row.summary);
    }

    void serial()
    {
        QFETCH(QString, input);
        QFETCH(QDate, today);
        QTEST(ReadSerial(input, today).summary, "summary");
    }

    void iccid_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("summary");
        const char* guangdong = "ICCID 中国移动 · 139号段 · 广东 · 2015年 (仅供参考)";
        const Row rows[] = {
            {"89860090191511234567", guangdong},
            {"8986 0090 1915 1123 4567", guangdong},
            {"8986-0090-1915-1123-4567", guangdong},
            {"89860080311011234567", "ICCID 中国移动 · 138号段 · 重庆 · 2010年 (仅供参考)"},
            {"89860090010011234567", "ICCID 中国移动 · 139号段 · 北京 · 2000年 (仅供参考)"},
            {"89860090329911234567", "ICCID 中国移动 · 139号段 · 省份未知 · 1999年 (仅供参考)"},
            {"89860090329411234567", "ICCID 中国移动 · 139号段 · 省份未知 · 1994年 (仅供参考)"},
            {"89860090001511234567", "ICCID 中国移动 · 139号段 · 省份未知 · 2015年 (仅供参考)"},
            {"89860090192411234567", "ICCID 中国移动 · 139号段 · 广东 · 2024年 (仅供参考)"},
            {"89860090192511234567", "ICCID 中国移动 · 139号段 · 广东 · 年份未知 (仅供参考)"},
            {"898600A0191A11234567", "ICCID 中国移动 · 号段未知 · 广东 · 年份未知 (仅供参考)"},
            {"8986009019151123456a",
                "ICCID 中国移动 · 139号段 · 广东 · 2015年 (仅供参考) · 末位“A”为字母，非校验位"},
            {"8986010405021063908S",
                "ICCID 中国联通 · 2004年 (仅供参考) · 末位“S”为字母，非校验位"},
            {"89860199050210639081", "ICCID 中国联通 · 1999年 (仅供参考)"},
            {"89860311123456789012", "ICCID 中国电信"},
            {"89860211123456789012", "ICCID 中国移动"},
            {"89860511123456789012", "ICCID 中国 · 运营商未知（05）"},
            {"89441234567890123454", "ICCID 英国 · 校验位正确"},
            {"8944123456789012348", "ICCID 英国 · 校验位正确"},
            {"89441234567890123455", "ICCID 英国 · 校验位应为 4，请核对"},
            {"8901260123456789011", "ICCID 北美 · 校验位正确"},
            {"89148000001234567898", "ICCID 北美 · 校验位正确"},
            {"89852123456789012345", "ICCID 中国香港 · 校验位正确"},
            {"8965880812100011146", "ICCID 新加坡 · 校验位正确"},
            {"8935123456789012346", "ICCID 国家代码未知 · 校验位正确"},
            {"8944A234567890123454", "ICCID 第5位“A”不是数字"},
            {"8986A090191511234567", "ICCID 第5位“A”不是数字"},
            {"８９860090191511234567", "ICCID 第1位“８”是全角字符"},
            {"8986_0090191511234567", "ICCID 第5位“_”不是数字"},
            {"88860090191511234567", "ICCID 应以89开头（现为“88”）"},
            {"898600901915112345", "ICCID 应为19或20位（现 18 位）"},
            {"898600901915112345678", "ICCID 应为19或20位（现 21 位）"},
            {"", ""},
        };
        for (const Row& row : rows)
            QTest::newRow(row.input)
                << QString::fromUtf8(row.input) << QString::fromUtf8(row.summary);
    }

    void iccid()
    {
        QFETCH(QString, input);
        QTEST(ReadIccid(input, MidYear).summary, "summary");
    }

    // The device box holds either kind; the reader is chosen by what was typed.
    void describePicksByBox_data()
    {
        QTest::addColumn<bool>("sim");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("summary");
        const struct {
            bool sim;
            const char* input;
            const char* summary;
        } rows[] = {
            {false, "F2LPTABCHG7F", "序列号 2015年第23周生产 · 工厂 F2L（郑州） · 配置码 HG7F"},
            {false, "C", "序列号 应为10、11或12位（现 1 位）"},
            {false, "352099001761481", "IMEI 校验位正确 · TAC 35209900 · 英国BABT分配"},
            {false, "3520", "IMEI 应为15位数字（现 4 位）"},
            {false, "35209900A761481", "IMEI 第9位“A”不是数字"},
            {false, "35209900176148１", "IMEI 第15位“１”是全角字符"},
            {false, "", ""},
            {true, "352099001761481", "ICCID 应为19或20位（现 15 位）"},
            {true, "89441234567890123454", "ICCID 英国 · 校验位正确"},
        };
        for (const auto& row : rows)
            QTest::addRow("%s %s", row.sim ? "sim" : "device", row.input)
                << row.sim << QString::fromUtf8(row.input) << QString::fromUtf8(row.summary);
    }

    void describePicksByBox()
    {
        QFETCH(bool, sim);
        QFETCH(QString, input);
        QTEST(Describe(sim ? Input::Sim : Input::Device, input, MidYear), "summary");
    }

    // The parts behind the line, for those who read the value rather than the text.
    void readingsCarryTheirParts()
    {
        const SerialReading serial = ReadSerial(u"DNPCYABCDHJK", MidYear);
        QCOMPARE(serial.format, SerialReading::Format::Dated12);
        QCOMPARE(serial.years, QList<int>({2020, 2010}));
        QCOMPARE(serial.week, 27);
        QCOMPARE(serial.unit, QStringLiteral("ABC"));
        const IccidReading iccid = ReadIccid(u"89860090191511234567", MidYear);
        QCOMPARE(iccid.country, QStringLiteral("中国"));
        QCOMPARE(iccid.issuer, QStringLiteral("00"));
        QCOMPARE(iccid.check, CheckDigit::NotUsed);
        const ImeiReading sv = ReadImei(u"3520990017614823");
        QCOMPARE(sv.softwareVersion, QStringLiteral("23"));
        QCOMPARE(sv.tac, QStringLiteral("35209900"));
    }
};

QTEST_APPLESS_MAIN(TestOfflineReaders)
#include "test_offline_readers.moc"
