#include "ResFile.h"

#include <QtEndian>

namespace resfile {

namespace {

qsizetype alignedTo4(qsizetype offset)
{
    return (offset + 3) & ~qsizetype(3);
}

// A type or name field: 0xFFFF then the ordinal, or a NUL-terminated UTF-16
// string. Moves `at` past the field; false if it runs past `end`.
bool readId(const QByteArray& file, qsizetype& at, qsizetype end, Id& id)
{
    if (end - at < 2)
        return false;
    if (word(file, at) == 0xFFFF) {
        if (end - at < 4)
            return false;
        id.ordinal = word(file, at + 2);
        at += 4;
        return true;
    }
    for (; end - at >= 2; at += 2) {
        const quint16 unit = word(file, at);
        if (unit == 0) {
            at += 2;
            return true;
        }
        id.name.append(QChar(unit));
    }
    return false;
}

} // namespace

quint16 word(const QByteArray& bytes, qsizetype at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 dword(const QByteArray& bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

std::optional<QList<Resource>> parse(const QByteArray& file)
{
    // Header: DataSize, HeaderSize, TYPE, NAME, (pad to 4), DataVersion,
    // MemoryFlags, LanguageId, Version, Characteristics; then the data,
    // padded to 4.
    constexpr qsizetype fixedTail = 4 + 2 + 2 + 4 + 4;
    QList<Resource> resources;
    qsizetype at = 0;
    bool first = true;
    while (at < file.size()) {
        if (file.size() - at < 8)
            return std::nullopt;
        const qsizetype dataSize = dword(file, at);
        const qsizetype headerSize = dword(file, at + 4);
        if (headerSize < 8 + 4 + 4 + fixedTail || headerSize > file.size() - at
            || dataSize > file.size() - at - headerSize)
            return std::nullopt;
        const qsizetype headerEnd = at + headerSize;

        Resource resource;
        qsizetype field = at + 8;
        if (!readId(file, field, headerEnd, resource.type)
            || !readId(file, field, headerEnd, resource.name))
            return std::nullopt;
        field = alignedTo4(field);
        if (headerEnd - field < fixedTail)
            return std::nullopt;
        resource.language = word(file, field + 6);
        resource.data = file.mid(headerEnd, dataSize);

        // The file opens with an empty entry (type 0, name 0) that only marks
        // it as a 32-bit resource file.
        const bool marker = first && dataSize == 0 && resource.type.is(0) && resource.name.is(0);
        if (!marker)
            resources.append(resource);
        first = false;
        at = alignedTo4(headerEnd + dataSize);
    }
    return resources;
}

} // namespace resfile
