#pragma once

// Reading of a version record (the data of an RT_VERSION resource): a tree of
// VS_VERSIONINFO, StringFileInfo, StringTable, String, VarFileInfo and Var
// nodes, each a length, a value length, a type, a UTF-16 key, a value and
// children, aligned to 32 bits.

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace versioninfo {

struct Node {
    QString key;
    bool isText = false; // wType 1: the value is UTF-16 text
    QByteArray value;
    QList<Node> children;

    // The value as text, without its terminating NUL.
    QString text() const;
    // The children with this key.
    QList<Node> childrenNamed(const QString& wanted) const;
};

// The root node, or nothing if a length points outside its parent or the
// data is cut short.
std::optional<Node> parse(const QByteArray& data);

// Fields of VS_FIXEDFILEINFO, the root's value, in their order.
enum FixedField {
    Signature,
    StrucVersion,
    FileVersionMS,
    FileVersionLS,
    ProductVersionMS,
    ProductVersionLS,
    FileFlagsMask,
    FileFlags,
    FileOS,
    FileType,
    FileSubtype,
    FileDateMS,
    FileDateLS,
    FixedFieldCount
};

} // namespace versioninfo
