// The Encoding Standard's own data as test data: every label of its table and
// every pointer of its indexes, decoded through DecodeText as a page would be.
// Each index row logs a digest of everything it decoded, which the Windows
// differential check compares between Linux and Windows.
#include "web/TextDecoding.h"
#include "web/encoding/Labels.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <latch>
#include <thread>

namespace {

QByteArray resource(const QString& name)
{
    QFile file(QStringLiteral(":/web/encoding/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// pointer → code point, as the Standard says to read an index file.
QMap<unsigned, char32_t> readIndex(const QString& name)
{
    QMap<unsigned, char32_t> index;
    for (const QByteArray& line : resource("index-" + name + ".txt").split('\n')) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> fields = line.split('\t');
        index.insert(fields.at(0).trimmed().toUInt(), fields.at(1).trimmed().toUInt(nullptr, 16));
    }
    return index;
}

QJsonArray encodingGroups()
{
    return QJsonDocument::fromJson(resource("encodings.json")).array();
}

// How an encoding writes a pointer of its index as bytes.
enum class Scheme {
    SingleByte,
    Gb18030Pair,
    Gb18030Four,
    Big5,
    EucKr,
    ShiftJis,
    EucJp,
    EucJp0212,
    Iso2022Jp
};

struct Layout {
    unsigned pointers; // how many the bytes can address
    QByteArray (*bytes)(unsigned pointer);
};

QByteArray pair(unsigned lead, unsigned trail)
{
    const char bytes[] = {char(lead), char(trail)};
    return QByteArray(bytes, 2);
}

Layout layoutOf(Scheme scheme)
{
    switch (scheme) {
    case Scheme::SingleByte: return {128, [](unsigned p) { return QByteArray(1, char(0x80 + p)); }};
    case Scheme::Gb18030Pair:
        return {126 * 190, [](unsigned p) {
                    const unsigned trail = p % 190;
                    return pair(0x81 + p / 190, trail + (trail < 0x3F ? 0x40 : 0x41));
                }};
    case Scheme::Gb18030Four:
        return {1237576, [](unsigned p) {
                    return pair(0x81 + p / 12600, 0x30 + p / 1260 % 10)
                        + pair(0x81 + p / 10 % 126, 0x30 + p % 10);
                }};
    case Scheme::Big5:
        return {126 * 157, [](unsigned p) {
                    const unsigned trail = p % 157;
                    return pair(0x81 + p / 157, trail + (trail < 0x3F ? 0x40 : 0x62));
                }};
    case Scheme::EucKr:
        return {126 * 190, [](unsigned p) { return pair(0x81 + p / 190, 0x41 + p % 190); }};
    case Scheme::ShiftJis:
        return {60 * 188, [](unsigned p) {
                    const unsigned lead = p / 188;
                    const unsigned trail = p % 188;
                    return pair(
                        lead + (lead < 0x1F ? 0x81 : 0xC1), trail + (trail < 0x3F ? 0x40 : 0x41));
                }};
    case Scheme::EucJp:
        return {94 * 94, [](unsigned p) { return pair(0xA1 + p / 94, 0xA1 + p % 94); }};
    case Scheme::EucJp0212:
        return {94 * 94, [](unsigned p) { return "\x8F" + pair(0xA1 + p / 94, 0xA1 + p % 94); }};
    case Scheme::Iso2022Jp:
        return {94 * 94, [](unsigned p) { return "\x1B$B" + pair(0x21 + p / 94, 0x21 + p % 94); }};
    }
    return {};
}

// What the Standard's decoder makes of a pointer that its index lacks: an
// error, after which an ASCII trail byte is read again on its own.
QString unmapped(Scheme scheme, const QByteArray& bytes)
{
    const auto trail = uchar(bytes.back());
    const bool trailReadAgain = scheme != Scheme::SingleByte && scheme != Scheme::Iso2022Jp
        && scheme != Scheme::Gb18030Four && trail < 0x80;
    return QStringLiteral("\uFFFD") + (trailReadAgain ? QString(QChar(trail)) : QString());
}

// Pointers whose characters the Standard gives outside the index.
std::optional<QString> besideTheIndex(Scheme scheme, unsigned pointer)
{
    if (scheme == Scheme::Big5
        && (pointer == 1133 || pointer == 1135 || pointer == 1164 || pointer == 1166))
        return QString(QChar(pointer < 1164 ? 0x00CA : 0x00EA))
            + QChar(pointer == 1133 || pointer == 1164 ? 0x0304 : 0x030C);
    if (scheme == Scheme::ShiftJis && pointer >= 8836 && pointer <= 10715)
        return QString(QChar(0xE000 - 8836 + pointer)); // Windows' user-defined characters
    return std::nullopt;
}

} // namespace

class TestEncodingStandard : public QObject {
    Q_OBJECT

private slots:
    // Every label resolves to its encoding, whatever its ASCII case and the
    // ASCII whitespace around it, and decodes as that encoding's name does.
    void everyLabelResolves()
    {
        const QByteArray sample("A\x80\xA4\x40\xE9\x46\x81\x30\x81\x30\xFF", 11);
        QCryptographicHash digest(QCryptographicHash::Sha256);
        int labels = 0;
        for (const QJsonValue group : encodingGroups()) {
            for (const QJsonValue encoding : group["encodings"].toArray()) {
                const QString name = encoding["name"].toString();
                const std::optional<QString> asNamed = web::DecodeText(sample, name);
                QVERIFY2(asNamed.has_value(), qPrintable(name));
                for (const QJsonValue value : encoding["labels"].toArray()) {
                    const QString label = value.toString();
                    QCOMPARE(web::encoding::EncodingForLabel(label), name);
                    QCOMPARE(
                        web::encoding::EncodingForLabel(" \t" + label.toUpper() + "\r\n\f"), name);
                    QCOMPARE(web::DecodeText(sample, label), asNamed);
                    digest.addData((label + '=' + name + '=' + *asNamed + '\n').toUtf8());
                    ++labels;
                }
            }
        }
        QCOMPARE(labels, 228);
        qInfo().noquote() << "encoding digest labels" << digest.result().toHex();
    }

    void nonLabels_data()
    {
        QTest::addColumn<QString>("label");
        QTest::newRow("non-breaking space around") << QStringLiteral("\u00A0gbk");
        QTest::newRow("Kelvin sign for K") << QStringLiteral("\u212Aoi8-r");
        QTest::newRow("dotted capital I") << QStringLiteral("\u0130so-8859-2");
        QTest::newRow("vertical tab around") << QStringLiteral("gbk\v");
        QTest::newRow("inner space") << QStringLiteral("gb 2312");
        QTest::newRow("empty") << QString();
    }
    void nonLabels()
    {
        QFETCH(QString, label);
        QCOMPARE(web::encoding::EncodingForLabel(label), QString());
    }

    void everyIndexEntryDecodes_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("index");
        QTest::addColumn<Scheme>("scheme");
        for (const QJsonValue group : encodingGroups()) {
            if (group["heading"].toString() != "Legacy single-byte encodings")
                continue;
            for (const QJsonValue encoding : group["encodings"].toArray()) {
                const QString label = encoding["name"].toString().toLower();
                const QString index = label == "iso-8859-8-i" ? "iso-8859-8" : label;
                QTest::newRow(qPrintable(label)) << label << index << Scheme::SingleByte;
            }
        }
        QTest::newRow("gbk") << "gbk"
                             << "gb18030" << Scheme::Gb18030Pair;
        QTest::newRow("gb18030") << "gb18030"
                                 << "gb18030" << Scheme::Gb18030Pair;
        QTest::newRow("gb18030 ranges") << "gb18030"
                                        << "gb18030-ranges" << Scheme::Gb18030Four;
        QTest::newRow("big5") << "big5"
                              << "big5" << Scheme::Big5;
        QTest::newRow("euc-kr") << "euc-kr"
                                << "euc-kr" << Scheme::EucKr;
        QTest::newRow("shift_jis") << "shift_jis"
                                   << "jis0208" << Scheme::ShiftJis;
        QTest::newRow("euc-jp") << "euc-jp"
                                << "jis0208" << Scheme::EucJp;
        QTest::newRow("euc-jp jis0212") << "euc-jp"
                                        << "jis0212" << Scheme::EucJp0212;
        QTest::newRow("iso-2022-jp") << "iso-2022-jp"
                                     << "jis0208" << Scheme::Iso2022Jp;
    }
    // Bytes built from each pointer decode to the index's code point; every
    // other pointer the bytes can address, to what the Standard's decoder
    // makes of it. The four-byte gb18030 ranges: each range's first pointer.
    void everyIndexEntryDecodes()
    {
        QFETCH(QString, label);
        QFETCH(QString, index);
        QFETCH(Scheme, scheme);
        const QMap<unsigned, char32_t> entries = readIndex(index);
        QVERIFY(!entries.isEmpty());
        const Layout layout = layoutOf(scheme);
        QList<unsigned> pointers = entries.keys();
        if (scheme != Scheme::Gb18030Four) {
            pointers.clear();
            for (unsigned pointer = 0; pointer < layout.pointers; ++pointer)
                pointers.append(pointer);
        }
        // The IBM extensions of JIS X 0208 lie beyond what EUC-JP and
        // ISO-2022-JP can address; Shift_JIS reaches them.
        if (scheme != Scheme::EucJp && scheme != Scheme::Iso2022Jp)
            QVERIFY(entries.lastKey() < layout.pointers);

        QCryptographicHash digest(QCryptographicHash::Sha256);
        QStringList wrong;
        for (const unsigned pointer : pointers) {
            const QByteArray bytes = layout.bytes(pointer);
            const auto entry = entries.constFind(pointer);
            const QString expected
                = besideTheIndex(scheme, pointer)
                      .value_or(entry != entries.constEnd() ? QString::fromUcs4(&*entry, 1)
                                                            : unmapped(scheme, bytes));
            const QString decoded = web::DecodeText(bytes, label).value_or("(no text)");
            digest.addData(QByteArray::number(pointer) + '=' + decoded.toUtf8() + '\n');
            if (decoded != expected && wrong.size() < 5)
                wrong.append(
                    QStringLiteral("pointer %1 (%2): %3, not %4")
                        .arg(pointer)
                        .arg(QString::fromLatin1(bytes.toHex(' ')))
                        .arg(decoded.toUcs4().isEmpty() ? 0 : decoded.toUcs4().front(), 0, 16)
                        .arg(expected.toUcs4().front(), 0, 16));
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join("; ")));
        qInfo().noquote() << "encoding digest" << QTest::currentDataTag()
                          << digest.result().toHex();
    }

    // Lookups decode on threads of their own: the first use of each table,
    // from several threads at once, gives each the whole table. Its own CTest
    // entry, so that no other test has read the tables before.
    void decodesOnSeveralThreadsAtOnce()
    {
        const std::pair<const char*, QString> samples[] = {{"gbk", u"\u9555\u4E02"_qs},
            {"gb18030", u"\u9555\u4E02"_qs}, {"big5", u"\u4E00\u43F0"_qs},
            {"euc-kr", u"\uAC02\uAC00"_qs}, {"shift_jis", u"\u3042\u3042"_qs},
            {"euc-jp", u"\u3042\u4E02"_qs}, {"koi8-r", u"\u2500\u2502"_qs}};
        const QByteArray bytes[] = {QByteArray::fromHex("e9468140"),
            QByteArray::fromHex("e9468140"), QByteArray::fromHex("a4408740"),
            QByteArray::fromHex("8141b0a1"), QByteArray::fromHex("82a082a0"),
            QByteArray::fromHex("a4a28fb0a1"), QByteArray::fromHex("8081")};
        constexpr int Threads = 3 * int(std::size(samples));
        std::latch start(Threads);
        QStringList decoded(Threads);
        std::vector<std::thread> threads;
        for (int t = 0; t < Threads; ++t) {
            threads.emplace_back([&, t] {
                const int which = t % int(std::size(samples));
                start.arrive_and_wait();
                decoded[t]
                    = web::DecodeText(bytes[which], QString::fromLatin1(samples[which].first))
                          .value_or("(no text)");
            });
        }
        for (auto& thread : threads)
            thread.join();
        for (int t = 0; t < Threads; ++t)
            QCOMPARE(decoded[t], samples[t % std::size(samples)].second);
    }

    // What the Standard's algorithms make of bad, cut-off and special input.
    void asTheStandardDecodes_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QByteArray>("hex");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* name, const char* label, const char* hex, const QString& text) {
            QTest::newRow(name) << QString::fromLatin1(label) << QByteArray(hex) << text;
        };
        // UTF-8: one U+FFFD for each longest start of a sequence that could
        // still have been good.
        row("utf-8 trail missing", "utf-8", "e8bf78", u"\uFFFDx"_qs);
        row("utf-8 cut off by the end", "utf-8", "61f09f98", u"a\uFFFD"_qs);
        row("utf-8 lead after a lead", "utf-8", "e8bfe8bf90", u"\uFFFD\u8FD0"_qs);
        row("utf-8 overlong", "utf-8", "c080", u"\uFFFD\uFFFD"_qs);
        row("utf-8 overlong three bytes", "utf-8", "e08080", u"\uFFFD\uFFFD\uFFFD"_qs);
        row("utf-8 surrogate", "utf-8", "eda080", u"\uFFFD\uFFFD\uFFFD"_qs);
        row("utf-8 beyond U+10FFFF", "utf-8", "f4908080", u"\uFFFD\uFFFD\uFFFD\uFFFD"_qs);
        row("utf-8 a real U+FFFD stays one", "utf-8", "efbfbd61ff", u"\uFFFDa\uFFFD"_qs);
        row("utf-8 second byte-order mark kept", "utf-8", "efbbbfefbbbf", u"\uFEFF"_qs);
        // A byte-order mark wins over the label.
        row("utf-16le mark in a gbk page", "gbk", "fffe41004e75", u"A\u754E"_qs);
        row("utf-16be mark in a utf-8 page", "utf-8", "feff0041", u"A"_qs);
        row("utf-8 mark in a windows-1252 page", "windows-1252", "efbbbfe8bf90", u"\u8FD0"_qs);
        // GBK under its other labels, as browsers read it.
        row("gb2312: 镕, GBK's", "gb2312", "e946", u"\u9555"_qs);
        row("gb2312: 丂, GBK's", "gb2312", "8140", u"\u4E02"_qs);
        row("gbk euro sign", "gbk", "80", u"\u20AC"_qs);
        row("gbk ff", "gbk", "41ff", u"A\uFFFD"_qs);
        row("gbk bad trail: markup survives", "gbk", "d43c", u"\uFFFD<"_qs);
        row("gbk bad high trail taken with it", "gbk", "d4ff41", u"\uFFFDA"_qs);
        row("gbk lead cut off", "gbk", "d4cbd4", u"\u8FD0\uFFFD"_qs);
        row("gbk pair after eight ASCII bytes", "gb2312", "6162636465666768e946616263646566",
            u"abcdefgh\u9555abcdef"_qs);
        row("gbk reads four-byte sequences", "gbk", "81308130", u"\u0080"_qs);
        // gb18030's four-byte ranges and their edges.
        row("gb18030 last in the BMP", "gb18030", "8431a439", u"\uFFFF"_qs);
        row("gb18030 past the BMP's ranges", "gb18030", "8431a530", u"\uFFFD"_qs);
        row("gb18030 first supplementary", "gb18030", "90308130", u"\U00010000"_qs);
        row("gb18030 last supplementary", "gb18030", "e3329a35", u"\U0010FFFF"_qs);
        row("gb18030 past U+10FFFF", "gb18030", "e3329a36", u"\uFFFD"_qs);
        row("gb18030 pointer 7457", "gb18030", "8135f437", u"\uE7C7"_qs);
        row("gb18030 third byte bad: read again from the second", "gb18030", "81303c",
            u"\uFFFD0<"_qs);
        row("gb18030 fourth byte bad", "gb18030", "81308123", u"\uFFFD0\uFFFD#"_qs);
        row("gb18030 cut after two", "gb18030", "8130", u"\uFFFD"_qs);
        row("gb18030 cut after three", "gb18030", "613081308130813081", u"a0\u0080\uFFFD"_qs);
        // Big5 with the Hong Kong characters, and its two-character pointers.
        row("big5 ideograph", "big5", "a440", u"\u4E00"_qs);
        row("big5 Hong Kong", "big5-hkscs", "8740", u"\u43F0"_qs);
        row("big5 supplementary", "big5", "8745", u"\U00027267"_qs);
        row("big5 letter and macron", "big5", "8862", u"\u00CA\u0304"_qs);
        row("big5 letter and caron", "big5", "88a5", u"\u00EA\u030C"_qs);
        row("big5 bad trail", "big5", "a43c", u"\uFFFD<"_qs);
        row("big5 80", "big5", "80", u"\uFFFD"_qs);
        // EUC-KR as Windows' code page 949.
        row("euc-kr Unified Hangul Code", "euc-kr", "8141", u"\uAC02"_qs);
        row("euc-kr KS X 1001", "ks_c_5601-1987", "b0a1", u"\uAC00"_qs);
        row("euc-kr bad trail", "euc-kr", "b03c", u"\uFFFD<"_qs);
        row("euc-kr lead cut off", "euc-kr", "b0", u"\uFFFD"_qs);
        // Japanese.
        row("shift_jis hiragana", "shift_jis", "82a0", u"\u3042"_qs);
        row("shift_jis user-defined", "sjis", "f040", u"\uE000"_qs);
        row("shift_jis 80 and halfwidth katakana", "shift_jis", "80a6", u"\u0080\uFF66"_qs);
        row("shift_jis a0", "shift_jis", "a0", u"\uFFFD"_qs);
        row("shift_jis bad trail", "shift_jis", "823c", u"\uFFFD<"_qs);
        row("euc-jp hiragana", "euc-jp", "a4a2", u"\u3042"_qs);
        row("euc-jp halfwidth katakana", "euc-jp", "8ea6", u"\uFF66"_qs);
        row("euc-jp JIS X 0212", "euc-jp", "8fb0a1", u"\u4E02"_qs);
        row("euc-jp JIS X 0212 bad last byte", "euc-jp", "8fb03c", u"\uFFFD<"_qs);
        row("euc-jp JIS X 0212 cut off", "euc-jp", "8fb0", u"\uFFFD"_qs);
        row("euc-jp 8e bad trail", "euc-jp", "8e3c", u"\uFFFD<"_qs);
        row("iso-2022-jp JIS X 0208", "iso-2022-jp", "1b244224221b284261", u"\u3042a"_qs);
        row("iso-2022-jp Roman", "iso-2022-jp", "1b284a5c7e", u"\u00A5\u203E"_qs);
        row("iso-2022-jp katakana", "iso-2022-jp", "1b284921", u"\uFF61"_qs);
        row("iso-2022-jp two escapes in a row", "iso-2022-jp", "1b28421b284261", u"\uFFFDa"_qs);
        row("iso-2022-jp escape in a pair", "iso-2022-jp", "1b2442241b284261", u"\uFFFDa"_qs);
        row("iso-2022-jp no escape", "iso-2022-jp", "1b41", u"\uFFFDA"_qs);
        row("iso-2022-jp bad escape read again", "iso-2022-jp", "1b2441", u"\uFFFD$A"_qs);
        row("iso-2022-jp escape cut off", "iso-2022-jp", "611b24", u"a\uFFFD$"_qs);
        row("iso-2022-jp shift out", "iso-2022-jp", "0e61", u"\uFFFDa"_qs);
        row("iso-2022-jp pair cut off", "iso-2022-jp", "1b244224", u"\uFFFD"_qs);
        // UTF-16.
        row("utf-16 surrogate pair", "utf-16", "3dd800de", u"\U0001F600"_qs);
        row("utf-16 lone leading surrogate", "utf-16le", "3dd84100", u"\uFFFDA"_qs);
        row("utf-16 lone trailing surrogate", "utf-16le", "00dc4100", u"\uFFFDA"_qs);
        row("utf-16 leading surrogate and odd byte at the end", "utf-16le", "3dd841", u"\uFFFD"_qs);
        row("utf-16be odd byte", "utf-16be", "0041d8", u"A\uFFFD"_qs);
        // Encodings browsers refuse to read, and the odd one out.
        row("iso-2022-kr is replacement", "iso-2022-kr", "1b242943616263", u"\uFFFD"_qs);
        row("hz-gb-2312 is replacement", "hz-gb-2312", "7e7b", u"\uFFFD"_qs);
        row("replacement, empty", "iso-2022-cn", "", QString());
        row("x-user-defined", "x-user-defined", "4180ff", u"A\uF780\uF7FF"_qs);
        // Single-byte: Latin-1 and ASCII are windows-1252.
        row("iso-8859-1 is windows-1252", "iso-8859-1", "80e9", u"\u20AC\u00E9"_qs);
        row("us-ascii is windows-1252", "us-ascii", "809f", u"\u20AC\u0178"_qs);
        row("windows-1253 unmapped byte", "windows-1253", "41aa", u"A\uFFFD"_qs);
        row("latin2", "latin2", "b1", u"\u0105"_qs);
        row("iso-8859-8-i", "iso-8859-8-i", "e0", u"\u05D0"_qs);
    }
    void asTheStandardDecodes()
    {
        QFETCH(QString, label);
        QFETCH(QByteArray, hex);
        QFETCH(QString, expected);
        QCOMPARE(web::DecodeText(QByteArray::fromHex(hex), label).value_or("(no text)"), expected);
    }
};

QTEST_GUILESS_MAIN(TestEncodingStandard)
#include "test_encoding_standard.moc"
