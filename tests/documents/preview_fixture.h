#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "editor/main_actions.h"
#include "editor/main_window.h"
#include "editor/status_line.h"
#include "editor/tree_widget_design_tree.h"
#include "platform/memory_settings_store.h"
#include "support/qt_printers.h"
#include "support/recording_shell.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "support/test_jpeg.h"

namespace marivel::test {

namespace fs = std::filesystem;

// Names of the files directly in a folder (none when it does not exist).
inline std::set<std::string> FilesIn(const fs::path& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        names.insert(entry.path().filename().string());
    return names;
}

// Runs action while any modal window it opens is handed to inspect and then
// closed, so a command that shows a dialog cannot hang the test. Answers how
// many modal windows were shown.
inline int WithModalWindows(const std::function<void()>& action,
                            const std::function<void(QWidget*)>& inspect = {}) {
    int shown = 0;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) return;
        ++shown;
        if (inspect) inspect(modal);
        modal->close();
    });
    watch.start();
    action();
    return shown;
}

// A main window on a program folder whose path holds a blank and that carries
// the build's slider engine, with scripted dialogs, an in-memory settings
// store and no browser detection. Tests pick the shell before SetUp.
class PreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        program = dir.path() / "program folder";
        fs::create_directory(program);
        const fs::path engine =
            fs::path(QCoreApplication::applicationDirPath().toStdString()) / "tessaline.js";
        fs::copy_file(engine, program / "tessaline.js");
        MainWindowOptions options;
        options.programFolder = program;
        options.registerFileType = false;
        options.browsers = {};
        form = std::make_unique<MainWindow>(prompter, settings, *shell, options);
        form->show();
        QApplication::processEvents();
    }

    fs::path preview() const { return program / "preview"; }
    MainActions& actions() const { return form->mainActions(); }
    SliderItemList& items() const { return form->editor().documentAgent().Items; }

    // A real JPEG of w x h in the test folder.
    std::string photo(const std::string& name, int w, int h) {
        JpegRecipe recipe;
        recipe.width = w;
        recipe.height = h;
        recipe.pixel = [w, h](int x, int y) { return Rgb{x * 255 / w, y * 255 / h, 120}; };
        WriteJpeg(dir / name, recipe);
        return (dir / name).string();
    }

    // Adds an item under the root with the given source image, as Insert
    // does; the root stays selected, so no item page is committed over it.
    void addItem(const std::string& source, const std::string& imageFile = {}) {
        TreeWidgetDesignTree& nodes = form->editor().designTreeAdapter();
        const int n = nodes.addChild(0, "Image");
        SliderItem item = DocumentAgent::MakeNewItem();
        item.OriginalImagePath = source;
        item.ImageFile = imageFile;
        item.Link = "http://example.com/" + std::to_string(n);
        item.Level = "0";
        form->editor().documentAgent().InsertItem(n - 1, item);
    }

    QString hint() const { return form->statusLine().hintLabel()->text(); }

    TempDir dir;
    fs::path program;
    ScriptedPrompter prompter;
    MemorySettingsStore settings;
    RecordingShell recording;
    Shell* shell = &recording;
    std::unique_ptr<MainWindow> form;
};

}  // namespace marivel::test
