#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace web {

// What libcurl is to trust when a file names certificates beside the system's.
struct TrustBundle {
    QByteArray pem; // empty: the file adds nothing, keep libcurl's own trust
    QStringList problems; // what was wrong with the file, one text each
};

// The largest file read: a bundle of every public authority is some 200 KiB.
constexpr qint64 MaxTrustFileBytes = 4 * 1024 * 1024;

// The system's trust (the bundle `systemBundle` names, where libcurl looks,
// may be empty; the roots of the system's store where libcurl trusts that
// instead) followed by each certificate of `extraFile` that reads. A block
// that does not read is left out and named, by number and line, in
// `problems`: libcurl would refuse the whole bundle for it, the system's
// certificates too. Only a regular file of at most MaxTrustFileBytes is
// read, so that a device or a FIFO named by mistake neither fills memory nor
// blocks.
TrustBundle ReadTrustBundle(const QString& systemBundle, const QString& extraFile);

} // namespace web
