// The yardstick of the console's start: a bare QWidget of the main window's client size, started
// and watched as the console is (same command line as bench_startup_window, see StartupBench.cpp),
// so that the report can say how much of a start is the console's own. Built twice: linking only
// QtWidgets, and linking every Qt module that the console links.
//
//     bench_reference_* --prepare FOLDER MODE      (nothing to prepare)
//     bench_reference_* --window FOLDER
//     bench_reference_* --once FOLDER              (ends after the first paint, for profiling)

#include "FirstPaint.h"

#include <QApplication>
#include <QByteArray>
#include <QWidget>

#include <cstdio>

int main(int argc, char **argv)
{
    const QByteArray command = argc > 2 ? QByteArray(argv[1]) : QByteArray();
    if (command == "--prepare" && argc == 4)
        return 0;
    if ((command != "--window" && command != "--once") || argc != 3) {
        std::fprintf(stderr, "usage: %s --prepare FOLDER MODE | --window FOLDER | --once FOLDER\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    QWidget window;
    window.resize(855, 586);
    const vo::bench::FirstPaint firstPaint(&window, command == "--once");
    window.show();
    return app.exec();
}
