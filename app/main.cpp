#include "CommonControls.h"
#include "Fonts.h"
#include "Form1.h"
#include "QtTranslation.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    InitCommonControlsVB();
    QApplication application(argc, argv);
    LoadQtTranslation();
    application.setApplicationName(QStringLiteral("kestrune"));
    application.setApplicationDisplayName(QString());
    application.setDesktopFileName(QStringLiteral(KESTRUNE_APP_ID));
    SubstituteWindowsFonts();

    Form1 form;
    form.show();
    return application.exec();
}
