// Starts the window the way the program does and reports, on standard output,
// the moment of its first paint and then the process's peak memory:
//   kestrune_startup_probe full   the program's window; the web engine loads after the paint
//   kestrune_startup_probe bare   the same controls, the browser pane never loads the engine
#include "Fonts.h"
#include "Form1.h"
#include "browser/BrowserPane.h"

#include <QApplication>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <cstring>

namespace {

long peakKibibytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void reportAndQuit()
{
    std::printf("peak %ld\n", peakKibibytes());
    std::fflush(stdout);
    QCoreApplication::quit();
}

} // namespace

int main(int argc, char* argv[])
{
    const bool full = argc > 1 && std::strcmp(argv[1], "full") == 0;
    if (full)
        BrowserPane::prepareApplication();
    QApplication application(argc, argv);
    SubstituteWindowsFonts();

    Form1 form(Form1::Options {full});
    QObject::connect(&form, &Form1::firstPainted, [&] {
        std::printf("painted\n");
        std::fflush(stdout);
        if (!full)
            QTimer::singleShot(0, reportAndQuit);
    });
    // The full window's memory counts once the engine has loaded and shown
    // its page, or has failed to within the limit.
    QObject::connect(
        form.WB1(), &BrowserPane::engineReady, [] { QTimer::singleShot(2000, reportAndQuit); });
    QTimer::singleShot(30000, reportAndQuit);
    form.show();
    return application.exec();
}
