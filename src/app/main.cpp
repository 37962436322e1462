// Start-up of the editor: the application object, the main window (which
// makes the HTML code window and the help window it keeps for the whole run),
// then the command-line project.
//
// The same file builds marivel-dev, the developers' editor, with
// MARIVEL_DEVELOPER_HOOKS defined: it also answers MARIVEL_STARTUP_REPORT and
// MARIVEL_SCREENSHOT_DIR. It is never installed.
#include <QApplication>
#include <QTimer>
#include <optional>

#include "app/automation.h"
#ifdef MARIVEL_DEVELOPER_HOOKS
#include <QElapsedTimer>

#include "app/first_paint_reporter.h"
#include "app/screenshot.h"
#endif
#include "editor/main_window.h"
#include "model/error.h"
#include "model/program_folders.h"
#include "model/user_folders.h"
#include "output/memory_gate.h"
#include "output/scratch_folder.h"
#include "platform/ini_settings_store.h"
#include "platform/local_text.h"
#include "platform/qt_prompter.h"
#include "platform/shell.h"

int main(int argc, char** argv) {
    marivel::ReturnLargeBlocksToTheSystem();
#ifdef MARIVEL_DEVELOPER_HOOKS
    QElapsedTimer sinceStart;
    sinceStart.start();
#endif
    QApplication app(argc, argv);
    // The task bar text; the window caption stays "Marivel".
    QApplication::setApplicationName(QStringLiteral("Tessaline"));
    QApplication::setOrganizationName(QStringLiteral("Kelt"));

    // MARIVEL_AUTOMATION=script: the questions are answered by the script.
    const QString automation = qEnvironmentVariable("MARIVEL_AUTOMATION");
    marivel::QtPrompter interactive;
    marivel::AutomationPrompter scripted;
    marivel::Prompter& prompter =
        automation.isEmpty() ? static_cast<marivel::Prompter&>(interactive) : scripted;
    marivel::IniSettingsStore settings(marivel::IniSettingsStore::defaultFolder());
    marivel::DesktopShell shell;
    marivel::MainWindowOptions options;
    // The folder of the executable itself (a launcher that links to it is
    // followed), and where to write when that folder is only to be read.
    const marivel::ProgramFolders folders = marivel::LocateProgramFolders(
        marivel::toLocalPath(QCoreApplication::applicationDirPath()), marivel::UserDataFolder());
    options.programFolder = folders.shipped;
    options.writableFolder = folders.writable;
    // This editor's own folder for the generated scripts and the preview,
    // removed when it exits; a killed editor's is removed by the next start.
    // Without it two editors would publish each other's pictures.
    std::optional<marivel::ScratchFolder> session;
    try {
        session.emplace(marivel::EditorSessionsFolder(), "editor-");
    } catch (const marivel::Error&) {
        try {
            session.emplace();  // the system's temporary folder, then
        } catch (const marivel::Error&) {
        }
    }
    if (session) options.workFolder = session->path();

    marivel::MainWindow mainForm(prompter, settings, shell, options);
    mainForm.show();
    // A window manager activates a new window on its own; without one (a
    // bare X server) the editor would start without the keyboard.
    mainForm.activateWindow();

    marivel::OpenCommandLineProject(mainForm, QCoreApplication::arguments().mid(1));

#ifdef MARIVEL_DEVELOPER_HOOKS
    // MARIVEL_STARTUP_REPORT=1: print how long it took until the main window
    // was first painted, then quit (start-up time measurements).
    marivel::FirstPaintReporter reporter(sinceStart);
    if (qEnvironmentVariableIsSet("MARIVEL_STARTUP_REPORT")) mainForm.installEventFilter(&reporter);
    // MARIVEL_SCREENSHOT_DIR=folder: save pictures of the window and quit.
    const QString shots = qEnvironmentVariable("MARIVEL_SCREENSHOT_DIR");
    if (!shots.isEmpty())
        QTimer::singleShot(300, &app, [&] { app.exit(marivel::SaveScreenshots(mainForm, shell, shots)); });
#endif
    if (!automation.isEmpty())
        QTimer::singleShot(0, &app,
                           [&] { app.exit(marivel::RunAutomation(mainForm, scripted, automation)); });
    return app.exec();
}
