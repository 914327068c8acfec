#pragma once

// What the light pane's tests share: the settings file that chooses it, a
// stand-in for the system browser, and reading and clicking the pane.
#include "browser/LightPane.h"
#include "lookup/Sites.h"

#include <QDesktopServices>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

namespace lightpane {

// Points the program at a settings file that asks for the light pane.
inline bool chooseLightPane(const QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("kestrune.conf"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("[window]\npane=light\n");
    file.close();
    lookup::Sites::useSettingsFile(path);
    return true;
}

// Takes the addresses Qt would hand to the system browser, on any platform:
// QDesktopServices::openUrl asks a handler of the scheme before the desktop.
class OpenerStandIn : public QObject {
    Q_OBJECT

public:
    OpenerStandIn()
    {
        for (const char* scheme : {"http", "https", "file", "javascript"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
    }
    ~OpenerStandIn() override
    {
        for (const char* scheme : {"http", "https", "file", "javascript"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }

    QStringList opened;

public slots:
    void open(const QUrl& address) { opened << address.toString(); }
};

// The sizes of the pictures the pane's page shows.
inline QList<QSize> pictureSizes(const QTextDocument& document)
{
    QList<QSize> sizes;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QVariant picture = document.resource(
                QTextDocument::ImageResource, QUrl(format.toImageFormat().name()));
            sizes << picture.value<QImage>().size();
        }
    return sizes;
}

// Clicks the middle of the first place the pane shows `text`.
inline bool clickText(LightPane* pane, const QString& text)
{
    QTextCursor found = pane->document()->find(text);
    if (found.isNull())
        return false;
    found.setPosition((found.selectionStart() + found.selectionEnd()) / 2);
    pane->setTextCursor(found);
    pane->ensureCursorVisible();
    const QRect place = pane->cursorRect();
    QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, place.center() + QPoint(1, 0));
    return true;
}

} // namespace lightpane
