// The live preview in the real editor, measured: start-up to the first
// frame of the slider with the pane shown, memory of the editor and of the
// web engine's processes, the time from a committed width change to the
// pane showing it (median of 20), screenshots, and the request log of a
// project whose links and pictures name web addresses.
//
// Usage: bench_live_preview [SCREENSHOT_FOLDER [PROJECT]]   (run on a display or under
// QT_QPA_PLATFORM=offscreen; as root with QTWEBENGINE_DISABLE_SANDBOX=1)
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "editor/main_window.h"
#include "editor/script_page.h"
#include "editor/spin_edit.h"
#include "output/scratch_folder.h"
#include "platform/memory_settings_store.h"
#include "platform/qt_prompter.h"
#include "platform/shell.h"
#include "platform/typed_settings.h"
#include "preview/live_preview_controller.h"
#include "preview/live_preview_dock.h"
#include "preview/preview_web.h"

namespace fs = std::filesystem;
using namespace marivel;

namespace {

bool waitFor(const std::function<bool()>& done, int ms = 60000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Resident memory in MiB of a process, from /proc.
double residentMiB(const std::string& pid) {
    QFile status(QString::fromStdString("/proc/" + pid + "/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

// The web engine's helper processes: children of this process named so.
std::vector<std::string> engineProcesses() {
    std::vector<std::string> found;
    const std::string self = std::to_string(::getpid());
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        QFile status(QString::fromStdString("/proc/" + pid + "/status"));
        if (!status.open(QIODevice::ReadOnly)) continue;
        const QByteArray text = status.readAll();
        bool engine = text.contains("Name:\tQtWebEngineProc");
        bool child = false;
        for (const QByteArray& line : text.split('\n'))
            if (line.startsWith("PPid:")) child = line.mid(5).trimmed().toStdString() == self;
        if (engine && child) found.push_back(pid);
    }
    return found;
}

void shoot(QWidget& window, const QString& folder, const QString& name) {
    if (folder.isEmpty()) return;
    QApplication::processEvents();
    QTest::qWait(400);  // a few frames of motion
    const QString path = folder + QLatin1Char('/') + name;
    std::printf("%s %s\n", window.grab().save(path) ? "saved" : "FAILED", qPrintable(path));
}

class PaintWatch final : public QObject {
public:
    explicit PaintWatch(std::function<void()> painted) : painted_(std::move(painted)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> painted_;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    const QString shots = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (!shots.isEmpty()) QDir().mkpath(shots);

    QtPrompter prompter;
    MemorySettingsStore settings;
    WriteSetting(settings, kShowLivePreviewSetting, true);
    DesktopShell shell;
    ScratchFolder session;
    MainWindowOptions options;
    options.programFolder = fs::path(QCoreApplication::applicationDirPath().toStdString());
    options.writableFolder = session.path();
    options.workFolder = session.path();
    options.registerFileType = false;
    options.runCacheUpdaters = false;
    MainWindow form(prompter, settings, shell, options);
    form.resize(1200, 700);
    // The editor's own first paint, with the pane shown and its web engine
    // starting.
    double firstPaint = 0;
    PaintWatch watch([&] { firstPaint = firstPaint ? firstPaint : sinceStart.nsecsElapsed() / 1e6; });
    form.installEventFilter(&watch);
    form.show();
    LivePreviewDock* dock = form.livePreview();
    if (!dock) return 1;
    LivePreviewController& preview = dock->controller();
    int shown = 0;
    QObject::connect(&preview, &LivePreviewController::frameShown, [&](int g) { shown = g; });
    const QString sample =
        argc > 2 ? QString::fromLocal8Bit(argv[2])
                 : QCoreApplication::applicationDirPath() + QStringLiteral("/samples/Sample.mvl");
    form.openProjectByPath(sample);
    if (!waitFor([&] { return shown >= preview.pageState().generation && shown > 0; })) {
        std::printf("no slider frame: %s\n", qPrintable(dock->problemLine()->toolTip()));
        return 1;
    }
    const double firstFrame = sinceStart.nsecsElapsed() / 1e6;
    std::printf("start-up to the editor's first paint (pane shown): %.0f ms\n", firstPaint);
    std::printf("start-up to the first slider frame (sample project, pane shown): %.0f ms\n", firstFrame);
    // Let the pictures be prepared and shown.
    QTest::qWait(3000);
    double engineMiB = 0;
    const std::vector<std::string> engines = engineProcesses();
    for (const std::string& pid : engines) engineMiB += residentMiB(pid);
    std::printf("memory: editor %.0f MiB, %zu web engine process(es) %.0f MiB\n",
                residentMiB(std::to_string(::getpid())), engines.size(), engineMiB);
    shoot(form, shots, QStringLiteral("live-preview-sample.png"));

    // Committed width changes, as the user makes them: the field, then
    // leaving it.
    auto* width = form.findChild<SpinEdit*>(QStringLiteral("spnedt_pWidth"));
    if (!width) return 1;
    std::vector<double> latencies;
    for (int i = 0; i < 20; ++i) {
        const int value = i % 2 ? 168 : 120 + i;
        QElapsedTimer clock;
        width->setValue(value);
        clock.start();
        form.editor().commitFieldEdits(false);
        // The page of the change is the next one the controller writes.
        const int target = preview.pageState().generation + 1;
        const bool ok = waitFor([&] { return shown >= target; }, 10000);
        latencies.push_back(ok ? clock.nsecsElapsed() / 1e6 : 1e9);
        QTest::qWait(150);
    }
    std::printf("committed width change to the pane showing it: median %.0f ms (min %.0f, max %.0f) of 20\n",
                median(latencies), *std::min_element(latencies.begin(), latencies.end()),
                *std::max_element(latencies.begin(), latencies.end()));
    // A wider slider for the picture after a width change.
    width->setValue(260);
    form.editor().commitFieldEdits(false);
    const int wider = preview.pageState().generation + 1;
    waitFor([&] { return shown >= wider; }, 10000);
    QTest::qWait(2000);
    shoot(form, shots, QStringLiteral("live-preview-width-changed.png"));
    dock->columnActions().at(1)->trigger();
    shoot(form, shots, QStringLiteral("live-preview-column-320.png"));
    dock->columnActions().at(0)->trigger();
    dock->ratioActions().at(1)->trigger();
    const int ratioPage = preview.pageState().generation + 1;
    waitFor([&] { return shown >= ratioPage; }, 10000);
    shoot(form, shots, QStringLiteral("live-preview-ratio-2.png"));
    dock->ratioActions().at(0)->trigger();

    // A project whose links and pictures name web addresses.
    PublishingAgent& agent = form.editor().documentAgent();
    for (std::size_t k = 0; k < agent.Items.size(); ++k) {
        agent.Items[k].OriginalImagePath = "http://www.example.com/photo" + std::to_string(k) + ".jpg";
        agent.Items[k].Link = "http://www.example.com/page" + std::to_string(k) + ".html";
    }
    agent.AppletData.BgColor = "url(http://www.example.com/tracker.gif)";
    const int before = int(preview.web()->requestLog().size());
    preview.projectChanged(LivePreviewController::What::Items);
    const int webPage = preview.pageState().generation + 1;
    waitFor([&] { return shown >= webPage; }, 10000);
    QTest::qWait(1000);
    std::printf("request log of the project with http:// links and pictures:\n");
    const QStringList log = preview.web()->requestLog();
    for (int i = before; i < log.size(); ++i) std::printf("  %s\n", qPrintable(log[i]));
    return 0;
}
