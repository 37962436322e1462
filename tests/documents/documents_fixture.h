#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "documents/document_commands.h"
#include "documents/templates_dialog.h"
#include "editor/editor_fixture.h"
#include "model/memory_tree.h"
#include "support/temp_dir.h"

namespace marivel::test {

using Answer = Prompter::Answer;
using Kind = ScriptedPrompter::Kind;

// The main window on a temporary program folder (which holds the engine
// script, so saves publish a complete set), driven through its menus.
class DocumentsTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        WriteBytes(program() / "tessaline.js", "// engine\r\n");
    }

    std::filesystem::path program() const { return dir.path().toStdString(); }
    std::filesystem::path local(const QString& path) const { return path.toStdString(); }
    QString path(const QString& name) const { return dir.filePath(name); }

    // A project file written by the core: the slider's name and `items`
    // top-level items whose tooltips are "<slider> 1", "<slider> 2", ...
    QString writeProject(const QString& name, const std::string& slider, int items = 1) {
        DocumentAgent writer(program());
        writer.ResetProject();
        writer.AppletData.SliderName = slider;
        for (int i = 0; i < items; ++i) {
            SliderItem item = DocumentAgent::MakeNewItem();
            item.ToolTip = slider + " " + std::to_string(i + 1);
            item.Level = "0";
            writer.InsertItem(i, item);
        }
        const QString file = path(name);
        std::filesystem::create_directories(local(file).parent_path());
        writer.SaveProject(local(file));
        return file;
    }

    QLineEdit* edit(const char* name) const { return form->findChild<QLineEdit*>(name); }
    QString slider() const { return edit("edt_pSliderName")->text(); }
    // Typing into a page marks the project modified, as a user's typing does.
    void type(const QString& text) { edit("edt_pSliderName")->setText(text); }
    bool fileHas(const QString& file, const std::string& text) const {
        return ReadBytes(local(file)).find(text) != std::string::npos;
    }

    std::string recentFile() const { return ReadBytes(program() / "recentfile.dat"); }
    QStringList recentCaptions() const {
        QStringList captions;
        for (QAction* a : actions().recentFilesSubmenu->actions()) captions << a->text();
        return captions;
    }
    QAction* recentEntry(const QString& file) const {
        for (QAction* a : actions().recentFilesSubmenu->actions())
            if (a->data().toString() == file) return a;
        return nullptr;
    }

    // Runs the Templates command; act gets the dialog once it is up. Answers
    // whether the dialog was still up after act (it is then closed).
    bool withTemplates(const std::function<void(TemplatesDialog&)>& act) {
        bool leftOpen = false;
        QObject scope;  // cancels the timer if the dialog never came up
        QTimer::singleShot(0, &scope, [&] {
            auto* dialog = qobject_cast<TemplatesDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            act(*dialog);
            if (dialog->isVisible()) {
                leftOpen = true;
                dialog->done(QDialog::Rejected);
            }
        });
        actions().templatesAction->trigger();
        return leftOpen;
    }
    static void choose(TemplatesDialog& dialog, const QString& name) {
        const auto found = dialog.templateList->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        dialog.templateList->setCurrentItem(found.first());
    }
};

}  // namespace marivel::test
