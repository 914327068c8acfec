#pragma once

#include <QString>
#include <QtGlobal>

class QWidget;

// The one entry point of the web engine's module, found at run time. It makes
// a browser view whose "url" property navigates it and whose
// loadFinished(bool) signal says the page has loaded.
namespace WebEngineModule {

using CreateFunction = QWidget* (*)(QWidget* parent);
inline constexpr char CreateSymbol[] = "kestrune_create_browser_view";
// QLibrary adds the platform's prefix and suffix.
inline constexpr char FileName[] = "kestrune-webpane";

// The engine's library, loaded once the application runs, warns as it loads
// that it should have been set up before the application (for an OpenGL
// context shared with the window). The module draws without OpenGL and needs
// no such set-up, so the advice would only mislead: while one of these lives,
// it is dropped and every other message passes on.
class QuietLoading {
public:
    QuietLoading() { passOn() = qInstallMessageHandler(dropOpenGlWarnings); }
    ~QuietLoading() { qInstallMessageHandler(passOn()); }
    QuietLoading(const QuietLoading&) = delete;
    QuietLoading& operator=(const QuietLoading&) = delete;

private:
    static QtMessageHandler& passOn()
    {
        static QtMessageHandler handler = nullptr;
        return handler;
    }
    static void dropOpenGlWarnings(
        QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (type == QtWarningMsg
            && message.startsWith(
                QLatin1String("Qt WebEngine seems to be initialized from a plugin")))
            return;
        passOn()(type, context, message);
    }
};

} // namespace WebEngineModule
