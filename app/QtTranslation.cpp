#include "QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

QTranslator* LoadQtTranslation(const QLocale& locale)
{
    // "qt" is the catalog of all of Qt's modules: on Debian it names qtbase's
    // and the others' files, and Qt's deployment tool merges those into it.
    const QString folders[] = {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
        QCoreApplication::applicationDirPath() + QStringLiteral("/translations")};
    auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
    for (const QString& folder : folders) {
        if (translator->load(locale, QStringLiteral("qt"), QStringLiteral("_"), folder)
            && QCoreApplication::installTranslator(translator.get()))
            return translator.release();
    }
    return nullptr;
}
