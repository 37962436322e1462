// The yardstick of the editor's start-up: a bare Qt main window of the same
// size with a menu bar, shown and painted once. The editor's own time is
// measured the same way (scripts/measure-startup.sh).
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

#include "app/first_paint_reporter.h"

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("&File"));
    window.resize(781, 524);
    marivel::FirstPaintReporter reporter(sinceStart);
    window.installEventFilter(&reporter);
    window.show();
    return app.exec();
}
