// The web engine's module: kept apart from the program so that its libraries
// load only when the window is already on the screen.
#include "WebEngineModule.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QQuickWindow>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <optional>

namespace {

// Chromium's settings for the one small page the pane shows, ahead of any a
// user gives in QTWEBENGINE_CHROMIUM_FLAGS: Chromium takes the last of a
// switch given twice, so the user's own win.
constexpr char DefaultChromiumFlags[] = "--enable-low-end-device-mode "
                                        "--js-flags=--max-old-space-size=16 "
                                        "--num-raster-threads=1";

// Sets an environment variable while the engine starts and then puts back
// what was there: the programs the window opens (a system browser built on
// the same engine) must not inherit the pane's settings.
class EngineEnvironment {
public:
    EngineEnvironment(const char* name, const QByteArray& value)
        : name_(name)
        , wasSet_(qEnvironmentVariableIsSet(name))
        , old_(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~EngineEnvironment()
    {
        if (wasSet_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }
    EngineEnvironment(const EngineEnvironment&) = delete;
    EngineEnvironment& operator=(const EngineEnvironment&) = delete;

private:
    const char* name_;
    bool wasSet_;
    QByteArray old_;
};

QLoggingCategory::CategoryFilter otherFilters = nullptr;

// The engine logs its OpenGL set-up at start by reading the OpenGL context
// the application shares, and crashes where there is none (Qt 6.4); without
// OpenGL there is nothing to log.
void withoutOpenGlLog(QLoggingCategory* category)
{
    if (otherFilters)
        otherFilters(category);
    if (qstrcmp(category->categoryName(), "qt.webenginecontext") == 0) {
        category->setEnabled(QtDebugMsg, false);
        category->setEnabled(QtInfoMsg, false);
    }
}

} // namespace

// The view draws through Qt Quick's software scene graph, so the window stays
// a plain raster window: no OpenGL is loaded, at start or later, and the
// window is never made anew under another native id when the view joins it
// (as it is for a view that draws through OpenGL). Chromium then composes
// the page without a GPU, which is all one static page needs.
extern "C" Q_DECL_EXPORT QWidget* kestrune_create_browser_view(QWidget* parent)
{
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    otherFilters = QLoggingCategory::installFilter(withoutOpenGlLog);
    QByteArray flags = DefaultChromiumFlags;
    if (qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
        flags += ' ' + qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    EngineEnvironment chromiumFlags("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    // The engine asks, once, whether OpenGL may be used from several
    // threads; on X11 Qt answers by loading the OpenGL driver (without a GPU,
    // Mesa's software renderer: some 45 MiB). A user's own choice stands.
    std::optional<EngineEnvironment> noOpenGl;
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        noOpenGl.emplace("QT_XCB_GL_INTEGRATION", "none");

    auto* view = new QWebEngineView(parent);
    view->setContextMenuPolicy(Qt::NoContextMenu);
    // The engine starts with the view's page, reading the settings above.
    view->page();
    return view;
}
