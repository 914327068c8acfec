#include "SharedOpenGLContext.h"

#include <QCoreApplication>
#include <QOpenGLContext>

// Qt's own modules share one OpenGL context this way; QtGui exports it.
void qt_gl_set_global_share_context(QOpenGLContext* context);

// Qt's supported way is to set Qt::AA_ShareOpenGLContexts before the
// application exists: Qt then makes this context while starting up. On a
// machine without a GPU that loads Mesa's software driver first and nearly
// doubles the time until the window shows (bench_startup, side by side: 50 to
// 72 ms without, 103 to 123 ms with). So the context is made here instead,
// once the window is on the screen, before the module that loads the web
// engine. Why that is safe:
// - The web engine only asks whether a global share context exists when its
//   library loads and when it starts; made first, it finds this one and
//   draws through it as if Qt had made it.
// - The attribute is not set afterwards: set late, it changes nothing but a
//   warning. Qt reads it only when a Qt Quick or OpenGL widget moves to
//   another top-level window, and the browser view never leaves the window.
void MakeSharedOpenGLContext()
{
    if (QOpenGLContext::globalShareContext())
        return;
    auto* context = new QOpenGLContext(QCoreApplication::instance());
    if (!context->create()) {
        // No OpenGL at all: the web engine draws in software, as it would
        // with no shared context; it says so itself.
        delete context;
        return;
    }
    qt_gl_set_global_share_context(context);
}
