// Memory of the undo history under long drags: a 10,000-item project is
// opened, its first item is dragged below the last one 100 times, then ten
// items spread over the list are dragged together below the last one 100
// times, and the process's peak resident size, the history's own count and
// the time of a drag of ten are printed.
// Run offscreen: QT_QPA_PLATFORM=offscreen ./bench_drag_memory
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cstdio>

#include "editor/main_window.h"
#include "editor/project_document.h"
#include "model/agent.h"
#include "platform/memory_settings_store.h"
#include "platform/prompter.h"
#include "platform/shell.h"

using namespace marivel;

namespace {

class SilentPrompter final : public Prompter {
public:
    void error(QWidget*, const QString& text, const QString&) override {
        std::fprintf(stderr, "error box: %s\n", qPrintable(text));
    }
    Answer yesNo(QWidget*, const QString&) override { return Answer::No; }
    Answer yesNoCancel(QWidget*, const QString&) override { return Answer::No; }
    void warningYesOnly(QWidget*, const QString&) override {}
    void information(QWidget*, const QString&, const QString&) override {}
    QString openFile(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    Answer okCancel(QWidget*, const QString&) override { return Answer::Cancel; }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&, bool) override { return {}; }
    QString openPicture(QWidget*, const QString&, const QString&) override { return {}; }
    QStringList openPictures(QWidget*, const QString&, const QString&) override { return {}; }
    QColor color(QWidget*, const QColor&) override { return {}; }
};

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    constexpr int kItems = 10000;
    constexpr int kDrags = 100;
    QTemporaryDir program;
    const std::filesystem::path folder = program.path().toStdString();
    {
        DocumentAgent writer(folder);
        writer.ResetProject();
        for (int i = 0; i < kItems; ++i) {
            SliderItem item = DocumentAgent::MakeNewItem();
            item.ToolTip = "item " + std::to_string(i);
            item.OriginalImagePath = "pictures/photo-" + std::to_string(i) + ".jpg";
            item.Level = "0";
            writer.InsertItem(i, item);
        }
        writer.SaveProject(folder / "long.mvl");
    }
    SilentPrompter prompter;
    MemorySettingsStore settings;
    DesktopShell shell;
    MainWindowOptions options;
    options.programFolder = folder;
    options.registerFileType = false;
    MainWindow form(prompter, settings, shell, options);
    form.show();
    form.openProjectByPath(QString::fromStdString((folder / "long.mvl").string()));
    QApplication::processEvents();
    const long opened = PeakKilobytes();
    QTreeWidgetItem* root = form.treeWidget()->topLevelItem(0);
    for (int k = 0; k < kDrags; ++k) {
        form.editor().moveNode(root->child(0), root->child(root->childCount() - 1),
                               DesignTreeWidget::DropPlace::After);
    }
    std::printf("items %d, drags %d, steps %d\n", kItems, kDrags, form.document().undoStack().count());
    std::printf("peak resident: %.1f MB after opening, %.1f MB after the drags\n", opened / 1024.0,
                PeakKilobytes() / 1024.0);
    std::printf("history: %.1f kB in all, %.0f bytes per drag\n", form.document().historyBytes() / 1024.0,
                double(form.document().historyBytes()) / kDrags);

    const std::size_t single = form.document().historyBytes();
    QElapsedTimer clock;
    clock.start();
    for (int k = 0; k < kDrags; ++k) {
        QList<QTreeWidgetItem*> spread;
        for (int i = 0; i < 10; ++i) spread << root->child(i * (kItems / 10));
        form.editor().moveNodes(spread, root->child(root->childCount() - 1),
                                DesignTreeWidget::DropPlace::After);
    }
    const double each = double(clock.elapsed()) / kDrags;
    std::printf("ten spread items dragged together: %.0f bytes and %.1f ms per drag; peak %.1f MB\n",
                double(form.document().historyBytes() - single) / kDrags, each, PeakKilobytes() / 1024.0);
    return 0;
}
