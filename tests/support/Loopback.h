#pragma once

#include "loopback/LoopbackServer.h"

#include <QByteArray>
#include <QString>

// Qt-side conveniences for tests that talk to a loopback::Server.
inline QString qs(const std::string& text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

inline std::string u8(const QString& text)
{
    return text.toStdString();
}

// A local port nobody listens on, and nobody can, while the test runs.
int unusedLoopbackPort();
