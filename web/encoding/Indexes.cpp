#include "Indexes.h"

#include <QFile>
#include <QHash>
#include <QMutex>

#include <memory>

namespace web::encoding {

namespace {

using Entries = QList<std::pair<unsigned, char32_t>>;

// Lines are "pointer<TAB>code point<TAB>comment"; "#" starts a comment line.
Entries readEntries(QLatin1StringView name)
{
    QFile file(QStringLiteral(":/web/encoding/index-%1.txt").arg(name));
    // Built into the program: an index that cannot be read is a broken build.
    if (!file.open(QIODevice::ReadOnly))
        qFatal("the Encoding Standard's index %s is not built into the program", name.data());
    const QByteArray text = file.readAll();
    Entries entries;
    for (qsizetype at = 0; at < text.size();) {
        qsizetype end = text.indexOf('\n', at);
        if (end < 0)
            end = text.size();
        const QByteArrayView line(text.constData() + at, end - at);
        at = end + 1;
        if (line.isEmpty() || line.front() == '#')
            continue;
        const qsizetype tab = line.indexOf('\t');
        const qsizetype secondTab = line.indexOf('\t', tab + 1);
        bool pointerOk = false;
        bool codePointOk = false;
        const unsigned pointer = line.first(tab).trimmed().toUInt(&pointerOk);
        const QByteArrayView codePoint
            = line.sliced(tab + 1, (secondTab < 0 ? line.size() : secondTab) - tab - 1);
        const char32_t value = codePoint.trimmed().toUInt(&codePointOk, 16);
        if (tab < 0 || !pointerOk || !codePointOk)
            qFatal("the Encoding Standard's index %s has a line that is no entry", name.data());
        entries.append({pointer, value});
    }
    return entries;
}

// Every table read so far, each kept for the rest of the run so that the
// references handed out stay good.
struct Cache {
    QMutex mutex;
    QHash<QString, std::shared_ptr<const Entries>> entries;
    QHash<QString, std::shared_ptr<const Index>> indexes;
};

Cache& cache()
{
    static Cache instance;
    return instance;
}

} // namespace

const Entries& IndexEntries(QLatin1StringView name)
{
    Cache& tables = cache();
    const QMutexLocker lock(&tables.mutex);
    auto& slot = tables.entries[name];
    if (!slot)
        slot = std::make_shared<const Entries>(readEntries(name));
    return *slot;
}

const Index& IndexNamed(QLatin1StringView name)
{
    Cache& tables = cache();
    {
        const QMutexLocker lock(&tables.mutex);
        if (const auto it = tables.indexes.constFind(name); it != tables.indexes.constEnd())
            return **it;
    }
    // Read outside the lock: the large indexes take milliseconds, and another
    // thread may want a small one meanwhile. Two threads reading the same
    // index at once both read it; the first one stored wins.
    const Entries entries = readEntries(name);
    unsigned size = 0;
    for (const auto& [pointer, codePoint] : entries)
        size = std::max(size, pointer + 1);
    std::vector<char32_t> codePoints(size, 0);
    for (const auto& [pointer, codePoint] : entries)
        codePoints[pointer] = codePoint;
    auto index = std::make_shared<const Index>(std::move(codePoints));
    const QMutexLocker lock(&tables.mutex);
    auto& slot = tables.indexes[name];
    if (!slot)
        slot = std::move(index);
    return *slot;
}

} // namespace web::encoding
