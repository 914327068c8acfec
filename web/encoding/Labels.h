#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <utility>

namespace web::encoding {

// The encoding a label names, as the Encoding Standard's table
// (data/encodings.json) has it: its name ("UTF-8", "GBK", "windows-1252",
// ...), or an empty string when the table does not know the label. ASCII
// whitespace around the label is ignored, and ASCII case; nothing else.
QString EncodingForLabel(QStringView label);

// Every label of the table with the name of its encoding, in the table's order.
QList<std::pair<QString, QString>> AllLabels();

} // namespace web::encoding
