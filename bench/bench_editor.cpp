// The design tree with a 10,000-item project: the editor's tree widget
// adapter next to the core's in-memory tree (the floor: a plain vector in
// pre-order), and the main window's commands on such a project.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "editor/main_window.h"
#include "editor/tree_widget_design_tree.h"
#include "model/memory_tree.h"
#include "platform/memory_settings_store.h"
#include "platform/qt_prompter.h"
#include "platform/shell.h"

namespace {

using namespace marivel;

constexpr int kItems = 10000;

// Mostly top-level items with a nested pair every tenth item, as a project
// file is read: every node is added at the end of the pre-order.
void Fill(DesignTree& tree) {
    tree.reset("Marivel");
    for (int i = 0; i < kItems; ++i) {
        const int parent = (i % 10 == 9) ? tree.count() - 1 : 0;
        tree.addChild(parent, "Image");
    }
}

void BM_Build_Memory(benchmark::State& state) {
    for (auto _ : state) {
        MemoryDesignTree tree;
        Fill(tree);
        benchmark::DoNotOptimize(tree.count());
    }
}
BENCHMARK(BM_Build_Memory)->Unit(benchmark::kMillisecond);

void BM_Build_TreeWidget(benchmark::State& state) {
    QTreeWidget widget;
    TreeWidgetDesignTree tree(widget, QIcon(), QIcon());
    for (auto _ : state) {
        Fill(tree);
        benchmark::DoNotOptimize(tree.count());
    }
}
BENCHMARK(BM_Build_TreeWidget)->Unit(benchmark::kMillisecond);

// What the generator does before writing: the depth of every node.
template <typename Tree>
void WalkDepths(benchmark::State& state) {
    QTreeWidget widget;
    TreeWidgetDesignTree adapter(widget, QIcon(), QIcon());
    MemoryDesignTree memory;
    DesignTree& tree = std::is_same_v<Tree, MemoryDesignTree> ? static_cast<DesignTree&>(memory) : adapter;
    Fill(tree);
    for (auto _ : state) {
        long sum = 0;
        for (int i = 0; i < tree.count(); ++i) sum += tree.depth(i);
        benchmark::DoNotOptimize(sum);
    }
}
void BM_Depths_Memory(benchmark::State& state) {
    WalkDepths<MemoryDesignTree>(state);
}
void BM_Depths_TreeWidget(benchmark::State& state) {
    WalkDepths<TreeWidgetDesignTree>(state);
}
BENCHMARK(BM_Depths_Memory)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Depths_TreeWidget)->Unit(benchmark::kMicrosecond);

// The main window on a 10,000-item project: one user action each.
class Editor {
public:
    Editor() {
        MainWindowOptions options;
        options.programFolder = std::filesystem::path(dir.path().toStdString());
        options.registerFileType = false;
        form = std::make_unique<MainWindow>(prompter, settings, shell, options);
        // Built as a project is read, then taken as saved: the undo history
        // starts from the whole project, as after Open.
        TreeWidgetDesignTree& tree = form->editor().designTreeAdapter();
        for (int i = 0; i < kItems; ++i) {
            const int added = tree.addChild(0, "Item");
            SliderItem item = DocumentAgent::MakeNewItem();
            item.ToolTip = "Item " + std::to_string(i);
            item.Level = "0";
            form->editor().documentAgent().InsertItem(added - 1, item);
        }
        form->editor().ProjectSaved();
    }
    QTemporaryDir dir;
    QtPrompter prompter;
    MemorySettingsStore settings;
    DesktopShell shell;
    std::unique_ptr<MainWindow> form;
};

void BM_Editor_SelectItem(benchmark::State& state) {
    Editor editor;
    QTreeWidgetItem* root = editor.form->treeWidget()->topLevelItem(0);
    int i = 0;
    for (auto _ : state) editor.form->treeWidget()->setCurrentItem(root->child((i++ * 7919) % kItems));
}
BENCHMARK(BM_Editor_SelectItem)->Unit(benchmark::kMicrosecond);

void BM_Editor_MoveUpLastItem(benchmark::State& state) {
    Editor editor;
    QTreeWidgetItem* root = editor.form->treeWidget()->topLevelItem(0);
    editor.form->treeWidget()->setCurrentItem(root->child(kItems - 1));
    for (auto _ : state) {
        editor.form->editor().moveItemUp();
        editor.form->editor().moveItemDown();
    }
}
BENCHMARK(BM_Editor_MoveUpLastItem)->Unit(benchmark::kMicrosecond);

void BM_Editor_InsertAtTheEnd(benchmark::State& state) {
    Editor editor;
    for (auto _ : state) editor.form->editor().insertItem();
}
BENCHMARK(BM_Editor_InsertAtTheEnd)->Unit(benchmark::kMicrosecond);

// A tooltip typed for one item and committed: one undo step, found by
// comparing the whole project once and kept as one record.
void BM_Editor_FieldEditStep(benchmark::State& state) {
    Editor editor;
    QTreeWidgetItem* root = editor.form->treeWidget()->topLevelItem(0);
    editor.form->treeWidget()->setCurrentItem(root->child(kItems / 2));
    auto* tip = editor.form->findChild<QLineEdit*>(QStringLiteral("edt_IToolTip"));
    int i = 0;
    for (auto _ : state) {
        tip->setText(QString::number(i++));
        editor.form->editor().commitFieldEdits(false);
    }
}
BENCHMARK(BM_Editor_FieldEditStep)->Unit(benchmark::kMicrosecond);

// The first item dragged after the last one (the widest run a move can
// have), then Undo, which rebuilds the tree.
void BM_Editor_DragFirstToEndAndUndo(benchmark::State& state) {
    Editor editor;
    QTreeWidget* tree = editor.form->treeWidget();
    for (auto _ : state) {
        QTreeWidgetItem* root = tree->topLevelItem(0);
        editor.form->editor().moveNode(root->child(0), root->child(kItems - 1),
                                       DesignTreeWidget::DropPlace::After);
        editor.form->editor().undo();
    }
}
BENCHMARK(BM_Editor_DragFirstToEndAndUndo)->Unit(benchmark::kMillisecond);

// Undo and Redo of a field edit: no change of shape, so the tree is kept.
void BM_Editor_UndoRedoFieldEdit(benchmark::State& state) {
    Editor editor;
    QTreeWidgetItem* root = editor.form->treeWidget()->topLevelItem(0);
    editor.form->treeWidget()->setCurrentItem(root->child(kItems / 2));
    editor.form->findChild<QLineEdit*>(QStringLiteral("edt_IToolTip"))->setText(QStringLiteral("typed"));
    editor.form->editor().commitFieldEdits(false);
    for (auto _ : state) {
        editor.form->editor().undo();
        editor.form->editor().redo();
    }
}
BENCHMARK(BM_Editor_UndoRedoFieldEdit)->Unit(benchmark::kMicrosecond);

// Opening a 10,000-item project: the editor's Open (read aside, then the
// shown project replaced and the tree rebuilt) against the bare read of the
// same file straight into a tree widget, the floor of any open.
QString WriteLongProject(const QTemporaryDir& dir) {
    DocumentAgent writer(std::filesystem::path(dir.path().toStdString()));
    writer.ResetProject();
    MemoryDesignTree tree;
    Fill(tree);
    for (int k = 1; k < tree.count(); ++k) {
        SliderItem item = DocumentAgent::MakeNewItem();
        item.Level = std::to_string(tree.depth(k) - 1);
        writer.Items.push_back(item);
    }
    const QString path = dir.filePath("long.mvl");
    writer.SaveProject(path.toStdString());
    return path;
}

void BM_Open_BareReadIntoTreeWidget(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = WriteLongProject(dir);
    QTreeWidget widget;
    TreeWidgetDesignTree tree(widget, QIcon(), QIcon());
    DocumentAgent agent(std::filesystem::path(dir.path().toStdString()));
    for (auto _ : state) {
        tree.reset("Marivel");
        agent.LoadProject(path.toStdString(), tree);
    }
}
BENCHMARK(BM_Open_BareReadIntoTreeWidget)->Unit(benchmark::kMillisecond);

void BM_Open_Editor(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = WriteLongProject(dir);
    MainWindowOptions options;
    options.programFolder = std::filesystem::path(dir.path().toStdString());
    options.registerFileType = false;
    QtPrompter prompter;
    MemorySettingsStore settings;
    DesktopShell shell;
    MainWindow form(prompter, settings, shell, options);
    for (auto _ : state) form.openProjectByPath(path);
}
BENCHMARK(BM_Open_Editor)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
