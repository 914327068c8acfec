// Starts the window the way the program does and reports on standard output,
// one line each: "painted <ns>" at the window's first paint (the moment by
// std::chrono::steady_clock, which all processes share), then "peak <KiB>",
// the process's peak memory, and "helpers <KiB>", the memory of every process
// it started, added up. The helpers share much of their memory (the engine's
// library, the zygote's pages), so each counts its proportional share (Pss)
// of what it holds at the end, not its resident size:
//   kestrune_startup_probe full   the program's window; counted once the web
//                                 engine has loaded and shown the page
//   kestrune_startup_probe bare   the same controls, the engine never loads
//   kestrune_startup_probe light  the program's window with the settings file
//                                 choosing the light pane; counted once it
//                                 has shown the page and its pictures
// A full or light window whose page does not load (in 30 s) says "page
// failed" before the figures.
#include "Fonts.h"
#include "Form1.h"
#include "browser/BrowserPane.h"
#include "lookup/Sites.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <utility>

namespace {

// The proportional share of memory a process holds, in KiB; 0 when it is gone.
long proportionalKibibytes(const QString& pid)
{
    QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!rollup.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : rollup.readAll().split('\n'))
        if (line.startsWith("Pss:"))
            return line.mid(4).trimmed().split(' ').value(0).toLong();
    return 0;
}

// The web engine's helpers are started by the program and by one another
// (its zygote starts the renderers), so every descendant counts.
long helpersKibibytes()
{
    std::multimap<QString, QString> children; // parent -> child
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold spaces and brackets.
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1)
            children.emplace(QString::fromLatin1(fields[1]), pid);
    }
    long total = 0;
    QStringList pending {QString::number(getpid())};
    while (!pending.isEmpty()) {
        const auto [first, last] = children.equal_range(pending.takeLast());
        for (auto child = first; child != last; ++child) {
            total += proportionalKibibytes(child->second);
            pending << child->second;
        }
    }
    return total;
}

void reportAndQuit()
{
    static bool reported = false;
    if (std::exchange(reported, true))
        return;
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak %ld\nhelpers %ld\n", usage.ru_maxrss, helpersKibibytes());
    std::fflush(stdout);
    QCoreApplication::quit();
}

} // namespace

int main(int argc, char* argv[])
{
    const bool light = argc > 1 && std::strcmp(argv[1], "light") == 0;
    const bool full = light || (argc > 1 && std::strcmp(argv[1], "full") == 0);
    QApplication application(argc, argv);
    SubstituteWindowsFonts();
    QTemporaryDir settings;
    if (light) {
        QFile file(settings.filePath(QStringLiteral("kestrune.conf")));
        if (!file.open(QIODevice::WriteOnly) || file.write("[window]\npane=light\n") < 0)
            return 1;
        file.close();
        lookup::Sites::useSettingsFile(file.fileName());
    }

    Form1 form(Form1::Options {full});
    QObject::connect(&form, &Form1::firstPainted, [&] {
        std::printf("painted %lld\n",
            static_cast<long long>(std::chrono::steady_clock::now().time_since_epoch().count()));
        std::fflush(stdout);
        if (!full)
            QTimer::singleShot(0, reportAndQuit);
    });
    // The page's own drawing follows its loading; a second covers it.
    QObject::connect(form.WB1(), &BrowserPane::pageLoaded, [](bool ok) {
        if (!ok)
            std::printf("page failed\n");
        QTimer::singleShot(1000, reportAndQuit);
    });
    QTimer::singleShot(30000, [full] {
        if (full)
            std::printf("page failed\n");
        reportAndQuit();
    });
    form.show();
    return application.exec();
}
