// kestrune-cli as its users run it: the built program as a process of its
// own, over real HTTP against the sample sites on a loopback port.
#include "sample-sites/SampleSites.h"
#include "support/Loopback.h"

#include <QtTest>

#include <thread>

#ifndef _WIN32
#include <csignal>
#include <pty.h>
#include <unistd.h>
#endif

namespace {

const QString Serial = QStringLiteral("F2LSAMPLE002"); // coverage expired: no dates shown
const QString Imei = QStringLiteral("352222222222222"); // the same, by IMEI
const QString Iccid = QStringLiteral("89860012345678901234");
const QString Replaced = QStringLiteral("F2LSAMPLE004"); // opens the replaced-device page
const QString LengthMessage = QStringLiteral("请输入正确的序列号或IMEI号码！");
constexpr int MaxLine = 4096; // bytes; a longer line is no identifier

struct Run {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

// What a JSON line or a CSV row says of one identifier.
struct Result {
    QString input;
    QString kind;
    QVariantMap fields;
    QStringList messages;
    QStringList opened;
    QString offline;
    QStringList unanswered;
    QVariantMap values; // as CSV writes them: true, false, 56, 2027-02-02, "" for null
};

QString asCsvWrites(const QJsonValue& value)
{
    if (value.isBool())
        return value.toBool() ? "true" : "false";
    if (value.isDouble())
        return QString::number(value.toInteger());
    return value.toString();
}

QList<Result> jsonLines(const QByteArray& out)
{
    QList<Result> results;
    for (const QByteArray& line : out.split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error;
        const QJsonObject object = QJsonDocument::fromJson(line, &error).object();
        if (error.error != QJsonParseError::NoError)
            qWarning() << "not JSON:" << line;
        results.push_back({object["input"].toString(), object["kind"].toString(),
            object["fields"].toObject().toVariantMap(),
            object["messages"].toVariant().toStringList(),
            object["opened"].toVariant().toStringList(), object["offline"].toString(),
            object["unanswered"].toVariant().toStringList(), {}});
        const QJsonObject values = object["values"].toObject();
        for (auto value = values.begin(); value != values.end(); ++value)
            results.back().values[value.key()] = asCsvWrites(value.value());
    }
    return results;
}

// RFC 4180: fields separated by commas, records by CRLF, quoted fields may
// hold both and write a quote twice.
QList<QStringList> csvRecords(const QString& text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += c, ++i;
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            record << std::exchange(field, {});
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            record << std::exchange(field, {});
            records << std::exchange(record, {});
            ++i;
        } else {
            field += c;
        }
    }
    return records;
}

QList<Result> csvResults(const QByteArray& out)
{
    if (!out.startsWith("\xEF\xBB\xBF"))
        return {};
    const QList<QStringList> records = csvRecords(QString::fromUtf8(out.mid(3)));
    QList<Result> results;
    for (qsizetype row = 1; row < records.size(); ++row) {
        Result result;
        for (qsizetype column = 0; column < records[0].size(); ++column) {
            const QString name = records[0][column];
            const QString value = records[row].value(column);
            if (name == "input")
                result.input = value;
            else if (name == "kind")
                result.kind = value;
            else if (name == "messages")
                result.messages = value.split('\n', Qt::SkipEmptyParts);
            else if (name == "opened")
                result.opened = value.split('\n', Qt::SkipEmptyParts);
            else if (name == "offline")
                result.offline = value;
            else if (name == "unanswered")
                result.unanswered = value.split(' ', Qt::SkipEmptyParts);
            else if (name.startsWith("values.")
                && (result.kind == "serial" || result.kind == "imei"))
                result.values[name.mid(7)] = value;
            else if (name == "changed" || name == "from_history")
                continue; // the history's, tested with it
            else if (!value.isEmpty())
                result.fields[name] = value;
        }
        results << result;
    }
    return results;
}

// `count` made-up ICCIDs, the sample sites answer each at once.
QStringList iccids(int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QStringLiteral("898600%1").arg(i, 14, 10, QLatin1Char('0'));
    return list;
}

QStringList inputs(const QList<Result>& results)
{
    QStringList list;
    for (const Result& result : results)
        list << result.input;
    return list;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

    // Serves the sample sites; `hold` may make an answer wait, or never come.
    std::function<std::optional<loopback::Response>(const loopback::Request&)> hold_;
    std::mutex holdMutex_;
    loopback::Server sites_ {[this](const loopback::Request& request) {
        decltype(hold_) hold;
        {
            const std::lock_guard lock(holdMutex_);
            hold = hold_;
        }
        if (hold)
            if (auto response = hold(request))
                return *response;
        return samples::answer(request);
    }};
    QTemporaryDir scratch_;

    void setHold(decltype(hold_) hold)
    {
        const std::lock_guard lock(holdMutex_);
        hold_ = std::move(hold);
    }

    QProcessEnvironment environment(const QStringList& extra = {}) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString& name : environment.keys())
            if (name.startsWith("KESTRUNE_"))
                environment.remove(name);
        // No settings file of the person running the tests (the settings
        // folder is the first on Linux, the second on Windows).
        environment.insert("XDG_CONFIG_HOME", scratch_.filePath("no-config"));
        environment.insert("APPDATA", scratch_.filePath("no-config"));
        // The history in the scratch folder, not the user's.
        environment.insert("XDG_DATA_HOME", scratch_.filePath("data"));
        environment.insert("LOCALAPPDATA", scratch_.filePath("data"));
        for (const auto& [name, value] : samples::environment(sites_.base()))
            environment.insert(qs(name), qs(value));
        for (const QString& setting : extra) {
            const qsizetype equals = setting.indexOf('=');
            environment.insert(setting.left(equals), setting.mid(equals + 1));
        }
        return environment;
    }

    void start(QProcess& process, const QStringList& arguments, const QStringList& extra = {})
    {
        process.setProcessEnvironment(environment(extra));
        process.start(KESTRUNE_CLI, arguments);
    }

    Run run(
        const QStringList& arguments, const QStringList& extra = {}, const QByteArray& input = {})
    {
        QProcess process;
        start(process, arguments, extra);
        process.write(input);
        process.closeWriteChannel();
        const bool finished = process.waitForFinished(60000);
        if (!finished) {
            process.kill();
            process.waitForFinished();
        }
        return {finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError())};
    }

    QString writeFile(const QString& name, const QByteArray& content)
    {
        const QString path = scratch_.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(content);
        return path;
    }

private slots:
    void init()
    {
        setHold({});
        sites_.clearReceived();
    }

    // The same lookups in the three forms say the same; text with the
    // window's labels.
    void eachKindInEachFormat()
    {
        const QStringList identifiers {Serial, Imei, Iccid, "12345", Replaced, "x\"y\\z"};
        const Run json = run(QStringList {"--format", "json"} + identifiers);
        const Run csv = run(QStringList {"--format", "csv"} + identifiers);
        const Run text = run(QStringList {"--format", "text"} + identifiers);
        for (const Run* each : {&json, &csv, &text})
            QCOMPARE(each->exitCode, 1); // for the invalid one

        const QList<Result> results = jsonLines(json.out);
        QCOMPARE(inputs(results), identifiers);
        QCOMPARE(results[0].kind, "serial");
        QCOMPARE(results[1].kind, "imei");
        QCOMPARE(results[2].kind, "iccid");
        QCOMPARE(results[3].kind, "invalid");
        QCOMPARE(results[0].fields["warranty"], "已过期");
        QCOMPARE(results[1].fields["model"], "iPhone 5 小黑 16GB");
        QVERIFY(!results[1].fields["ios_version"].toString().isEmpty());
        QCOMPARE(results[2].fields["carrier"], "中国移动GSM");
        QCOMPARE(results[2].fields.size(), 4);
        QCOMPARE(results[3].fields.size(), 0);
        QCOMPARE(results[3].messages, QStringList {LengthMessage});
        QVERIFY(results[4].messages.value(0).contains(',')); // quoted in the CSV
        QCOMPARE(results[4].opened, QStringList {qs(sites_.base()) + "/maker/huanji.html"});

        const QList<Result> rows = csvResults(csv.out);
        QCOMPARE(rows.size(), results.size());
        const QString shown = QString::fromUtf8(text.out);
        for (qsizetype i = 0; i < results.size(); ++i) {
            QCOMPARE(rows[i].input, results[i].input);
            QCOMPARE(rows[i].kind, results[i].kind);
            QCOMPARE(rows[i].fields, results[i].fields);
            QCOMPARE(rows[i].messages, results[i].messages);
            QCOMPARE(rows[i].opened, results[i].opened);
            QCOMPARE(rows[i].offline, results[i].offline);
            QCOMPARE(rows[i].unanswered, results[i].unanswered);
            QCOMPARE(rows[i].values, results[i].values);
            QVERIFY(shown.contains(results[i].input + "  ["));
            for (const QVariant& value : results[i].fields)
                QVERIFY2(shown.contains(QRegularExpression(
                             ":\\s+" + QRegularExpression::escape(value.toString()) + "\n")),
                    qPrintable(value.toString()));
        }
        QVERIFY(shown.contains(QRegularExpression("\n  运营商:\\s+中国移动GSM\n")));
        QVERIFY(shown.contains("  提示:" + QString(15, ' ') + LengthMessage + "\n"));
    }

    // A page declared gb2312 and sent in GBK, as Chinese sites send them,
    // reads as a browser reads it.
    void pageDeclaredGb2312()
    {
        const Run json = run({"--format", "json", "F2LSAMPLE006"});
        QCOMPARE(json.exitCode, 0);
        const QList<Result> results = jsonLines(json.out);
        QCOMPARE(results.size(), 1);
        QCOMPARE(results[0].fields["model"], QStringLiteral("iPhone 6s 64GB 镕丂"));
    }

    void fileOfIdentifiers_data()
    {
        QTest::addColumn<QStringList>("files"); // "-": standard input
        QTest::addColumn<bool>("split"); // standard input holds the first half only
        QTest::addColumn<QString>("named"); // file and line of the line that is not UTF-8
        QTest::addColumn<QString>("next"); // of the line too long, just after it
        QTest::newRow("file") << QStringList {"whole.txt"} << false << "whole.txt:7"
                              << "whole.txt:8";
        QTest::newRow("standard input") << QStringList {"-"} << false << "standard input:7"
                                        << "standard input:8";
        QTest::newRow("several, in order")
            << QStringList {"-", "empty.txt", "second.txt"} << true << "second.txt:2"
            << "second.txt:3";
    }
    void fileOfIdentifiers()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, split);
        QFETCH(QString, named);
        QFETCH(QString, next);
        const QByteArray first = "\xEF\xBB\xBF# phones of Monday\r\n" + Serial.toUtf8()
            + "\r\n\r\n   \n#" + Imei.toUtf8() + "\n";
        const QByteArray second = "12345\r\n35111111111111\xe9\n" + QByteArray(MaxLine + 1, '8')
            + "\n" + QByteArray(MaxLine, '8') + "\r\n" + Iccid.toUtf8() + "\n "
            + Serial.left(11).toUtf8() + "\n" + Imei.toUtf8();
        writeFile("whole.txt", first + second);
        writeFile("empty.txt", {});
        writeFile("second.txt", second);
        for (QString& file : files)
            if (file != "-")
                file = scratch_.filePath(file);
        QStringList arguments {"--offline", "--format", "json"};
        for (const QString& file : files)
            arguments << "--file" << file;
        const Run result = run(arguments, {}, split ? first : first + second);
        QCOMPARE(result.exitCode, 1);
        const QList<Result> results = jsonLines(result.out);
        // The input as given; blanks around it are no part of the identifier.
        QCOMPARE(inputs(results),
            QStringList(
                {Serial, "12345", QString(MaxLine, '8'), Iccid, " " + Serial.left(11), Imei}));
        QCOMPARE(results[4].kind, "invalid");
        QVERIFY2(result.err.contains(named + ": not UTF-8"), qPrintable(result.err));
        QVERIFY2(result.err.contains(next + ": longer than 4096 bytes"), qPrintable(result.err));
    }

    // Later identifiers answer first; the output still follows the input.
    void orderKeptWithEightJobs()
    {
        const QStringList identifiers = iccids(16);
        setHold(
            [identifiers](const loopback::Request& request) -> std::optional<loopback::Response> {
                const qsizetype index = identifiers.indexOf(
                    qs(samples::formField(request.query, "ICCID").value_or("")));
                std::this_thread::sleep_for(std::chrono::milliseconds(10 * (16 - index)));
                return std::nullopt;
            });
        const Run result = run(QStringList {"--jobs", "8", "--format", "json"} + identifiers);
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(inputs(jsonLines(result.out)), identifiers);
        QCOMPARE(sites_.received().size(), size_t(16));
    }

    void exitStatus_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("environment"); // CLOSED: a port nobody answers on
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says"); // on standard error, when not empty
        const QStringList none;
        // Dates read and request numbers drawn on four threads at once.
        QTest::newRow("every one answered")
            << QStringList {"F2LSAMPLE001", "351111111111111", Serial, Iccid} << none << 0 << "";
        QTest::newRow("one not an identifier")
            << QStringList {Serial, "1234567890123"} << none << 1 << "";
        QTest::newRow("serial: no site")
            << QStringList {Serial} << QStringList {"KESTRUNE_WARRANTY_URL=CLOSED/wcResults.do"}
            << 1 << "";
        QTest::newRow("imei: no site") << QStringList {Imei}
                                       << QStringList {"KESTRUNE_IMEI_SITE=CLOSED/imei/",
                                              "KESTRUNE_WARRANTY_URL=CLOSED/wcResults.do"}
                                       << 1 << "";
        QTest::newRow("iccid: no site")
            << QStringList {Iccid} << QStringList {"KESTRUNE_ICCID_SITE=CLOSED"} << 1 << "";
        QTest::newRow("nothing to look up") << none << none << 2 << "";
        QTest::newRow("16 jobs") << QStringList {"--jobs", "16", Serial} << none << 0 << "";
        QTest::newRow("file of comments only")
            << QStringList {"--file", writeFile("comments.txt", "# none\n#\n")} << none << 0 << "";
        QTest::newRow("17 jobs") << QStringList {"--jobs", "17", Serial} << none << 2 << "";
        QTest::newRow("0 jobs") << QStringList {"--jobs", "0", Serial} << none << 2 << "";
        QTest::newRow("unknown format")
            << QStringList {"--format", "xml", Serial} << none << 2 << "";
        QTest::newRow("unknown option") << QStringList {"--fast", Serial} << none << 2
                                        << "kestrune-cli: unknown option \"--fast\"\n";
        QTest::newRow("missing file") << QStringList {"--file", "/nonexistent/list"} << none << 2
                                      << "cannot read /nonexistent/list: No such file";
        QTest::newRow("missing settings") << QStringList {"--settings", "/nonexistent.conf",
            Serial} << none << 2 << "cannot read the settings file /nonexistent.conf: No such file";
        QTest::newRow("help") << QStringList {"--help"} << none << 0 << "";
    }
    void exitStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, environment);
        QFETCH(int, status);
        QFETCH(QString, says);
        environment.replaceInStrings(
            "CLOSED", QStringLiteral("http://127.0.0.1:%1").arg(unusedLoopbackPort()));
        const Run result = run(QStringList {"--format", "json"} + arguments, environment);
        QVERIFY2(result.exitCode == status, qPrintable(result.err));
        if (status == 2)
            QVERIFY2(result.err.contains("kestrune-cli: "), qPrintable(result.err));
        if (status == 0)
            QCOMPARE(result.err, QString());
        QVERIFY2(result.err.contains(says), qPrintable(result.err));
    }

    void versionIsTheProgramsVersion()
    {
        const Run result = run({"--version"});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.out, QByteArray("kestrune-cli " KESTRUNE_VERSION "\n"));
    }

    void offlineAsksNoSite()
    {
        const Run result = run({"--offline", "--format", "json", Serial, Imei, Iccid, "x",
            " 490154203237518", "490154203237518 ", "49-015420-323751-8", "89-943324-022060-57"});
        QCOMPARE(result.exitCode, 1);
        const QList<Result> results = jsonLines(result.out);
        QCOMPARE(results.size(), 8);
        // Kind and reading agree on one identifier: blanks around and an IMEI's
        // separators are no part of it.
        for (int i = 4; i < 7; ++i) {
            QCOMPARE(results[i].kind, "imei");
            QVERIFY2(
                results[i].offline.startsWith("IMEI 校验位正确"), qPrintable(results[i].offline));
        }
        QCOMPARE(results[7].kind, "invalid"); // 16 digits
        QCOMPARE(results[7].input, "89-943324-022060-57");
        QCOMPARE(results[1].kind, "imei");
        QCOMPARE(results[2].kind, "iccid");
        QCOMPARE(results[1].fields.size() + results[1].messages.size(), 0);
        QCOMPARE(results[3].messages, QStringList {LengthMessage});
        // Each is read as the window reads the box it would be typed into.
        QVERIFY2(results[1].offline.startsWith("IMEI"), qPrintable(results[1].offline));
        QVERIFY2(results[2].offline.startsWith("ICCID 中国移动"), qPrintable(results[2].offline));
        QVERIFY(sites_.received().empty());
    }

    // The maker's site is only ever opened, never asked, so the page the
    // program would open shows which source it came from, built-in included.
    void settingsPrecedence_data()
    {
        QTest::addColumn<bool>("defaultPlace"); // else named by --settings
        QTest::addColumn<QString>("inFile"); // maker_site in the file
        QTest::addColumn<QString>("inEnvironment"); // KESTRUNE_MAKER_SITE
        QTest::addColumn<QString>("opened"); // SITES: the sample sites' base
        QTest::addColumn<QString>("complaint");
        const QString mine = "http://127.0.0.1:9/mine/";
        QTest::newRow("file") << false << "SITES/maker/"
                              << ""
                              << "SITES/maker/huanji.html"
                              << "";
        QTest::newRow("default file") << true << "SITES/maker/"
                                      << ""
                                      << "SITES/maker/huanji.html"
                                      << "";
        QTest::newRow("environment first")
            << false << "SITES/maker/" << mine << mine + "huanji.html"
            << "";
        QTest::newRow("bad value in file: built-in")
            << true << "ftp://127.0.0.1/maker/"
            << ""
            << "https://iccid.kestrune.example/huanji.html"
            << "CONF: [sites] maker_site = \"ftp://127.0.0.1/maker/\" is not an http or https "
               "address";
        QTest::newRow("bad value in file, environment instead: not said")
            << true << "ftp://127.0.0.1/maker/" << mine << mine + "huanji.html"
            << "";
        QTest::newRow("bad value in environment: file")
            << false << "SITES/maker/"
            << "file:///etc/"
            << "SITES/maker/huanji.html"
            << "KESTRUNE_MAKER_SITE = \"file:///etc/\" is not an http or https address";
    }
    void settingsPrecedence()
    {
        QFETCH(bool, defaultPlace);
        QFETCH(QString, inFile);
        QFETCH(QString, inEnvironment);
        QFETCH(QString, opened);
        QFETCH(QString, complaint);
        const QString base = qs(sites_.base());

        // The sample sites' own example file, with the row's maker_site.
        QProcess sampleSites;
        sampleSites.start(
            KESTRUNE_SAMPLE_SITES, {"--settings-file", QString::number(sites_.port())});
        QVERIFY(sampleSites.waitForFinished(10000));
        QString settings = QString::fromUtf8(sampleSites.readAllStandardOutput());
        // Its lines end as the system's text files do (CRLF on Windows), and
        // the file is kept so.
        const QRegularExpression makerSite(
            "\nmaker_site=\"" + QRegularExpression::escape(base) + "/maker/\"(?=\r?\n)");
        QVERIFY(settings.contains(makerSite));
        settings.replace(
            makerSite, "\nmaker_site=\"" + QString(inFile).replace("SITES", base) + "\"");
        const QString conf = writeFile(
            defaultPlace ? "config/kestrune/kestrune.conf" : "named.conf", settings.toUtf8());

        // Only the file knows where the sites are.
        QStringList environment;
        for (const auto& [name, value] : samples::environment(sites_.base()))
            environment << qs(name) + "=";
        environment << "KESTRUNE_MAKER_SITE=" + inEnvironment;
        environment << "XDG_CONFIG_HOME=" + scratch_.filePath("config")
                    << "APPDATA=" + scratch_.filePath("config");
        QStringList arguments {"--format", "json", "--jobs", "2", Replaced, Replaced};
        if (!defaultPlace)
            arguments << "--settings" << conf;
        const Run result = run(arguments, environment);

        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        const QList<Result> results = jsonLines(result.out);
        QCOMPARE(results.size(), 2);
        QCOMPARE(results[0].opened, QStringList {QString(opened).replace("SITES", base)});
        QCOMPARE(results[0].fields["replaced"], "已换机！"); // the warranty service from the file
        if (complaint.isEmpty())
            QVERIFY2(!result.err.contains("is not an http"), qPrintable(result.err));
        else // once, though both lookups asked
            QCOMPARE(result.err.count(complaint.replace("CONF", conf)), 1);
    }

    // What a file or a site says reaches a spreadsheet or a terminal as text:
    // no formula, no terminal command, nothing turned around.
    void outputRunsNothing_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("csv") << "csv";
        QTest::newRow("text") << "text";
    }
    void outputRunsNothing()
    {
        QFETCH(QString, format);
        setHold([](const loopback::Request& request) -> std::optional<loopback::Response> {
            loopback::Response response = samples::answer(request);
            const std::string carrier = "中国移动 GSM";
            if (const size_t at = response.body.find(carrier); at != std::string::npos)
                response.body.replace(at, carrier.size(),
                    std::string("=HYPERLINK(\"x\")\x1b]0;\a") + '\0'
                        + "\x7f\xc2\x9b\xe2\x80\xae\xe2\x81\xa6\t1\n2");
            return response;
        });
        const Run result = run({"--format", format, "--", Iccid, "=1+1", "+1", "-2501", "-12.5",
            "-2+3", "@SUM(A1)", "\tx"});
        QCOMPARE(result.exitCode, 1);
        const QString out = QString::fromUtf8(result.out).replace("\r\n", "\n");
        // Quoted CSV cells carry a site's tabs and line breaks; a line of text cannot.
        const QRegularExpression commands(format == "csv"
                ? "[\\x{0}-\\x{8}\\x{b}-\\x{1f}\\x{7f}-\\x{9f}\\x{202e}\\x{2066}]"
                : "[\\x{0}-\\x{9}\\x{b}-\\x{1f}\\x{7f}-\\x{9f}\\x{202e}\\x{2066}]");
        QVERIFY2(!out.contains(commands), qPrintable(out));
        if (format == "csv") {
            const QList<Result> rows = csvResults(result.out);
            // Plain numbers stay numbers.
            QCOMPARE(inputs(rows),
                QStringList(
                    {Iccid, "'=1+1", "+1", "-2501", "-12.5", "'-2+3", "'@SUM(A1)", "'\tx"}));
            QVERIFY(rows[0].fields["carrier"].toString().startsWith("'=HYPERLINK"));
            QVERIFY(rows[0].fields["carrier"].toString().endsWith("\t1\n2"));
        } else {
            QVERIFY(out.contains(QString(QChar(0xfffd)) + "1" + QChar(0xfffd) + "2"));
        }
    }

    // What the sites received: real identifiers byte for byte as always, any
    // other character encoded, so that no identifier adds a field of its own.
    void identifiersGoOnTheWireEncoded_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("sent"); // in the body or the query
        QTest::newRow("serial") << Serial.toUtf8() << "/wcResults.do"
                                << "sn=F2LSAMPLE002&num=";
        QTest::newRow("serial to the iOS site") << QByteArray("F2LSAMPLE001") << "/ios/result/"
                                                << "&postsn=F2LSAMPLE001";
        QTest::newRow("imei") << Imei.toUtf8() << "/imei/validate.php"
                              << "imei=352222222222222&jq=x&key=";
        QTest::newRow("iccid") << Iccid.toUtf8() << "/iccid/result.php"
                               << "ICCID=" + Iccid;
        QTest::newRow("ampersand") << QByteArray("F2LSAMPLE0&x") << "/wcResults.do"
                                   << "sn=F2LSAMPLE0%26x&num=";
        QTest::newRow("plus") << QByteArray("F2LSAMPLE+01") << "/wcResults.do"
                              << "sn=F2LSAMPLE%2B01&num=";
        QTest::newRow("NUL") << QByteArray("F2LSAMPL\0E01", 12) << "/wcResults.do"
                             << "sn=F2LSAMPL%00E01&num=";
        QTest::newRow("second field in the query")
            << QByteArray("89&ICCID=8986001234") << "/iccid/result.php"
            << "ICCID=89%26ICCID%3D8986001234";
        QTest::newRow("imei with separators and blanks")
            << QByteArray(" 35-222222-222222-2 ") << "/imei/validate.php"
            << "imei=352222222222222&jq=x&key=";
    }
    void identifiersGoOnTheWireEncoded()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, path);
        QFETCH(QString, sent);
        const Run result = run({"-q", "--format", "json", "--file", "-"}, {}, line + "\n");
        QCOMPARE(jsonLines(result.out).size(), 1);
        QStringList received;
        for (const loopback::Request& request : sites_.received())
            if (qs(request.path) == path)
                received << qs(request.body) + qs(request.query);
        QCOMPARE(received.size(), 1);
        QVERIFY2(received[0].contains(sent), qPrintable(received[0]));
    }

    // A request without an answer is named in the record and in the exit
    // status, however much the lookup still showed.
    void partAnswerIsTold_data()
    {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("closed"); // the variable of the site nobody answers for
        QTest::addColumn<QString>("unanswered");
        QTest::addColumn<int>("status");
        QTest::newRow("serial, iOS site down") << "F2LSAMPLE001"
                                               << "KESTRUNE_IOS_SITE"
                                               << "ios_version" << 4;
        QTest::newRow("imei, iOS site down") << "351111111111111"
                                             << "KESTRUNE_IOS_SITE"
                                             << "ios_version" << 4;
        QTest::newRow("imei, IMEI site down: the warranty service answers")
            << Imei << "KESTRUNE_IMEI_SITE"
            << "imei_check" << 4;
        QTest::newRow("iccid site down") << Iccid << "KESTRUNE_ICCID_SITE"
                                         << "iccid" << 1;
        QTest::newRow("all answered") << "351111111111111"
                                      << "KESTRUNE_SHOP_URL"
                                      << "" << 0;
    }
    void partAnswerIsTold()
    {
        QFETCH(QString, identifier);
        QFETCH(QString, closed);
        QFETCH(QString, unanswered);
        QFETCH(int, status);
        const QStringList down {
            closed + QStringLiteral("=http://127.0.0.1:%1/").arg(unusedLoopbackPort())};
        const Run json = run({"--format", "json", identifier}, down);
        QVERIFY2(json.exitCode == status, qPrintable(json.err));
        const QList<Result> results = jsonLines(json.out);
        QCOMPARE(results.size(), 1);
        QCOMPARE(results[0].unanswered.join(' '), unanswered);
        if (closed == "KESTRUNE_IOS_SITE") // the window's text stays, the value says none
            QCOMPARE(results[0].values["ios_version"], "");
        for (const QString& line : json.err.split('\n', Qt::SkipEmptyParts))
            QVERIFY2(line.startsWith("kestrune-cli: "), qPrintable(line));
        const Run quiet = run({"-q", "--format", "text", identifier}, down);
        QCOMPARE(quiet.exitCode, status);
        QCOMPARE(quiet.err, QString());
        QCOMPARE(QString::fromUtf8(quiet.out).contains("无应答:" + QString(13, ' ') + unanswered),
            !unanswered.isEmpty());
    }

    // Values a script can compute with, beside the window's texts; dates
    // written with two-digit years still come out in this century.
    void typedValues()
    {
        const Run result
            = run({"--format", "json", "F2LSAMPLE001", "351111111111111", "F2LSAMPLE003", Replaced},
                {"LC_ALL=en_US.UTF-8"});
        QCOMPARE(result.exitCode, 0);
        const QList<Result> results = jsonLines(result.out);
        QCOMPARE(results.size(), 4);
        for (int i = 0; i < 2; ++i) {
            const QVariantMap& text = results[i].fields;
            const QVariantMap& value = results[i].values;
            QCOMPARE(value["replaced"], "false");
            QCOMPARE(value["activated"], "true");
            QCOMPARE(value["warranty_active"], "true");
            QCOMPARE(value["ios_version"], "16.7.8");
            QCOMPARE(
                value["warranty_days_left"], text["warranty_days_left"].toString().remove("天"));
            // M/d/yy; Windows takes its locale from its own settings instead.
            const QStringList mdy = text["warranty_end"].toString().split('/');
            QVERIFY(QDate::fromString(value["warranty_end"].toString(), Qt::ISODate).year() > 2000);
            if (mdy.size() == 3) {
                // Two digits of the year (M/d/yy), or four where a locale writes them.
                const int year = mdy[2].toInt() < 100 ? 2000 + mdy[2].toInt() : mdy[2].toInt();
                QCOMPARE(value["warranty_end"],
                    QDate(year, mdy[0].toInt(), mdy[1].toInt()).toString(Qt::ISODate));
            }
            QCOMPARE(value["first_activation"], text["first_activation"].toString().left(10));
        }
        QCOMPARE(results[2].values["activated"], "false");
        QCOMPARE(results[2].values["warranty_days_left"], "");
        QCOMPARE(results[3].values["replaced"], "true");
        QCOMPARE(results[3].values["activated"], "");
    }

    // It prints what it is for instead of serving on the default port.
    void sampleSitesHelp()
    {
        QProcess sampleSites;
        sampleSites.start(KESTRUNE_SAMPLE_SITES, {"--help"});
        const bool finished = sampleSites.waitForFinished(10000);
        if (!finished)
            sampleSites.kill();
        QVERIFY(finished);
        QCOMPARE(sampleSites.exitCode(), 0);
        QVERIFY(sampleSites.readAllStandardOutput().startsWith("Usage: kestrune-sample-sites"));
    }

#ifndef _WIN32
    // What POSIX signals, pipes, terminals and /proc, xdg-open and ldd allow;
    // the Windows build runs the rest.
    // Ctrl-C while two answers are held: the two done come out, the held
    // transfers end at once, the status says it was interrupted.
    void ctrlCStopsCleanly()
    {
        const QStringList identifiers {"8986000000000000001", "8986000000000000002",
            "8986000000000000009", "8986000000000000019", "8986000000000000003"};
        setHold([](const loopback::Request& request) -> std::optional<loopback::Response> {
            if (request.query.back() == '9') {
                loopback::Response never;
                never.silent = true;
                return never;
            }
            return std::nullopt;
        });
        QProcess process;
        start(process, QStringList {"--jobs", "2", "--format", "json"} + identifiers);
        QVERIFY(process.waitForStarted());
        QByteArray out;
        QDeadlineTimer deadline(20000);
        while (
            out.count('\n') < 2 && !deadline.hasExpired() && process.state() == QProcess::Running) {
            process.waitForReadyRead(100);
            out += process.readAllStandardOutput();
        }
        QCOMPARE(out.count('\n'), 2);
        // Both held lookups are in flight before the signal.
        QTRY_COMPARE_WITH_TIMEOUT(sites_.received().size(), size_t(4), 10000);
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(10000));
        out += process.readAllStandardOutput();
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QVERIFY2(process.exitCode() == 130, qPrintable(err));
        QCOMPARE(inputs(jsonLines(out)), identifiers.mid(0, 2));
        QVERIFY(err.contains("interrupted"));
        QVERIFY2(!err.contains("failed:"), qPrintable(err)); // the aborts were asked for
    }

    // A full disk, a reader that has gone: the batch stops at the first result
    // it cannot write and says why once.
    void unwritableOutputStops_data()
    {
        QTest::addColumn<bool>("offline"); // written to /dev/full; else to a pipe nobody reads
        QTest::addColumn<QString>("reason");
        QTest::newRow("full disk, offline") << true << "No space left on device";
        QTest::newRow("reader gone") << false << "Broken pipe";
    }
    void unwritableOutputStops()
    {
        QFETCH(bool, offline);
        QFETCH(QString, reason);
        const QStringList identifiers = iccids(40);
        int ends[2] = {-1, -1};
        QVERIFY(::pipe(ends) == 0);
        ::close(ends[0]);
        QProcess process;
        if (offline)
            process.setStandardOutputFile("/dev/full");
        process.setChildProcessModifier([offline, end = ends[1]] {
            std::signal(SIGPIPE, SIG_IGN); // as `trap '' PIPE` leaves it
            if (!offline)
                ::dup2(end, STDOUT_FILENO);
        });
        start(process,
            QStringList {"--jobs", "2", "--format", "json", offline ? "--offline" : "-q"}
                + identifiers);
        const bool finished = process.waitForFinished(60000);
        ::close(ends[1]);
        QVERIFY(finished);
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(process.exitCode() == 3, qPrintable(err));
        QCOMPARE(err.count("cannot write the results: " + reason), 1);
        QVERIFY(sites_.received().size() < size_t(identifiers.size()));
    }

    // Lines are looked up as they come; one too long to be an identifier is
    // not kept while it is read.
    void standardInputIsReadAsItComes()
    {
        QProcess process;
        start(process, {"--jobs", "1", "--format", "json", "--file", "-"});
        auto nextResult = [&process] {
            QDeadlineTimer deadline(20000);
            while (!process.canReadLine() && !deadline.hasExpired())
                process.waitForReadyRead(100);
            return inputs(jsonLines(process.readLine()));
        };
        auto peakKiB = [&process] {
            QFile status(QStringLiteral("/proc/%1/status").arg(process.processId()));
            status.open(QIODevice::ReadOnly);
            const QString text = QString::fromLatin1(status.readAll());
            return QRegularExpression("VmHWM:\\s*(\\d+)").match(text).captured(1).toLongLong();
        };
        process.write(Iccid.toUtf8() + "\n");
        QCOMPARE(nextResult(), QStringList {Iccid});
        const qint64 before = peakKiB();
        process.write(QByteArray(16 << 20, '8') + "\n" + Imei.toUtf8() + "\n");
        QCOMPARE(nextResult(), QStringList {Imei});
        QVERIFY2(peakKiB() - before < 8 * 1024, qPrintable(QString::number(peakKiB() - before)));
        process.closeWriteChannel();
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitCode(), 1);
        QVERIFY(process.readAllStandardError().contains("standard input:2: longer than"));
    }

    // The progress line, on a terminal of its own: no rate before there has
    // been time to measure one.
    void progressShowsNoEarlyRate_data()
    {
        QTest::addColumn<bool>("offline");
        QTest::newRow("looked up") << false;
        QTest::newRow("offline") << true;
    }
    void progressShowsNoEarlyRate()
    {
        QFETCH(bool, offline);
        int terminal = -1, side = -1;
        QVERIFY(::openpty(&terminal, &side, nullptr, nullptr, nullptr) == 0);
        QProcess process;
        process.setChildProcessModifier([side] { ::dup2(side, STDERR_FILENO); });
        start(process,
            QStringList {"--format", "json", Iccid, Iccid, Iccid}
                << (offline ? "--offline" : "-j4"));
        const bool finished = process.waitForFinished(60000);
        ::close(side);
        QByteArray shown;
        char buffer[4096];
        for (ssize_t size = 0; (size = ::read(terminal, buffer, sizeof buffer)) > 0;)
            shown.append(buffer, size);
        ::close(terminal);
        QVERIFY(finished);
        QVERIFY2(shown.contains("3/3 done, 0 failed"), shown.constData());
        for (const QByteArray& tick : shown.split('\r')) {
            const auto seconds = QRegularExpression(", (\\d+\\.\\d) s").match(tick);
            QVERIFY2(!tick.contains("/s") || seconds.captured(1).toDouble() >= 1.0, tick);
        }
    }

    // The address goes to the opener as one argument; no shell reads it. The
    // opener reads and writes the null device, not the batch's streams.
    void openHandsTheAddressToTheDesktop()
    {
        const QString log = scratch_.filePath("opened.txt");
        writeFile("bin/xdg-open",
            QStringLiteral("#!/bin/sh\nprintf '%s:%s:%s:%s\\n' \"$#\" \"$1\" "
                           "\"$(readlink /proc/$$/fd/0)\" \"$(readlink /proc/$$/fd/1)\" >> '%1'\n"
                           "read line; echo \"opener: $line\"\n")
                .arg(log)
                .toUtf8());
        QFile(scratch_.filePath("bin/xdg-open"))
            .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString maker = "http://127.0.0.1:9/m;echo$(id)/";
        const Run result = run({"--open", "--format", "json", "--file", "-"},
            {"PATH=" + scratch_.filePath("bin") + ":" + qEnvironmentVariable("PATH"),
                "KESTRUNE_MAKER_SITE=" + maker},
            (Replaced + "\n" + Iccid + "\n").toUtf8());
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(inputs(jsonLines(result.out)), QStringList({Replaced, Iccid}));
        QFile opened(log);
        QTRY_VERIFY_WITH_TIMEOUT(opened.exists() && opened.size() > 0, 10000);
        QVERIFY(opened.open(QIODevice::ReadOnly));
        QCOMPARE(opened.readAll(), ("1:" + maker + "huanji.html:/dev/null:/dev/null\n").toUtf8());
    }

    // No widgets, no web engine: what keeps the program's start fast.
    void linksQtCoreOnly()
    {
        QProcess ldd;
        ldd.start("ldd", {KESTRUNE_CLI});
        if (!ldd.waitForFinished(10000) || ldd.exitCode() != 0)
            QSKIP("ldd is not available");
        const QString libraries = QString::fromUtf8(ldd.readAllStandardOutput());
        QVERIFY(libraries.contains("libQt6Core"));
        for (const char* module :
            {"libQt6Gui", "libQt6Widgets", "libQt6WebEngine", "libQt6Network"})
            QVERIFY2(!libraries.contains(module), module);
    }
    // A closed standard stream is no file of ours: results are not written
    // into one the program opened, input is not read from one.
    void closedStreams_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("closed"); // descriptor; -1: a terminal that hangs up part-way
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        QTest::newRow("standard output") << QStringList {Iccid} << 1 << 3
                                         << "cannot write the results: standard output is closed";
        QTest::newRow("standard output, offline") << QStringList {
            "--offline", Iccid} << 1 << 3 << "cannot write the results: standard output is closed";
        QTest::newRow("standard input")
            << QStringList {"--file", "-"} << 0 << 2 << "cannot read standard input: Bad file";
        QTest::newRow("input error part-way") << QStringList {"--file",
            "-"} << -1 << 2 << "standard input:2: cannot read further: Input/output error";
    }
    void closedStreams()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, closed);
        QFETCH(int, status);
        QFETCH(QString, says);
        int terminal = -1, side = -1;
        if (closed < 0)
            QVERIFY(::openpty(&terminal, &side, nullptr, nullptr, nullptr) == 0);
        QProcess process;
        process.setChildProcessModifier([closed, terminal, side] {
            if (closed >= 0) {
                ::close(closed);
            } else {
                ::dup2(side, STDIN_FILENO);
                ::close(terminal); // else the terminal never hangs up
            }
        });
        start(process, QStringList {"-q", "--format", "json"} + arguments);
        QVERIFY(process.waitForStarted());
        if (closed < 0) {
            ::close(side);
            QVERIFY(::write(terminal, "89860012345678901234\n", 21) == 21);
            QDeadlineTimer deadline(20000);
            while (!process.canReadLine() && !deadline.hasExpired())
                process.waitForReadyRead(100);
            ::close(terminal); // hangs up: the next read fails with EIO
        }
        const bool finished = process.waitForFinished(20000);
        if (!finished)
            process.kill();
        QVERIFY(finished);
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(process.exitCode() == status, qPrintable(err));
        QVERIFY2(err.contains("kestrune-cli: " + says), qPrintable(err));
        if (closed == 1)
            QVERIFY(sites_.received().empty());
        if (closed < 0)
            QCOMPARE(inputs(jsonLines(process.readAllStandardOutput())), QStringList {Iccid});
    }

    // Bytes that are not UTF-8 are no identifier, on the command line as in a file.
    void argumentNotUtf8()
    {
        QProcess shell;
        shell.setProcessEnvironment(environment());
        shell.start("sh",
            {"-c", "exec \"$0\" --offline --format json \"$(printf '\\351')90154203237518\" \"$1\"",
                KESTRUNE_CLI, Iccid});
        QVERIFY(shell.waitForFinished(20000));
        const QString err = QString::fromUtf8(shell.readAllStandardError());
        QVERIFY2(shell.exitCode() == 1, qPrintable(err));
        QCOMPARE(inputs(jsonLines(shell.readAllStandardOutput())), QStringList {Iccid});
        QVERIFY2(err.contains("command line:1: not UTF-8, so no identifier"), qPrintable(err));
    }
#endif
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
