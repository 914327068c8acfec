// The web engine's module: kept apart from the program so that its libraries
// load only when the window is already on the screen.
#include "WebEngineModule.h"

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QWebEngineView>

// Qt's own modules share one OpenGL context this way; QtGui exports it.
void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace {

// The engine draws through an OpenGL context shared with the window. Qt makes
// one at start-up when asked before the application exists, but on a machine
// without a GPU loading OpenGL costs more than all the rest of the start-up
// together; so the window starts without, and it is made here, once the window
// is on the screen.
void shareOpenGLContext()
{
    if (QOpenGLContext::globalShareContext())
        return;
    auto* context = new QOpenGLContext(QCoreApplication::instance());
    context->create();
    qt_gl_set_global_share_context(context);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

} // namespace

extern "C" Q_DECL_EXPORT QWidget* kestrune_create_browser_view(QWidget* parent)
{
    shareOpenGLContext();
    auto* view = new QWebEngineView(parent);
    view->setContextMenuPolicy(Qt::NoContextMenu);
    return view;
}
