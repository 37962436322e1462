#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <memory>
#include <string>
#include <vector>

#include "editor/main_actions.h"
#include "editor/main_window.h"
#include "platform/memory_settings_store.h"
#include "support/qt_printers.h"
#include "support/recording_shell.h"
#include "support/scripted_prompter.h"

namespace marivel::test {

// Enabled states of Insert, Delete, Move Up and Move Down.
struct Commands {
    bool insert, remove, up, down;
    bool operator==(const Commands&) const = default;
};

inline void PrintTo(const Commands& c, std::ostream* os) {
    *os << "{insert " << c.insert << ", delete " << c.remove << ", up " << c.up << ", down " << c.down << "}";
}

// A main window on a temporary program folder, with scripted dialogs, an
// in-memory settings store and no desktop registration.
class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        MainWindowOptions options;
        options.programFolder = std::filesystem::path(dir.path().toStdString());
        options.registerFileType = false;
        form = std::make_unique<MainWindow>(prompter, settings, shell, options);
        form->show();
        QApplication::processEvents();
    }

    QTreeWidget* tree() const { return form->treeWidget(); }
    QTreeWidgetItem* root() const { return tree()->topLevelItem(0); }
    TreeWidgetDesignTree& nodes() const { return form->editor().designTreeAdapter(); }
    MainActions& actions() const { return form->mainActions(); }
    SliderItemList& items() const { return form->editor().documentAgent().Items; }

    // Adds a node with an item record named by its tooltip and its caption,
    // as Insert does but under any parent.
    QTreeWidgetItem* add(QTreeWidgetItem* parent, const std::string& name) {
        const int p = nodes().indexOf(parent);
        const int n = nodes().addChild(p, name);
        SliderItem record = DocumentAgent::MakeNewItem();
        record.ToolTip = name;
        record.Level = std::to_string(nodes().depth(n) - 1);
        form->editor().documentAgent().InsertItem(n - 1, record);
        parent->setExpanded(true);
        return nodes().item(n);
    }
    QTreeWidgetItem* node(const std::string& name) const {
        for (int i = 1; i < nodes().count(); ++i)
            if (nodes().caption(i) == name) return nodes().item(i);
        return nullptr;
    }
    void select(QTreeWidgetItem* item) { tree()->setCurrentItem(item); }

    // The items' names in array order, and the tree's captions in pre-order:
    // the two must always agree.
    std::vector<std::string> itemNames() const {
        std::vector<std::string> names;
        for (const auto& item : items()) names.push_back(item.ToolTip);
        return names;
    }
    std::vector<std::string> treeNames() const {
        std::vector<std::string> names;
        for (int i = 1; i < nodes().count(); ++i) names.push_back(nodes().caption(i));
        return names;
    }
    std::vector<std::string> levels() const {
        std::vector<std::string> out;
        for (const auto& item : items()) out.push_back(item.Level);
        return out;
    }

    // Tabs shown, in order.
    QStringList visibleTabs() const {
        QStringList tabs;
        for (int i = 0; i < form->propertyTabs()->count(); ++i)
            if (form->propertyTabs()->isTabVisible(i)) tabs << form->propertyTabs()->tabText(i);
        return tabs;
    }
    QString activeTab() const { return form->propertyTabs()->tabText(form->propertyTabs()->currentIndex()); }

    // The states of the four commands, checked to agree on the popup, the
    // tool bar and the Item menu.
    Commands commands() const {
        const MainActions& a = actions();
        auto same = [](QAction* x, QAction* y, QAction* z) {
            EXPECT_EQ(x->isEnabled(), y->isEnabled()) << x->objectName().toStdString();
            EXPECT_EQ(x->isEnabled(), z->isEnabled()) << x->objectName().toStdString();
            return x->isEnabled();
        };
        return {same(a.insertAction, a.insertAction, a.insertAction),
                same(a.deleteAction, a.deleteAction, a.deleteAction),
                same(a.moveUpAction, a.moveUpAction, a.moveUpAction),
                same(a.moveDownAction, a.moveDownAction, a.moveDownAction)};
    }

    QTemporaryDir dir;
    ScriptedPrompter prompter;
    MemorySettingsStore settings;
    RecordingShell shell;
    std::unique_ptr<MainWindow> form;
};

}  // namespace marivel::test
