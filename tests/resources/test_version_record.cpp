// Compiles the executable's Windows resource script with windres, as a
// Windows build would, and reads the compiled resources back: icon group,
// version record and manifest.

#include "ResFile.h"
#include "VersionInfo.h"

#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <iterator>

namespace {

constexpr quint16 RtIcon = 3;
constexpr quint16 RtGroupIcon = 14;
constexpr quint16 RtVersion = 16;
constexpr quint16 RtManifest = 24;
constexpr quint16 SimplifiedChinese = 0x0804;
constexpr quint16 UnicodeCodePage = 0x04B0;

const QString StringTableKey = QStringLiteral("080404B0");

// What Explorer's details page shows for the executable.
const QList<std::pair<QString, QString>> VersionStrings = {
    {"CompanyName", "Kestrune网 客服热线 400-000-0000"},
    {"FileDescription", "帮助iphone丢失的朋友找回手机！"},
    {"ProductName", "Kestrune助理"},
    {"FileVersion", "3.00"},
    {"ProductVersion", "3.00"},
    {"InternalName", "Kestrune助理"},
    {"OriginalFilename", "Kestrune助理.exe"},
};

QList<resfile::Resource> ofType(const QList<resfile::Resource>& all, quint16 type)
{
    QList<resfile::Resource> found;
    std::copy_if(all.begin(), all.end(), std::back_inserter(found),
        [type](const resfile::Resource& r) { return r.type.is(type); });
    return found;
}

// One entry of an icon group (GRPICONDIRENTRY).
struct GroupEntry {
    int width;
    int height;
    int bitCount;
    quint32 bytes;
    quint16 iconId;
};

// Element path (local names joined by '/') -> attributes of each element there.
using ElementIndex = QHash<QString, QList<QXmlStreamAttributes>>;

} // namespace

class TestVersionRecord : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void iconGroupListsFourSizes();
    void iconImage_data();
    void iconImage();

    void fixedFileInfo_data();
    void fixedFileInfo();
    void versionString_data();
    void versionString();
    void stringTableHoldsOnlyTheseStrings();
    void translationIsSimplifiedChineseUnicode();

    void manifestIsResourceOneInSimplifiedChinese();
    void manifestAttribute_data();
    void manifestAttribute();
    void manifestHasOneDependencyAndOneLineDescription();

private:
    QList<GroupEntry> iconGroupEntries() const;

    QList<resfile::Resource> resources_;
    versioninfo::Node versionRoot_;
    ElementIndex manifestElements_;
    QString manifestDescription_;
};

void TestVersionRecord::initTestCase()
{
    // Missing windres is a failure, not a skip: without it nothing here
    // checks the record that Windows users see.
    const QString windres = QStandardPaths::findExecutable("x86_64-w64-mingw32-windres");
    QVERIFY2(!windres.isEmpty(),
        "x86_64-w64-mingw32-windres not found (Debian package binutils-mingw-w64-x86-64)");

    QTemporaryDir out;
    QVERIFY(out.isValid());
    const QString resPath = out.filePath("kestrune.res");

    // windres would preprocess with x86_64-w64-mingw32-gcc, a whole cross
    // compiler; the script includes no headers, so the host compiler's
    // preprocessor does the same job.
    QProcess process;
    process.setProgram(windres);
    process.setArguments({"--preprocessor=" KESTRUNE_RC_PREPROCESSOR, "--preprocessor-arg=-E",
        "--preprocessor-arg=-xc", "--preprocessor-arg=-DRC_INVOKED", "-I", KESTRUNE_ART_DIR, "-O",
        "res", "-i", KESTRUNE_RC_FILE, "-o", resPath});
    process.start();
    QVERIFY2(process.waitForFinished(60000), qPrintable(process.errorString()));
    const QByteArray errors = process.readAllStandardError();
    QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
        errors.constData());

    QFile res(resPath);
    QVERIFY(res.open(QIODevice::ReadOnly));
    const std::optional<QList<resfile::Resource>> parsed = resfile::parse(res.readAll());
    QVERIFY2(parsed, "windres wrote a .res file that does not parse");
    resources_ = *parsed;

    const QList<resfile::Resource> versions = ofType(resources_, RtVersion);
    QCOMPARE(versions.size(), 1);
    QVERIFY(versions[0].name.is(1));
    const std::optional<versioninfo::Node> root = versioninfo::parse(versions[0].data);
    QVERIFY2(root, "the version record does not parse");
    QCOMPARE(root->key, QStringLiteral("VS_VERSION_INFO"));
    versionRoot_ = *root;

    const QList<resfile::Resource> manifests = ofType(resources_, RtManifest);
    QCOMPARE(manifests.size(), 1);
    QXmlStreamReader xml(manifests[0].data);
    QStringList path;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            path.append(xml.name().toString());
            manifestElements_[path.join('/')].append(xml.attributes());
            if (path.join('/') == "assembly/description")
                manifestDescription_ = xml.readElementText();
            if (xml.isEndElement())
                path.removeLast();
        } else if (xml.isEndElement()) {
            path.removeLast();
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
}

QList<GroupEntry> TestVersionRecord::iconGroupEntries() const
{
    const QList<resfile::Resource> groups = ofType(resources_, RtGroupIcon);
    if (groups.size() != 1)
        return {};
    const QByteArray& data = groups[0].data;
    // GRPICONDIR: reserved 0, type 1 (icon), count, then 14-byte entries.
    if (data.size() < 6 || resfile::word(data, 0) != 0 || resfile::word(data, 2) != 1)
        return {};
    const int count = resfile::word(data, 4);
    if (data.size() != 6 + 14 * count)
        return {};
    QList<GroupEntry> entries;
    for (int i = 0; i < count; ++i) {
        const qsizetype at = 6 + 14 * i;
        // A width or height byte of 0 stands for 256.
        const auto side = [&](qsizetype offset) {
            const int value = quint8(data[at + offset]);
            return value == 0 ? 256 : value;
        };
        entries.append({side(0), side(1), resfile::word(data, at + 6), resfile::dword(data, at + 8),
            resfile::word(data, at + 12)});
    }
    return entries;
}

void TestVersionRecord::iconGroupListsFourSizes()
{
    const QList<resfile::Resource> groups = ofType(resources_, RtGroupIcon);
    QCOMPARE(groups.size(), 1);
    QVERIFY(groups[0].name.is(1));

    QList<int> sides;
    for (const GroupEntry& entry : iconGroupEntries()) {
        QCOMPARE(entry.height, entry.width);
        sides.append(entry.width);
    }
    std::sort(sides.begin(), sides.end());
    QCOMPARE(sides, QList<int>({32, 48, 128, 256}));
}

void TestVersionRecord::iconImage_data()
{
    QTest::addColumn<int>("side");
    QTest::addColumn<int>("bitCount");
    QTest::newRow("32x32, 256 colours") << 32 << 8;
    QTest::newRow("48x48, 32-bit") << 48 << 32;
    QTest::newRow("128x128, 32-bit") << 128 << 32;
    QTest::newRow("256x256, 32-bit") << 256 << 32;
}

void TestVersionRecord::iconImage()
{
    QFETCH(int, side);
    QFETCH(int, bitCount);

    const QList<GroupEntry> entries = iconGroupEntries();
    const auto entry = std::find_if(
        entries.begin(), entries.end(), [side](const GroupEntry& e) { return e.width == side; });
    QVERIFY(entry != entries.end());
    QCOMPARE(entry->bitCount, bitCount);

    // The group points at its images by RT_ICON id.
    QList<resfile::Resource> images;
    for (const resfile::Resource& icon : ofType(resources_, RtIcon))
        if (icon.name.is(entry->iconId))
            images.append(icon);
    QCOMPARE(images.size(), 1);
    const QByteArray& image = images[0].data;
    QCOMPARE(quint32(image.size()), entry->bytes);

    // The image itself must agree with what the group says of it: a PNG
    // (RGBA, 8 bits a channel) or a BMP whose height counts image and mask.
    if (image.startsWith("\x89PNG\r\n\x1a\n")) {
        QVERIFY(image.size() >= 26);
        QCOMPARE(qFromBigEndian<quint32>(image.constData() + 16), quint32(side));
        QCOMPARE(qFromBigEndian<quint32>(image.constData() + 20), quint32(side));
        QCOMPARE(int(quint8(image[24])) * 4, bitCount); // bit depth of each of 4 channels
        QCOMPARE(int(quint8(image[25])), 6); // colour type RGBA
    } else {
        QVERIFY(image.size() >= 40);
        QCOMPARE(resfile::dword(image, 0), 40u); // BITMAPINFOHEADER
        QCOMPARE(qint32(resfile::dword(image, 4)), side);
        QCOMPARE(qint32(resfile::dword(image, 8)), 2 * side);
        QCOMPARE(int(resfile::word(image, 14)), bitCount);
    }
}

void TestVersionRecord::fixedFileInfo_data()
{
    using namespace versioninfo;
    QTest::addColumn<int>("field");
    QTest::addColumn<quint32>("expected");
    QTest::newRow("signature") << int(Signature) << 0xFEEF04BDu;
    QTest::newRow("structure version") << int(StrucVersion) << 0x00010000u;
    QTest::newRow("file version 3.0") << int(FileVersionMS) << 0x00030000u;
    QTest::newRow("file version .0.0") << int(FileVersionLS) << 0u;
    QTest::newRow("product version 3.0") << int(ProductVersionMS) << 0x00030000u;
    QTest::newRow("product version .0.0") << int(ProductVersionLS) << 0u;
    QTest::newRow("flags mask") << int(FileFlagsMask) << 0u;
    QTest::newRow("flags: none") << int(FileFlags) << 0u;
    QTest::newRow("OS: 32-bit Windows") << int(FileOS) << 4u;
    QTest::newRow("type: application") << int(FileType) << 1u;
    QTest::newRow("subtype: none") << int(FileSubtype) << 0u;
    QTest::newRow("date, high") << int(FileDateMS) << 0u;
    QTest::newRow("date, low") << int(FileDateLS) << 0u;
}

void TestVersionRecord::fixedFileInfo()
{
    QFETCH(int, field);
    QFETCH(quint32, expected);
    QCOMPARE(versionRoot_.isText, false);
    QCOMPARE(versionRoot_.value.size(), versioninfo::FixedFieldCount * 4);
    QCOMPARE(resfile::dword(versionRoot_.value, field * 4), expected);
}

void TestVersionRecord::versionString_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    for (const auto& [key, value] : VersionStrings)
        QTest::newRow(qPrintable(key)) << key << value;
}

void TestVersionRecord::versionString()
{
    QFETCH(QString, key);
    QFETCH(QString, expected);
    const QList<versioninfo::Node> fileInfo = versionRoot_.childrenNamed("StringFileInfo");
    QCOMPARE(fileInfo.size(), 1);
    const QList<versioninfo::Node> tables = fileInfo[0].childrenNamed(StringTableKey);
    QCOMPARE(tables.size(), 1);
    const QList<versioninfo::Node> strings = tables[0].childrenNamed(key);
    QCOMPARE(strings.size(), 1);
    QVERIFY(strings[0].isText);
    QCOMPARE(strings[0].text(), expected);
}

void TestVersionRecord::stringTableHoldsOnlyTheseStrings()
{
    const QList<versioninfo::Node> fileInfo = versionRoot_.childrenNamed("StringFileInfo");
    QCOMPARE(fileInfo.size(), 1);
    QStringList tables;
    for (const versioninfo::Node& table : fileInfo[0].children)
        tables.append(table.key);
    QCOMPARE(tables, QStringList {StringTableKey});

    QStringList keys;
    for (const versioninfo::Node& string : fileInfo[0].children[0].children)
        keys.append(string.key);
    QStringList expected;
    for (const auto& entry : VersionStrings)
        expected.append(entry.first);
    keys.sort();
    expected.sort();
    QCOMPARE(keys, expected);
}

void TestVersionRecord::translationIsSimplifiedChineseUnicode()
{
    const QList<versioninfo::Node> varInfo = versionRoot_.childrenNamed("VarFileInfo");
    QCOMPARE(varInfo.size(), 1);
    QCOMPARE(varInfo[0].children.size(), 1);
    const versioninfo::Node& translation = varInfo[0].children[0];
    QCOMPARE(translation.key, QStringLiteral("Translation"));
    QCOMPARE(translation.isText, false);
    QCOMPARE(translation.value.size(), 4);
    QCOMPARE(resfile::word(translation.value, 0), SimplifiedChinese);
    QCOMPARE(resfile::word(translation.value, 2), UnicodeCodePage);
}

void TestVersionRecord::manifestIsResourceOneInSimplifiedChinese()
{
    const QList<resfile::Resource> manifests = ofType(resources_, RtManifest);
    QCOMPARE(manifests.size(), 1);
    // Id 1 is the one the loader reads when it starts the process.
    QVERIFY(manifests[0].name.is(1));
    QCOMPARE(manifests[0].language, SimplifiedChinese);
    QVERIFY(manifests[0].data.startsWith("\xEF\xBB\xBF<?xml"));
}

void TestVersionRecord::manifestAttribute_data()
{
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<QString>("expected");

    const QString assembly = "assembly";
    const QString identity = "assembly/assemblyIdentity";
    const QString controls = "assembly/dependency/dependentAssembly/assemblyIdentity";
    QTest::newRow("manifest version") << assembly << "manifestVersion"
                                      << "1.0";
    QTest::newRow("own version") << identity << "version"
                                 << "1.0.0.0";
    // The program is 64-bit: an x86 identity would keep Windows from starting it.
    QTest::newRow("own architecture") << identity << "processorArchitecture"
                                      << "amd64";
    QTest::newRow("own type") << identity << "type"
                              << "win32";
    QTest::newRow("own name") << identity << "name"
                              << "Kestrune.Assistant";
    QTest::newRow("controls name") << controls << "name"
                                   << "Microsoft.Windows.Common-Controls";
    QTest::newRow("controls version") << controls << "version"
                                      << "6.0.0.0";
    QTest::newRow("controls architecture") << controls << "processorArchitecture"
                                           << "amd64";
    QTest::newRow("controls key token") << controls << "publicKeyToken"
                                        << "6595b64144ccf1df";
    QTest::newRow("controls language") << controls << "language"
                                       << "*";
    QTest::newRow("controls type") << controls << "type"
                                   << "win32";
}

void TestVersionRecord::manifestAttribute()
{
    QFETCH(QString, element);
    QFETCH(QString, attribute);
    QFETCH(QString, expected);
    const QList<QXmlStreamAttributes> found = manifestElements_.value(element);
    QCOMPARE(found.size(), 1);
    QVERIFY2(found[0].hasAttribute(attribute), qPrintable(attribute));
    QCOMPARE(found[0].value(attribute).toString(), expected);
}

void TestVersionRecord::manifestHasOneDependencyAndOneLineDescription()
{
    QCOMPARE(manifestElements_.value("assembly/dependency").size(), 1);
    QCOMPARE(manifestElements_.value("assembly/description").size(), 1);
    QCOMPARE(manifestElements_.value("assembly/application/windowsSettings/dpiAwareness").size(), 1);
    QVERIFY(!manifestDescription_.trimmed().isEmpty());
    QVERIFY(!manifestDescription_.contains('\n'));
}

QTEST_GUILESS_MAIN(TestVersionRecord)
#include "test_version_record.moc"
