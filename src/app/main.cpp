// Start-up of the editor: the application object, the main window (which
// makes the HTML code window it keeps) and the help window kept for the whole
// run, then the command-line project.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "app/first_paint_reporter.h"
#include "app/screenshot.h"
#include "documents/kept_windows.h"
#include "editor/local_text.h"
#include "editor/main_form.h"
#include "output/memory_gate.h"
#include "platform/ini_settings_store.h"
#include "platform/qt_prompter.h"
#include "platform/shell.h"

int main(int argc, char** argv) {
    marivel::ReturnLargeBlocksToTheSystem();
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    // The task bar text; the window caption stays "Marivel".
    QApplication::setApplicationName(QStringLiteral("Tessaline"));
    QApplication::setOrganizationName(QStringLiteral("Kelt"));

    marivel::QtPrompter prompter;
    marivel::IniSettingsStore settings(marivel::IniSettingsStore::defaultFolder());
    marivel::DesktopShell shell;
    marivel::MainFormOptions options;
    options.programFolder = marivel::toLocalPath(QCoreApplication::applicationDirPath());

    marivel::TMainForm mainForm(prompter, settings, shell, options);
    marivel::TfrmHelp frmHelp(&mainForm);
    mainForm.show();

    marivel::OpenCommandLineProject(mainForm, QCoreApplication::arguments().mid(1));

    // MARIVEL_STARTUP_REPORT=1: print how long it took until the main window
    // was first painted, then quit (start-up time measurements).
    marivel::FirstPaintReporter reporter(sinceStart);
    if (qEnvironmentVariableIsSet("MARIVEL_STARTUP_REPORT")) mainForm.installEventFilter(&reporter);
    // MARIVEL_SCREENSHOT_DIR=folder: save pictures of the window and quit.
    const QString shots = qEnvironmentVariable("MARIVEL_SCREENSHOT_DIR");
    if (!shots.isEmpty())
        QTimer::singleShot(300, &app, [&] { app.exit(marivel::SaveScreenshots(mainForm, shots)); });
    return app.exec();
}
