// The web engine's module: kept apart from the program so that its libraries
// load only when the window is already on the screen.
#include "WebEngineModule.h"

#include <QWebEngineView>

// The OpenGL context the view draws through is made by Qt with the
// application (BrowserPane::prepareApplication): the web engine checks for it
// as soon as its library is loaded.
extern "C" Q_DECL_EXPORT QWidget* kestrune_create_browser_view(QWidget* parent)
{
    auto* view = new QWebEngineView(parent);
    view->setContextMenuPolicy(Qt::NoContextMenu);
    return view;
}
