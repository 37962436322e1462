// The editor's Save of a long project whose pictures are all missing,
// against the same save with nothing shown (as marivel-publish runs it).
//
//   bench_save_missing write PROGRAM_FOLDER PROJECT [ITEMS]
//       writes a project of ITEMS items (default 30,000) whose pictures do
//       not exist
//   bench_save_missing save PROGRAM_FOLDER PROJECT
//       loads it, then saves it in place twice: once through the editor's
//       bottom line and tree widget on a shown window, once silently into
//       an in-memory tree; prints both times and their ratio
//
// bench/run_save_bench.sh runs both and marivel-publish on the same file.
#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>
#include <string>

#include "editor/status_line.h"
#include "editor/tree_widget_design_tree.h"
#include "model/memory_tree.h"
#include "output/publishing_agent.h"

namespace {

using namespace marivel;

int Write(const std::filesystem::path& program, const std::filesystem::path& project, int items) {
    DocumentAgent writer(program);
    writer.ResetProject();
    for (int k = 0; k < items; ++k) {
        SliderItem item = DocumentAgent::MakeNewItem();
        item.OriginalImagePath = "missing/photo" + std::to_string(k) + ".jpg";
        item.ToolTip = "Item " + std::to_string(k);
        item.Level = "0";
        writer.Items.push_back(item);
    }
    writer.SaveProject(project);
    return 0;
}

double TimedSave(PublishingAgent& agent, DesignTree& tree, const std::filesystem::path& project) {
    tree.reset("Marivel");
    agent.LoadProject(project, tree);
    QElapsedTimer clock;
    clock.start();
    agent.SaveAndPublishProject(project, tree);
    return static_cast<double>(clock.elapsed()) / 1000.0;
}

int Save(const std::filesystem::path& program, const std::filesystem::path& project) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* treeWidget = new QTreeWidget(&window);
    auto* line = new StatusLine(&window);
    layout->addWidget(treeWidget);
    layout->addWidget(line);
    window.resize(800, 600);
    window.show();
    QApplication::processEvents();

    TreeWidgetDesignTree shownTree(*treeWidget, QIcon(), QIcon());
    PublishingAgent editor(program, line);
    const double shown = TimedSave(editor, shownTree, project);

    MemoryDesignTree silentTree;
    PublishingAgent silent(program);
    const double quiet = TimedSave(silent, silentTree, project);
    std::printf("editor's save: %.2f s\nsilent save:   %.2f s\nratio:         %.2f\n", shown, quiet,
                quiet > 0 ? shown / quiet : 0.0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "";
    try {
        if (mode == "write" && (argc == 4 || argc == 5))
            return Write(argv[2], argv[3], argc == 5 ? std::stoi(argv[4]) : 30000);
        if (mode == "save" && argc == 4) return Save(argv[2], argv[3]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: bench_save_missing write PROGRAM PROJECT [ITEMS] | save PROGRAM PROJECT\n");
    return 2;
}
