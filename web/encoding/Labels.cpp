#include "Labels.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace web::encoding {

namespace {

struct LabelTable {
    QList<std::pair<QString, QString>> inOrder;
    QHash<QString, QString> encodingOf;
};

LabelTable readTable()
{
    QFile file(QStringLiteral(":/web/encoding/encodings.json"));
    // Built into the program: a table that cannot be read is a broken build.
    if (!file.open(QIODevice::ReadOnly))
        qFatal("the Encoding Standard's label table is not built into the program");
    LabelTable table;
    const QJsonArray groups = QJsonDocument::fromJson(file.readAll()).array();
    for (const QJsonValue& group : groups) {
        for (const QJsonValue& encoding : group[QLatin1String("encodings")].toArray()) {
            const QString name = encoding[QLatin1String("name")].toString();
            for (const QJsonValue& label : encoding[QLatin1String("labels")].toArray()) {
                table.inOrder.append({label.toString(), name});
                table.encodingOf.insert(label.toString(), name);
            }
        }
    }
    if (table.encodingOf.isEmpty())
        qFatal("the Encoding Standard's label table built into the program is empty");
    return table;
}

// Read once, on first use; C++ makes the first use from several threads safe.
const LabelTable& table()
{
    static const LabelTable read = readTable();
    return read;
}

bool isAsciiWhitespace(QChar c)
{
    return c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r' || c == u' ';
}

} // namespace

QString EncodingForLabel(QStringView label)
{
    while (!label.isEmpty() && isAsciiWhitespace(label.front()))
        label = label.mid(1);
    while (!label.isEmpty() && isAsciiWhitespace(label.back()))
        label.chop(1);
    // Lower-cased by hand: QString::toLower would also fold non-ASCII letters
    // (the Kelvin sign into "k"), making labels of what no browser reads as one.
    QString key(label.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < label.size(); ++i) {
        const char16_t c = label[i].unicode();
        key[i] = QChar(c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c);
    }
    return table().encodingOf.value(key);
}

QList<std::pair<QString, QString>> AllLabels()
{
    return table().inOrder;
}

} // namespace web::encoding
