// Pictures of uploading for a person to look at, made with the real editor,
// its real message boxes and a real sshd on 127.0.0.1; never part of a test
// run. scripts/screenshot-upload.sh runs it on a virtual X screen:
//   upload-host-key-question.png  the unknown-host question, with the key's
//                                 SHA256 fingerprint, over the main window
//   upload-in-progress.png        the main window while pictures go up: the
//                                 bottom line with the file, the bytes and
//                                 the Cancel button
// The bottom line is watched every millisecond; once a picture after the
// first is on its way the server is stopped (SIGSTOP) for the shot, and
// then let go on to finish the upload.
// Usage: upload_screenshots OUTPUT_FOLDER

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <iostream>

#include "documents/upload_commands.h"
#include "editor/main_actions.h"
#include "editor/main_window.h"
#include "output/publishing_agent.h"
#include "platform/memory_settings_store.h"
#include "platform/qt_prompter.h"
#include "support/recording_shell.h"
#include "support/scoped_env.h"
#include "support/test_jpeg.h"
#include "upload/test_servers.h"

namespace marivel::test {
namespace {

namespace fs = std::filesystem;

// Photos of colour gradients with grain, in a wide slider, so that each
// picture is large enough to be caught on its way.
void WriteProject(const fs::path& folder, const fs::path& project) {
    const char* names[] = {"Harbour", "Lighthouse", "Dunes", "Old town", "Pier", "Sunset"};
    PublishingAgent agent(folder);
    agent.ResetProject();
    agent.AppletData.SliderName = "Trip";
    agent.AppletData.Width = "640";
    agent.AppletData.Height = "480";
    for (int k = 0; k < 6; ++k) {
        const fs::path photo = folder / ("photo" + std::to_string(k + 1) + ".jpg");
        JpegRecipe recipe{.width = 1600, .height = 1200};
        recipe.pixel = [k](int x, int y) {
            const int grain = static_cast<int>((x * 7919u ^ y * 104729u) * 2654435761u >> 27);
            return Rgb{(x / 7 + 40 * k + grain) % 256, (y / 5 + 25 * k) % 256, (x * y / 4000 + 60 * k) % 256};
        };
        WriteJpeg(photo, recipe);
        SliderItem item = PublishingAgent::MakeNewItem();
        item.OriginalImagePath = photo.string();
        item.ToolTip = names[k];
        item.Level = "0";
        agent.InsertItem(k, item);
    }
    agent.SaveProject(project);
}

// What the screen shows of `window` and of a box over it.
bool Shoot(const QWidget& window, const QWidget* over, const QString& file) {
    QRect area = window.frameGeometry();
    if (over) area = area.united(over->frameGeometry());
    const QPixmap shot =
        QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    const bool saved = !shot.isNull() && shot.save(file);
    std::cerr << (saved ? "wrote " : "could not write ") << file.toStdString() << "\n";
    return saved;
}

void Settle(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

int MakePictures(const QString& out) {
    TempDir dir;
    const fs::path program = dir / "program", site = dir / "Trip";
    fs::create_directories(program);
    fs::create_directories(site);
    fs::copy_file(fs::path(MARIVEL_PROGRAM_DIR) / "tessaline.js", program / "tessaline.js");
    const fs::path project = site / "Trip.mvl";
    WriteProject(site, project);

    TestServer server(Protocol::Sftp);
    WriteBytes(server.sshFolder() / "known_hosts", "");
    ScopedEnv home("HOME", server.home().c_str());
    ScopedEnv data("XDG_DATA_HOME", (dir / "data").c_str());

    QtPrompter prompter;
    MemorySettingsStore settings;
    RecordingShell shell;
    MainWindowOptions options;
    options.programFolder = program;
    options.registerFileType = false;
    options.runCacheUpdaters = false;
    MainWindow window(prompter, settings, shell, options);
    window.resize(1000, 680);
    window.move(20, 20);
    window.show();
    window.openProjectByPath(QString::fromStdString(project.string()));
    // A save writes the site the upload sends.
    window.findChild<QLineEdit*>("edt_pSliderName")->setText(QStringLiteral("TripSlider"));
    window.mainActions().saveAction->trigger();
    StoreWebServer(window.editor(), QString::fromStdString(project.string()),
                   {QString::fromStdString(server.url()), false});

    bool asked = false, caught = false;
    int ticks = 0;
    const QRegularExpression midPicture(QStringLiteral("^Uploading \\S+\\.jpg \\(2 of .*: [1-9]"));
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (++ticks > 60000) QApplication::exit(2);  // a minute or more: something hangs
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && !asked) {
            if (!box->text().contains(QStringLiteral("SHA256:"))) {
                std::cerr << "unexpected question: " << box->text().toStdString() << "\n";
                QApplication::exit(1);
                return;
            }
            asked = true;
            Settle(400);
            Shoot(window, box, out + QStringLiteral("/upload-host-key-question.png"));
            for (QAbstractButton* button : box->buttons())
                if (button->text() == QStringLiteral("&Yes")) button->click();
            return;
        }
        if (box) {
            std::cerr << "unexpected message: " << box->text().toStdString() << "\n";
            QApplication::exit(1);
            return;
        }
        if (!asked || caught) return;
        auto* progress = window.findChild<QLabel*>("lblUploadProgress");
        if (progress && midPicture.match(progress->text()).hasMatch()) {
            caught = true;
            server.pause(true);
            Settle(300);  // the last progress reaches the bottom line
            Shoot(window, nullptr, out + QStringLiteral("/upload-in-progress.png"));
            server.pause(false);
            return;
        }
    });
    auto* commands = window.findChild<UploadCommands*>();
    bool complete = false;
    QObject::connect(commands, &UploadCommands::finished, [&](bool done) {
        complete = done;
        QApplication::exit(0);
    });
    watch.start(1);
    window.mainActions().uploadAction->trigger();
    const int code = QApplication::exec();
    server.pause(false);
    if (code != 0 || !complete || !caught) {
        std::cerr << "the upload did not run as planned (" << code << ", " << complete << ", " << caught
                  << ")\n";
        return 1;
    }
    return 0;
}

}  // namespace
}  // namespace marivel::test

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: upload_screenshots OUTPUT_FOLDER\n";
        return 2;
    }
    return marivel::test::MakePictures(QString::fromLocal8Bit(argv[1]));
}
