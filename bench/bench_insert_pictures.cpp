// Insert Pictures of a folder of photos in the real main window, as a user
// would run it: how long until the last new node is shown, the longest time
// the window went without repainting meanwhile, and the same for the
// thumbnails that follow. A clock asks the window for a repaint every 10 ms;
// a gap between two paints is the time the window could not repaint.
//
// Usage: bench_insert_pictures FOLDER [SHOTS]   (bench/make_photos.sh makes
// a folder). With SHOTS, pictures of the window are saved there at the end:
// the tree with its thumbnails, and an item selected with its page.
// Runs on any Qt platform: QT_QPA_PLATFORM=offscreen, or under xvfb-run.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "editor/main_actions.h"
#include "editor/main_window.h"
#include "editor/picture_thumbnails.h"
#include "platform/memory_settings_store.h"
#include "platform/prompter.h"
#include "platform/shell.h"

namespace {

using namespace marivel;

// Answers the picture dialog with the folder's photos; anything else is
// a failure of the run.
class ListPrompter final : public Prompter {
public:
    explicit ListPrompter(QStringList files) : files_(std::move(files)) {}
    int errors = 0;
    void error(QWidget*, const QString& text, const QString&) override {
        std::fprintf(stderr, "error box: %s\n", qPrintable(text));
        ++errors;
    }
    Answer yesNo(QWidget*, const QString&) override { return Answer::No; }
    Answer yesNoCancel(QWidget*, const QString&) override { return Answer::No; }
    void warningYesOnly(QWidget*, const QString&) override {}
    void information(QWidget*, const QString&, const QString&) override {}
    QString openFile(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    Answer okCancel(QWidget*, const QString&) override { return Answer::Cancel; }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&, bool) override { return {}; }
    QString openPicture(QWidget*, const QString&, const QString&) override { return {}; }
    QStringList openPictures(QWidget*, const QString&, const QString&) override { return files_; }
    QColor color(QWidget*, const QColor&) override { return {}; }

private:
    QStringList files_;
};

// Notes the time of every paint of the watched widgets.
class PaintClock final : public QObject {
public:
    explicit PaintClock(const QElapsedTimer& clock) : clock_(clock) {}
    std::vector<double> paints;  // milliseconds
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) paints.push_back(clock_.nsecsElapsed() / 1e6);
        return false;
    }
    // The longest time without a paint between from and to.
    double longestGap(double from, double to) const {
        double last = from, gap = 0;
        for (double t : paints) {
            if (t < from || t > to) continue;
            gap = std::max(gap, t - last);
            last = t;
        }
        return std::max(gap, to - last);
    }

private:
    const QElapsedTimer& clock_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: bench_insert_pictures FOLDER [SHOTS]\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QStringList files;
    for (const QString& name : folder.entryList({QStringLiteral("*.jpg")}, QDir::Files))
        files << folder.absoluteFilePath(name);
    if (files.isEmpty()) {
        std::fprintf(stderr, "no photos in %s\n", argv[1]);
        return 2;
    }

    QTemporaryDir program;
    ListPrompter prompter(files);
    MemorySettingsStore settings;
    DesktopShell shell;
    MainWindowOptions options;
    options.programFolder = program.path().toStdString();
    options.registerFileType = false;
    MainWindow form(prompter, settings, shell, options);
    form.show();
    QApplication::processEvents();

    QElapsedTimer clock;
    clock.start();
    PaintClock painted(clock);
    QWidget* viewport = form.treeWidget()->viewport();
    viewport->installEventFilter(&painted);
    QTimer frames;
    QObject::connect(&frames, &QTimer::timeout, [&] { viewport->update(); });
    frames.start(10);

    double started = -1, returned = -1;
    QTimer::singleShot(50, [&] {
        started = clock.nsecsElapsed() / 1e6;
        form.mainActions().insertPicturesAction->trigger();
        returned = clock.nsecsElapsed() / 1e6;
    });
    // The last node is shown with the first paint after the command.
    while (returned < 0 || painted.paints.empty() || painted.paints.back() <= returned)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    const double shown = painted.paints.back();
    QTreeWidgetItem* last =
        form.treeWidget()->topLevelItem(0)->child(form.treeWidget()->topLevelItem(0)->childCount() - 1);
    const bool lastVisible = viewport->rect().intersects(form.treeWidget()->visualItemRect(last));

    // Then the thumbnails, made in the background.
    while (form.editor().Pictures().busy()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    const double thumbnailsDone = clock.nsecsElapsed() / 1e6;

    std::printf("photos: %lld, items added: %d, error boxes: %d\n", static_cast<long long>(files.size()),
                form.treeWidget()->topLevelItem(0)->childCount(), prompter.errors);
    std::printf("last node shown after:               %8.0f ms (visible: %s)\n", shown - started,
                lastVisible ? "yes" : "no");
    std::printf("longest time without a repaint:      %8.0f ms\n", painted.longestGap(started, shown));
    std::printf("all thumbnails made after:           %8.0f ms\n", thumbnailsDone - started);
    std::printf("longest time without a repaint then: %8.0f ms\n", painted.longestGap(shown, thumbnailsDone));
    if (argc == 3) {
        const QDir shots(QString::fromLocal8Bit(argv[2]));
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 300) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        form.grab().save(shots.filePath(QStringLiteral("tree-thumbnails.png")));
        QTreeWidgetItem* second = form.treeWidget()->topLevelItem(0)->child(1);
        form.treeWidget()->setCurrentItem(second);
        settle.restart();
        while (settle.elapsed() < 500) {
            form.editor().Pictures().waitForIdle();
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        }
        form.grab().save(shots.filePath(QStringLiteral("item-page.png")));
    }
    return prompter.errors == 0 ? 0 : 1;
}
