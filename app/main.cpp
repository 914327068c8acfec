#include "CommonControls.h"
#include "Fonts.h"
#include "Form1.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    InitCommonControlsVB();
    // The web engine, loaded later from its module, shares OpenGL contexts
    // with the window; this can only be said before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("kestrune"));
    application.setApplicationDisplayName(QString());
    application.setDesktopFileName(QStringLiteral("kestrune"));
    SubstituteWindowsFonts();

    Form1 form;
    form.show();
    return application.exec();
}
