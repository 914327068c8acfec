#pragma once

#include <QFont>
#include <QStringList>

// The layout names the Windows fonts "微软雅黑" and "宋体"; where they are
// missing, Noto CJK has the same characters in the same spirit.
inline void SubstituteWindowsFonts()
{
    QFont::insertSubstitutions(QStringLiteral("微软雅黑"),
        {QStringLiteral("Microsoft YaHei"), QStringLiteral("Noto Sans CJK SC")});
    QFont::insertSubstitutions(
        QStringLiteral("宋体"), {QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC")});
}
