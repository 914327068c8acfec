#pragma once

// Reading of compiled Windows resource files (.res, the 32-bit format that
// windres -O res and rc.exe write), enough to look at what the executable
// will carry without a Windows machine.

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace resfile {

// A resource type or name: a 16-bit ordinal or a string.
struct Id {
    std::optional<quint16> ordinal;
    QString name;

    bool is(quint16 number) const { return ordinal && *ordinal == number; }
};

struct Resource {
    Id type;
    Id name;
    quint16 language = 0;
    QByteArray data;
};

// Every resource in file order, without the empty entry that opens a .res
// file; nothing if the file is cut short or its headers do not fit together.
std::optional<QList<Resource>> parse(const QByteArray& file);

// Little-endian reads; the caller has checked that the bytes are there.
quint16 word(const QByteArray& bytes, qsizetype at);
quint32 dword(const QByteArray& bytes, qsizetype at);

} // namespace resfile
