#include "VersionInfo.h"

#include "ResFile.h"

namespace versioninfo {

namespace {

// Offsets are from the start of the record, which the resource data keeps
// 32-bit aligned, so aligning them aligns the nodes.
qsizetype alignedTo4(qsizetype offset)
{
    return (offset + 3) & ~qsizetype(3);
}

std::optional<Node> parseNode(const QByteArray& data, qsizetype start, qsizetype limit)
{
    if (limit - start < 6)
        return std::nullopt;
    const qsizetype length = resfile::word(data, start);
    const qsizetype valueLength = resfile::word(data, start + 2);
    const quint16 type = resfile::word(data, start + 4);
    if (length < 6 || length > limit - start || type > 1)
        return std::nullopt;
    const qsizetype end = start + length;

    Node node;
    node.isText = type == 1;
    qsizetype at = start + 6;
    for (;; at += 2) {
        if (end - at < 2)
            return std::nullopt;
        const quint16 unit = resfile::word(data, at);
        if (unit == 0)
            break;
        node.key.append(QChar(unit));
    }
    at = alignedTo4(at + 2);

    // A text value's length counts UTF-16 units, a binary one's bytes.
    const qsizetype valueBytes = node.isText ? valueLength * 2 : valueLength;
    if (valueBytes > 0 && valueBytes > end - at)
        return std::nullopt;
    node.value = data.mid(at, valueBytes);
    at = alignedTo4(at + valueBytes);

    while (at < end) {
        std::optional<Node> child = parseNode(data, at, end);
        if (!child)
            return std::nullopt;
        at = alignedTo4(at + resfile::word(data, at));
        node.children.append(*child);
    }
    return node;
}

} // namespace

QString Node::text() const
{
    QString result;
    for (qsizetype at = 0; at + 1 < value.size(); at += 2) {
        const quint16 unit = resfile::word(value, at);
        if (unit == 0)
            break;
        result.append(QChar(unit));
    }
    return result;
}

QList<Node> Node::childrenNamed(const QString& wanted) const
{
    QList<Node> found;
    for (const Node& child : children)
        if (child.key == wanted)
            found.append(child);
    return found;
}

std::optional<Node> parse(const QByteArray& data)
{
    return parseNode(data, 0, data.size());
}

} // namespace versioninfo
